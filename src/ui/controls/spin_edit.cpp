#include "ui/controls/spin_edit.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyleOptionFrame>

#include <cmath>
#include <limits>
#include <memory>

#include "ui/controls/accessible_controls.h"

namespace torv {

namespace {

constexpr char16_t kEnter = u'\r';
constexpr char16_t kEscape = 0x1B;
constexpr char16_t kBackspace = 0x08;

// The default locale (set from the system at start) without group separators, so
// that "1,000" is no number in an English locale, as in any other.
QLocale NumberLocale()
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

bool IsControlChar(QChar key)
{
    return key.unicode() < 32;
}

// A small filled arrow, one pixel row at a time so that it stays crisp: apex at
// (centreX, apexY), growing downwards (pointsUp) or upwards.
void DrawArrow(QPainter& painter, int centreX, int apexY, int rows, bool pointsUp, const QColor& color)
{
    for (int row = 0; row < rows; ++row) {
        const int y = pointsUp ? apexY + row : apexY - row;
        painter.fillRect(centreX - row, y, 2 * row + 1, 1, color);
    }
}

}  // namespace

// ---------------------------------------------------------------------------
// TSpinButton

TSpinButton::TSpinButton(QWidget* parent) : QWidget(parent)
{
    InstallAccessibleControls();
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    repeatTimer_.setObjectName(QStringLiteral("repeatTimer"));
    connect(&repeatTimer_, &QTimer::timeout, this, &TSpinButton::Repeat);
}

TSpinButton::Half TSpinButton::HalfAt(QPoint pos) const
{
    if (!rect().contains(pos))
        return Half::None;
    // The diagonal runs from (0, h - 1) to (w - 1, 0); points on or above it are the top half.
    const int w = width();
    const int h = height();
    return pos.x() * (h - 1) + pos.y() * (w - 1) <= (w - 1) * (h - 1) ? Half::Top : Half::Bottom;
}

void TSpinButton::Act()
{
    if (pressed_ == Half::Top)
        emit OnTopClick();
    else
        emit OnBottomClick();
}

void TSpinButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        QWidget::mousePressEvent(event);
        return;
    }
    pressed_ = HalfAt(event->position().toPoint());
    if (pressed_ == Half::None)
        return;
    repaint();
    Act();
    repeatTimer_.start(interval_ + kFirstRepeatExtraMs);
}

void TSpinButton::Repeat()
{
    repeatTimer_.stop();
    Act();
    repeatTimer_.start(interval_);
}

void TSpinButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        Release();
    QWidget::mouseReleaseEvent(event);
}

void TSpinButton::Release()
{
    repeatTimer_.stop();
    if (pressed_ == Half::None)
        return;
    pressed_ = Half::None;
    update();
}

void TSpinButton::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled())
        Release();
    QWidget::changeEvent(event);
}

void TSpinButton::paintEvent(QPaintEvent* /*event*/)
{
    QPainter painter(this);
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    const QPalette& colors = palette();
    const int w = width();
    const int h = height();
    const QPolygon topHalf({QPoint(0, 0), QPoint(w, 0), QPoint(0, h)});
    const QPolygon bottomHalf({QPoint(w, 0), QPoint(w, h), QPoint(0, h)});

    const QColor face = colors.color(group, QPalette::Button);
    const QColor pressedFace = face.darker(120);
    painter.setPen(Qt::NoPen);
    painter.setBrush(pressed_ == Half::Top ? pressedFace : face);
    painter.drawPolygon(topHalf);
    painter.setBrush(pressed_ == Half::Bottom ? pressedFace : face);
    painter.drawPolygon(bottomHalf);

    // Raised edge: light top and left, dark bottom and right; the split in the dark colour.
    const QColor light = colors.color(group, QPalette::Light);
    const QColor dark = colors.color(group, QPalette::Dark);
    painter.fillRect(0, 0, w, 1, light);
    painter.fillRect(0, 0, 1, h, light);
    painter.fillRect(0, h - 1, w, 1, dark);
    painter.fillRect(w - 1, 0, 1, h, dark);
    painter.setPen(dark);
    painter.drawLine(0, h - 1, w - 1, 0);

    // Each arrow sits on the centroid of its triangle; a pressed half moves its arrow by a pixel.
    const QColor arrow = colors.color(group, QPalette::ButtonText);
    const int rows = std::max(2, std::min(w, h) / 5);
    const int topShift = pressed_ == Half::Top ? 1 : 0;
    const int bottomShift = pressed_ == Half::Bottom ? 1 : 0;
    DrawArrow(painter, w / 3 + topShift, h / 3 - rows / 2 + topShift, rows, true, arrow);
    DrawArrow(painter, w * 2 / 3 + bottomShift, h * 2 / 3 + rows / 2 + bottomShift, rows, false, arrow);
}

