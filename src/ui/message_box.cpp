#include "ui/message_box.h"

#include <QMessageBox>

namespace torv {

Answer ShowMessageBox(QWidget* parent, const Message& message)
{
    QMessageBox box(parent);
    box.setWindowTitle(QString::fromStdString(message.caption));
    box.setText(QString::fromStdString(message.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (message.flags) {
    case MessageFlags::kOkPlain:
        box.setStandardButtons(QMessageBox::Ok);
        break;
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
    }
    box.setEscapeButton(box.standardButtons() & QMessageBox::Cancel ? QMessageBox::Cancel : QMessageBox::Ok);
    switch (box.exec()) {
    case QMessageBox::Retry:
        return Answer::Retry;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

}  // namespace torv
