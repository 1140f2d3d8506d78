#include "ui/message_box.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QScreen>
#include <QTimer>

namespace torv {
namespace {

// The buttons' texts, Russian whether Qt's own translation is loaded or not.
void SetButtonTexts(QMessageBox& box)
{
    const struct {
        QMessageBox::StandardButton button;
        const char* text;
    } texts[] = {{QMessageBox::Ok, "ОК"}, {QMessageBox::Retry, "Повторить"}, {QMessageBox::Cancel, "Отмена"}};
    for (const auto& entry : texts)
        if (QAbstractButton* button = box.button(entry.button))
            button->setText(QString::fromUtf8(entry.text));
}

}  // namespace

Answer ShowMessageBox(QWidget* parent, const Message& message)
{
    // A parent not on screen (the window before it is first shown) would place the box
    // at its corner: the box is then centred on the screen instead.
    QMessageBox box(parent != nullptr && parent->isVisible() ? parent : nullptr);
    box.setWindowTitle(QString::fromStdString(message.caption));
    box.setText(QString::fromStdString(message.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (message.flags) {
    case MessageFlags::kOkPlain: box.setStandardButtons(QMessageBox::Ok); break;
    case MessageFlags::kOkError:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageFlags::kRetryCancelError:
        box.setIcon(QMessageBox::Critical);
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    case MessageFlags::kRetryCancelWarning:
        box.setIcon(QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        break;
    case MessageFlags::kOkCancelQuestion:
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Cancel);
        break;
    }
    SetButtonTexts(box);
    if (!box.parentWidget()) {
        // The box's size is settled only once it is shown: centre it then.
        QTimer::singleShot(0, &box, [&box] {
            if (const QScreen* screen = box.screen())
                box.move(screen->availableGeometry().center() - box.rect().center());
        });
    }
    box.setEscapeButton(box.standardButtons() & QMessageBox::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Retry: return Answer::Retry;
    case QMessageBox::Ok: return Answer::Ok;
    default: return Answer::Cancel;
    }
}

}  // namespace torv