// ---------------------------------------------------------------------------
// TCustomSpinEdit

TCustomSpinEdit::TCustomSpinEdit(QWidget* parent) : QLineEdit(parent), button_(new TSpinButton(this))
{
    connect(button_, &TSpinButton::OnTopClick, this, &TCustomSpinEdit::StepUp);
    connect(button_, &TSpinButton::OnBottomClick, this, &TCustomSpinEdit::StepDown);
    // Every character must pass the filter, so none may arrive through an input method.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    UpdateMinimumHeight();
    PlaceButton();
}

void TCustomSpinEdit::SetReadOnly(bool readOnly)
{
    setReadOnly(readOnly);
    setAttribute(Qt::WA_InputMethodEnabled, false);  // setReadOnly turns it back on
}

void TCustomSpinEdit::SetEditorEnabled(bool enabled)
{
    editorEnabled_ = enabled;
    setAcceptDrops(enabled);  // a drop is a paste
}

void TCustomSpinEdit::Beep()
{
    QApplication::beep();
}

bool TCustomSpinEdit::AcceptsChar(QChar& key)
{
    if (!editorEnabled_)
        return IsControlChar(key) && key != kBackspace;
    // A decimal mark is typed either way: the key handler turns it into the system's separator.
    return IsControlChar(key) || (key >= u'0' && key <= u'9') || key == u'+' || key == u'-' || key == u'.' ||
           key == u',';
}

bool TCustomSpinEdit::HandleStepKey(int key)
{
    switch (key) {
    case Qt::Key_Up: StepUp(); return true;
    case Qt::Key_Down: StepDown(); return true;
    case Qt::Key_PageUp: PageUp(); return true;
    case Qt::Key_PageDown: PageDown(); return true;
    default: return false;
    }
}

bool TCustomSpinEdit::IsTextDeletion(const QKeyEvent* event) const
{
    return event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete ||
           event->matches(QKeySequence::DeleteEndOfWord) || event->matches(QKeySequence::DeleteStartOfWord) ||
           event->matches(QKeySequence::DeleteEndOfLine) || event->matches(QKeySequence::DeleteCompleteLine);
}

void TCustomSpinEdit::keyPressEvent(QKeyEvent* event)
{
    if (HandleStepKey(event->key())) {
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        PasteLimited(QClipboard::Clipboard);  // the clipboard's text is not filtered
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        if (ClipboardEditAllowed())
            QLineEdit::keyPressEvent(event);
        else
            event->accept();
        return;
    }
    if (!editorEnabled_ && IsTextDeletion(event)) {
        Beep();
        event->accept();
        return;
    }
    // Delete produces no character; keys without text (arrows, Home, End) go on as they are.
    const QString text = event->text();
    if (text.isEmpty() || event->key() == Qt::Key_Delete) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (const QChar typed : text)
        TypeCharacter(typed, event);
}

