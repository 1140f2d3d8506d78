#include "station/scan_filter.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <utility>

namespace torv::station {
namespace {

bool IsDigit(const QKeyEvent& key)
{
    return key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9 &&
           (key.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

bool IsEnter(const QKeyEvent& key)
{
    return key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter;
}

}  // namespace

ScanFilter::ScanFilter(QObject* parent) : QObject(parent)
{
    gap_.setSingleShot(true);
    gap_.setInterval(kLongestGapMs);
    connect(&gap_, &QTimer::timeout, this, &ScanFilter::Release);
    QCoreApplication::instance()->installEventFilter(this);
}

ScanFilter::~ScanFilter()
{
    if (QCoreApplication* application = QCoreApplication::instance())
        application->removeEventFilter(this);
}

bool ScanFilter::eventFilter(QObject* receiver, QEvent* event)
{
    // A key goes to its window first, then to the widget with the focus: it is looked at
    // once, at the widget.
    if (releasing_ || event->type() != QEvent::KeyPress || !receiver->isWidgetType())
        return false;
    const auto& key = static_cast<const QKeyEvent&>(*event);
    const bool inTime = !held_.empty() && sinceLastKey_.elapsed() <= kLongestGapMs;
    if (IsDigit(key) && (held_.empty() || inTime)) {
        held_.push_back({receiver, key.key(), key.modifiers(), key.text()});
        sinceLastKey_.start();
        gap_.start();
        return true;
    }
    if (IsEnter(key) && inTime && static_cast<int>(held_.size()) >= kShortestScan) {
        QString digits;
        for (const HeldKey& held : held_)
            digits += held.text;
        held_.clear();
        gap_.stop();
        emit Scanned(digits);
        return true;
    }
    Release();
    if (IsDigit(key)) {  // a late digit may begin a scan of its own
        held_.push_back({receiver, key.key(), key.modifiers(), key.text()});
        sinceLastKey_.start();
        gap_.start();
        return true;
    }
    return false;
}

void ScanFilter::Release()
{
    gap_.stop();
    releasing_ = true;
    for (const HeldKey& held : std::exchange(held_, {})) {
        if (!held.receiver)
            continue;
        QKeyEvent press(QEvent::KeyPress, held.key, held.modifiers, held.text);
        QCoreApplication::sendEvent(held.receiver, &press);
    }
    releasing_ = false;
}

}  // namespace torv::station
