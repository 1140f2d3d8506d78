// TMainForm's window menu items: the history of the unit last read, and writing a block
// from its journal back (the frequencies before the last verified write, or a row's).
#include <QAction>
#include <QKeySequence>

#include "device/frequency_codec.h"
#include "device/info_text.h"
#include "device/parameters.h"
#include "exchange/write_preparation.h"
#include "journal/unit_history.h"
#include "serial/port_discovery.h"
#include "skin/sk_button.h"
#include "ui/controls/drop_combo.h"
#include "ui/main_form.h"
#include "ui/unit_history_dialog.h"

namespace torv {
namespace {

Message Notice(const QString& text)
{
    return Message{text.toStdString(), "Внимание!", MessageFlags::kOkPlain};
}

Message Error(const QString& text)
{
    return Message{text.toStdString(), "Ошибка", MessageFlags::kOkError};
}

}  // namespace

void TMainForm::CreateWindowMenuItems()
{
    // Local keys, also while the menu is closed; not Ctrl+Z, which the frequency fields take.
    JournalItem = new QAction(QStringLiteral("Журнал устройства…"), this);
    JournalItem->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_J));
    RestoreItem = new QAction(QStringLiteral("Вернуть прежние частоты…"), this);
    RestoreItem->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Z));
    for (QAction* item : {JournalItem, RestoreItem}) {
        item->setShortcutContext(Qt::WindowShortcut);
        addAction(item);
    }
    connect(JournalItem, &QAction::triggered, this, [this] { JournalItemClick(JournalItem); });
    connect(RestoreItem, &QAction::triggered, this, [this] { RestoreItemClick(RestoreItem); });
    SetWindowMenuItems({JournalItem, RestoreItem});
}

std::string TMainForm::ChosenPortPath() const
{
    const int index = CommComboBox->ItemIndex();
    if (index >= 0 && index < portPaths_.size())
        return portPaths_[index].toStdString();
    return PortDevicePath(CommComboBox->Text().toStdString());
}

bool TMainForm::DemoPortChosen() const
{
    return !options_.demoPort.isEmpty() &&
           ChosenPortPath() == PortDevicePath(PortNameOf(options_.demoPort.toStdString()));
}

std::optional<std::vector<JournalEntry>> TMainForm::UnitRows()
{
    if (!unitRead_) {
        ShowMessage(Notice(QStringLiteral("Сначала считайте передатчик:\r\nжурнал показывается для считанного.")));
        return std::nullopt;
    }
    if (options_.journalPath.empty()) {
        ShowMessage(Notice(QStringLiteral("Журнал отключён (--no-journal).")));
        return std::nullopt;
    }
    Journal journal(options_.journalPath, JournalAccess::ReadOnly);
    JournalQuery query{.serial = SerialText(exchange_.Info())};
    query.demo = DemoPortChosen();  // the built-in unit's record and a real unit's stay apart
    std::optional<std::vector<JournalEntry>> rows = journal.IsOpen() ? journal.Find(query) : std::nullopt;
    if (!rows)
        ShowMessage(Error(QStringLiteral("Журнал недоступен:\r\n") + QString::fromStdString(journal.Error())));
    return rows;
}

void TMainForm::JournalItemClick(QObject*)
{
    if (!ReadButton->isEnabled())
        return;  // the key reaches this handler in any state
    const std::optional<std::vector<JournalEntry>> rows = UnitRows();
    if (!rows)
        return;
    const std::string serial = SerialText(exchange_.Info());
    TUnitHistoryDialog dialog(serial, *rows, DecimalSeparator(), this);
    if (dialog.exec() == QDialog::Accepted && dialog.Chosen())
        StartWriteBack({serial, *dialog.Chosen()});
}

void TMainForm::RestoreItemClick(QObject*)
{
    if (!ReadButton->isEnabled())
        return;
    const std::optional<std::vector<JournalEntry>> rows = UnitRows();
    if (!rows)
        return;
    const std::string serial = SerialText(exchange_.Info());
    const std::optional<JournalEntry> write = LastVerifiedWrite(*rows);
    if (!write) {
        ShowMessage(Notice(QStringLiteral("В журнале нет проверенной записи передатчика № %1,\r\n"
                                          "до которой можно вернуться.")
                               .arg(QString::fromStdString(serial))));
        return;
    }
    StartWriteBack({serial, *BlockFromHex(write->blockReadHex)});
}

void TMainForm::StartWriteBack(const WriteBack& writeBack)
{
    if (!ReadButton->isEnabled())
        return;
    // Read first: the unit connected now is the one compared and written.
    pendingWriteBack_ = writeBack;
    ReadButtonClick(ReadButton);
}

void TMainForm::ContinueWriteBack(const WriteBack& writeBack)
{
    if (!WriteButton->isEnabled())
        return;  // something else began since the read ended
    const std::string connected = SerialText(exchange_.Info());
    if (connected != writeBack.serial) {
        ShowMessage(Error(QStringLiteral("Подключён передатчик № %1, а частоты взяты из журнала № %2.\r\n"
                                         "Ничего не записано.")
                              .arg(QString::fromStdString(connected), QString::fromStdString(writeBack.serial))));
        journal_.Refused("wrong-unit: the connected unit is " + connected + ", not " + writeBack.serial, "restore");
        return;
    }
    const QString separator = DecimalSeparator();
    WriteRequest request = RequestToWriteBack(writeBack.block, exchange_.Info(), exchange_.Block(), true);
    request.decimalSeparator = separator.toStdString();
    for (FrequencyEntry* entry : {&request.first, &request.second})
        entry->text = QString::fromStdString(entry->text).replace(QLatin1Char('.'), separator).toStdString();
    const WritePlan plan = PrepareWrite(request);
    if (plan.refusal) {
        RefuseWrite(*plan.refusal, "restore");
        return;
    }
    const std::uint8_t type = InfoBlockView(exchange_.Info()).DeviceType();
    const ShownParameters before = DecodeParameterBlock(exchange_.Block(), type);
    const ShownParameters after = DecodeParameterBlock(plan.block, type);
    const auto mhz = [&separator](const std::optional<double>& hz) {
        return hz ? QString::fromStdString(FormatMHz(*hz, separator.toStdString())) : QStringLiteral("—");
    };
    const auto second = [&mhz](const ShownParameters& shown) {
        return shown.secondEnabled ? mhz(shown.secondHz) + QStringLiteral(" МГц") : QStringLiteral("выключена");
    };
    const auto grid = [](const ShownParameters& shown) {
        return shown.grid25kHz ? QStringLiteral("25 кГц") : QStringLiteral("12,5 кГц");
    };
    QString text = QStringLiteral("Передатчик № %1: до → после\r\n").arg(QString::fromStdString(connected)) +
                   QStringLiteral("Частота №1: %1 → %2 МГц\r\n").arg(mhz(before.firstHz), mhz(after.firstHz)) +
                   QStringLiteral("Частота №2: %1 → %2\r\n").arg(second(before), second(after));
    if (after.gridMode)
        text += QStringLiteral("Сетка: %1 → %2\r\n").arg(grid(before), grid(after));
    text += QStringLiteral("\r\nЗаписать и проверить чтением?");
    if (ShowMessage(Message{text.toStdString(), "Внимание!", MessageFlags::kOkCancelQuestion}) != Answer::Ok) {
        journal_.Refused("declined: not confirmed", "restore");
        return;
    }
    SetControlState(ControlState::Busy);
    StartCheckedWrite(plan.block, "restore");
}

}  // namespace torv