void TCustomSpinEdit::TypeCharacter(QChar typed, QKeyEvent* event)
{
    QChar key = typed;
    if (!AcceptsChar(key)) {
        Beep();
        event->accept();
        return;
    }
    KeyPress(key);
    if (key.isNull()) {
        event->accept();
        return;
    }
    if (key == kEnter || key == kEscape) {
        // Offered to the window as a dialog key; neither reaches the text.
        event->ignore();
        return;
    }
    if (!IsControlChar(key) && Room() < 1) {
        event->accept();
        return;
    }
    QKeyEvent character(event->type(), event->key(), event->modifiers(), QString(key), event->isAutoRepeat());
    QLineEdit::keyPressEvent(&character);
    event->setAccepted(character.isAccepted());
}

void TCustomSpinEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // Only entering the field selects: not a click into it, nor the window becoming active again.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::MouseFocusReason || reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
        (QApplication::mouseButtons() & Qt::LeftButton))
        return;
    if (autoSelect_)
        selectAll();
    else if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason)
        deselect();  // undo the line edit's own selection on Tab
}

int TCustomSpinEdit::Room() const
{
    if (maxLength_ == 0)
        return std::numeric_limits<int>::max();
    return maxLength_ - static_cast<int>(text().size() - selectedText().size());
}

void TCustomSpinEdit::PasteLimited(QClipboard::Mode mode)
{
    if (!ClipboardEditAllowed())
        return;
    const QString pasted = QGuiApplication::clipboard()->text(mode);
    insert(pasted.left(std::max(0, Room())));
}

QMenu* TCustomSpinEdit::CreateContextMenu()
{
    // The line edit leaves undo, cut, paste and delete out of a read-only field's menu.
    const bool readOnly = isReadOnly();
    SetReadOnly(!ClipboardEditAllowed());
    QMenu* menu = createStandardContextMenu();
    SetReadOnly(readOnly);
    // The line edit's own paste knows nothing of MaxLength. Its entry is found by the
    // text the line edit gives it, in whatever language is loaded.
    const QString pasteText = QCoreApplication::translate("QLineEdit", "&Paste");
    for (QAction* action : menu->actions()) {
        if (!action->text().startsWith(pasteText))
            continue;
        disconnect(action, &QAction::triggered, nullptr, nullptr);
        connect(action, &QAction::triggered, this, [this] { PasteLimited(QClipboard::Clipboard); });
    }
    return menu;
}

void TCustomSpinEdit::mouseReleaseEvent(QMouseEvent* event)
{
    // The middle button pastes the window system's selection: as any paste, only where
    // the clipboard may change the text, and within MaxLength.
    if (event->button() == Qt::MiddleButton) {
        if (ClipboardEditAllowed() && QGuiApplication::clipboard()->supportsSelection()) {
            deselect();
            PasteLimited(QClipboard::Selection);
        }
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}

void TCustomSpinEdit::dropEvent(QDropEvent* event)
{
    // A drop is a paste: refused where pasting is, and where the text would not fit.
    const QString dropped = event->mimeData()->text();
    if (!ClipboardEditAllowed() || (event->source() != this && dropped.size() > Room())) {
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void TCustomSpinEdit::contextMenuEvent(QContextMenuEvent* event)
{
    const std::unique_ptr<QMenu> menu(CreateContextMenu());
    menu->exec(event->globalPos());
}

void TCustomSpinEdit::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    PlaceButton();
}

void TCustomSpinEdit::changeEvent(QEvent* event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        UpdateMinimumHeight();
        PlaceButton();
    }
}

void TCustomSpinEdit::PlaceButton()
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const int border = option.lineWidth;
    const int side = std::max(0, height() - 2 * border);
    button_->setGeometry(width() - border - side, border, side, side);
    // The text area ends one pixel before the button.
    setTextMargins(0, 0, side + 1, 0);
}

void TCustomSpinEdit::UpdateMinimumHeight()
{
    // Character height, a quarter of the smaller of the system and field character
    // heights, and four border widths of the sunken single border.
    const int fieldHeight = fontMetrics().height();
    const int systemHeight = QFontMetrics(QApplication::font()).height();
    constexpr int kBorderWidth = 1;
    setMinimumHeight(fieldHeight + std::min(fieldHeight, systemHeight) / 4 + 4 * kBorderWidth);
}

// ---------------------------------------------------------------------------
// TDoubleSpinEdit

TDoubleSpinEdit::TDoubleSpinEdit(QWidget* parent) : TCustomSpinEdit(parent)
{
    SetValue(0);
}

std::optional<double> TDoubleSpinEdit::ReadText() const
{
    QString text = this->text();
    if (!suffix_.isEmpty()) {
        const qsizetype at = text.indexOf(suffix_);
        if (at >= 0)
            text.remove(at, suffix_.size());
    }
    text = text.trimmed();
    bool ok = false;
    const double value = NumberLocale().toDouble(text, &ok);
    if (text.isEmpty() || !ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

double TDoubleSpinEdit::Value()
{
    if (const std::optional<double> value = ReadText())
        return *value;
    SetValue(minValue_);
    return minValue_;
}

void TDoubleSpinEdit::SetValue(double x)
{
    setText(FormatValue(ConstrainValue(x)) + suffix_);
}

void TDoubleSpinEdit::SetMinValue(double m)
{
    if (m == minValue_ || (m >= maxValue_ && !loading_))
        return;
    minValue_ = m;
    if (Value() < m)
        SetValue(m);
}

void TDoubleSpinEdit::SetMaxValue(double m)
{
    if (m == maxValue_ || (m <= minValue_ && !loading_))
        return;
    maxValue_ = m;
    if (Value() > m)
        SetValue(m);
}

double TDoubleSpinEdit::ConstrainValue(double x) const
{
    if (maxValue_ == minValue_)
        return x;
    if (x < minValue_)
        return isCicle_ ? maxValue_ : minValue_;
    if (x > maxValue_)
        return isCicle_ ? minValue_ : maxValue_;
    return x;
}

QString TDoubleSpinEdit::FormatValue(double x) const
{
    const QLocale locale = NumberLocale();
    QString text = locale.toString(x, 'f', decimals_);
    if (!std::isfinite(x))
        return text;
    // The pattern has as many integer digits as the integer part has characters, the
    // minus sign included: a negative number gets a leading zero when its rounded
    // integer digits fall short of that (-5.5 gives -05.50, but -9.99999 gives -10.0000).
    const double integerPart = std::trunc(x);
    const qsizetype wantedDigits = QString::number(std::fabs(integerPart), 'f', 0).size() + (integerPart <= -1 ? 1 : 0);
    const qsizetype signLength = text.startsWith(locale.negativeSign()) ? locale.negativeSign().size() : 0;
    qsizetype integerEnd = text.indexOf(locale.decimalPoint());
    if (integerEnd < 0)
        integerEnd = text.size();
    const qsizetype digits = integerEnd - signLength;
    if (digits < wantedDigits)
        text.insert(signLength, QString(locale.zeroDigit()).repeated(wantedDigits - digits));
    return text;
}

void TDoubleSpinEdit::StepUp()
{
    if (ReadOnly())
        Beep();
    else
        SetValue(Value() + lineSize_);
}

void TDoubleSpinEdit::StepDown()
{
    if (ReadOnly())
        Beep();
    else
        SetValue(Value() - lineSize_);
}

void TDoubleSpinEdit::PageUp()
{
    if (!ReadOnly())
        SetValue(Value() + pageSize_);
}

void TDoubleSpinEdit::PageDown()
{
    if (!ReadOnly())
        SetValue(Value() - pageSize_);
}

void TDoubleSpinEdit::KeyPress(QChar& key)
{
    emit OnKeyPress(this, key);
}

void TDoubleSpinEdit::focusOutEvent(QFocusEvent* event)
{
    TCustomSpinEdit::focusOutEvent(event);
    // The window losing activation or a context menu opening is no leaving of the field.
    if (event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason)
        return;
    const double value = Value();
    if (ConstrainValue(value) != value)
        SetValue(value);
}

}  // namespace torv
