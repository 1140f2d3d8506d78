// The main window driven like an operator, against the emulated adapter on a
// pseudo-terminal.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <map>

#include <sys/ioctl.h>

#include "event_loop.h"
#include "main_form_fixture.h"
#include "device/frequency_codec.h"
#include "device/parameters.h"
#include "emulator/adapter_emulator.h"
#include "exchange/exchange_texts.h"
#include "exchange/timing.h"
#include "serial/port_discovery.h"
#include "serial/tty_device.h"
#include "skin/sk_button.h"
#include "ui/controls/busy_indicator.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/radio_group.h"
#include "ui/controls/readout_panel.h"
#include "ui/controls/spin_edit.h"
#include "ui/main_form.h"
#include "ui/port_cause_text.h"
#include "ui/port_choice.h"
#include "ui/ui_texts.h"

namespace torv {
namespace {

using testing::RunUntil;

TEST_F(MainFormTest, StartState)
{
    Create();
    ASSERT_TRUE(form->Created());
    EXPECT_EQ(form->windowTitle(), QString::fromUtf8(ui_texts::kWindowCaption));
    EXPECT_EQ(ui.PnlDate->Caption(), "00.00.0000");
    EXPECT_EQ(ui.PnlSeria->Caption(), "00000000");
    EXPECT_EQ(ui.PnlVersia->Caption(), "0.00");
    EXPECT_EQ(ui.SpinEdit1->text(), "146.0000");
    EXPECT_EQ(ui.SpinEdit2->text(), "146.0000");
    EXPECT_FALSE(ui.CheckBox->isChecked());
    EXPECT_FALSE(ui.SpinEdit2->isEnabled());
    EXPECT_FALSE(ui.Label2->isEnabled());
    EXPECT_TRUE(ui.ReadButton->isEnabled());
    EXPECT_FALSE(ui.WriteButton->isEnabled());
    EXPECT_TRUE(ui.InfoPanel->isHidden());
    EXPECT_TRUE(ui.RGroupStepFreq->isHidden());
    EXPECT_FALSE(form->GridMode());
    EXPECT_EQ(form->width(), 398);
    EXPECT_EQ(form->height(), 210);
    EXPECT_EQ(form->KindCaption(), TKindCaption::kcSimple);
    // Children sit in the inner area below the caption strip; caption buttons at the right.
    EXPECT_EQ(ui.ReadButton->geometry(), QRect(137 + 5, 123 + 29, 73, 23));
    EXPECT_EQ(ui.SkClsBtn->geometry(), QRect(398 - 6 - 23, 5, 21, 21));
    EXPECT_EQ(ui.SkMinBtn->x(), 398 - 6 - 46);
    // A device under /dev is shown by its name there, as the system's ports are.
    EXPECT_EQ("/dev/" + ui.CommComboBox->Text().toStdString(), emulator->SlavePath());
    EXPECT_EQ(form->Exchange().PortDevicePath(), emulator->SlavePath());
    EXPECT_TRUE(messages.empty());

    // Write before the first read does nothing.
    form->WriteButtonClick(nullptr);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(emulator->Commands().empty());
}

TEST_F(MainFormTest, NoPortEndsTheProgramWithItsMessage)
{
    MainFormOptions options;
    options.sysfsRoot = emptySysfs.path().toStdString();
    options.messageBox = [this](QWidget*, const Message& message) {
        messages.push_back(message);
        return Answer::Ok;
    };
    TMainForm lonely(options);
    EXPECT_FALSE(lonely.Created());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "В системе нет свободных портов.\r\n   Приложение будет закрыто.   ");
    EXPECT_EQ(messages[0].caption, "Ошибка");
    EXPECT_EQ(messages[0].flags, MessageFlags::kOkError);
}

TEST_F(MainFormTest, ReadFillsPanelsFieldsAndGridControls)
{
    Create(Contents(14, {SynthMode::Grid, 440.025, 469.9875, true}));
    form->show();
    ASSERT_TRUE(Read());
    EXPECT_EQ(ui.PnlDate->Caption(), "12.03.2007");
    EXPECT_EQ(ui.PnlSeria->Caption(), "14071234");
    EXPECT_EQ(ui.PnlVersia->Caption(), "1.23");
    EXPECT_EQ(ui.SpinEdit1->text(), "440.0250");
    EXPECT_EQ(ui.SpinEdit2->text(), "469.9875");
    EXPECT_TRUE(ui.CheckBox->isChecked());
    EXPECT_TRUE(ui.SpinEdit2->isEnabled());
    EXPECT_TRUE(form->GridMode());
    EXPECT_TRUE(ui.RGroupStepFreq->isVisible());
    EXPECT_EQ(ui.RGroupStepFreq->ItemIndex(), 1);
    EXPECT_FALSE(ui.RGroupStepFreq->isEnabled());
    EXPECT_EQ(ui.SpinEdit1->MinValue(), 440);
    EXPECT_EQ(ui.SpinEdit1->MaxValue(), 470);
    EXPECT_TRUE(ui.StatusBar->currentMessage().endsWith(QString::fromUtf8("  -  Данные успешно считаны.")));
    EXPECT_TRUE(ui.InfoPanel->isHidden());
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainFormTest, WidthFollowsTheModeAndBoundsFollowTheBand)
{
    Create(Contents(15, {SynthMode::Grid, 400.0125, std::nullopt, false}));
    ASSERT_TRUE(Read());
    EXPECT_EQ(form->width(), 503);
    EXPECT_EQ(ui.SkClsBtn->x(), 503 - 6 - 23);
    EXPECT_EQ(ui.SpinEdit2->MinValue(), 400);
    emulator->SetContents(Contents(13, {SynthMode::Legacy, 150.0, 160.0, false}));
    ASSERT_TRUE(Read());
    EXPECT_EQ(form->width(), 398);
    EXPECT_TRUE(ui.RGroupStepFreq->isHidden());
    EXPECT_EQ(ui.SpinEdit1->MinValue(), 146);
    EXPECT_EQ(ui.SpinEdit2->MaxValue(), 174);
    EXPECT_EQ(ui.SpinEdit1->text(), "150.0000");
    EXPECT_EQ(ui.SpinEdit2->text(), "160.0000");
}

TEST_F(MainFormTest, WriteStoresWhatTheFieldsSay)
{
    Create();
    ASSERT_TRUE(Read());
    ui.SpinEdit1->setText("150.0000");
    ui.CheckBox->setChecked(true);
    form->CheckBoxClick(ui.CheckBox);
    ui.SpinEdit2->setText("173.9999");
    ASSERT_TRUE(Write());
    const ShownParameters stored = DecodeParameterBlock(emulator->StoredBlock(), 13);
    EXPECT_EQ(stored.firstHz, 150000000.0);
    EXPECT_EQ(stored.secondHz, 174000000.0);
    EXPECT_TRUE(stored.secondEnabled);
    // The field shows what the dividers really give.
    EXPECT_EQ(ui.SpinEdit2->text(), "174.0000");
    EXPECT_TRUE(ui.StatusBar->currentMessage().endsWith(QString::fromUtf8("Данные успешно обновлены.")));
}

TEST_F(MainFormTest, UnreadableFieldIsCorrectedAndOnlyTheNextWriteSendsIt)
{
    Create();
    ASSERT_TRUE(Read());
    const std::size_t commandsAfterRead = CommandCount();
    struct Case {
        const char* first;
        const char* second;  // nullptr: second frequency not ticked
    };
    // Empty, a sign alone, a comma where the point is the separator; in either field.
    const Case cases[] = {{"", nullptr}, {"-", nullptr}, {"150,5", nullptr}, {"150", ""}, {"150", "+"}};
    for (const Case& c : cases) {
        ui.SpinEdit1->setText(c.first);
        ui.CheckBox->setChecked(c.second != nullptr);
        form->CheckBoxClick(ui.CheckBox);
        if (c.second)
            ui.SpinEdit2->setText(c.second);
        form->WriteButtonClick(ui.WriteButton);
        EXPECT_EQ((c.second ? ui.SpinEdit2 : ui.SpinEdit1)->text(), "146.0000") << c.first;
        EXPECT_TRUE(ui.WriteButton->isEnabled());
        EXPECT_TRUE(ui.InfoPanel->isHidden());
    }
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(CommandCount(), commandsAfterRead);

    // The value now shown is written by the next press.
    ui.SpinEdit1->setText("-");
    ui.CheckBox->setChecked(false);
    form->WriteButtonClick(ui.WriteButton);
    ASSERT_TRUE(Write());
    EXPECT_EQ(ui.SpinEdit1->text(), "146.0000");
    EXPECT_EQ(DecodeParameterBlock(emulator->StoredBlock(), 13).firstHz, 146000000.0);
}

TEST_F(MainFormTest, GridWriteForcesTheWiderStepWithANotice)
{
    Create(Contents(13, {SynthMode::Grid, 146.0125, std::nullopt, false}));
    ASSERT_TRUE(Read());
    EXPECT_EQ(ui.RGroupStepFreq->ItemIndex(), 0);
    ui.SpinEdit1->setText("146.0126");
    ASSERT_TRUE(Write());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, "Будет выставлена сетка 25 кГц!");
    EXPECT_EQ(messages[0].caption, "Внимание!");
    EXPECT_EQ(messages[0].flags, MessageFlags::kOkPlain);
    EXPECT_EQ(ui.RGroupStepFreq->ItemIndex(), 1);
    EXPECT_EQ(emulator->StoredBlock()[0], 0x07);
    EXPECT_EQ(ui.SpinEdit1->text(), "146.0125");
}

TEST_F(MainFormTest, GridEditOptionLetsTheStepBeChosen)
{
    Create(Contents(13, {SynthMode::Grid, 146.0125, std::nullopt, false}), true);
    ASSERT_TRUE(Read());
    EXPECT_TRUE(ui.RGroupStepFreq->isEnabled());
    ASSERT_TRUE(Write());
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(emulator->StoredBlock()[0], 0x03);
}

TEST_F(MainFormTest, PortListIsReadAgainAtEachOpening)
{
    Create();
    const QString shown = ui.CommComboBox->Text();
    form->show();
    ui.CommComboBox->DropDown();
    EXPECT_EQ(ui.CommComboBox->Items(), QStringList{shown});
    ui.CommComboBox->CloseUp(false);

    // An adapter plugged in meanwhile, as sysfs then shows it.
    QDir(emptySysfs.path()).mkpath("class/tty/ttyUSB0/device");
    ui.CommComboBox->DropDown();
    EXPECT_TRUE(ui.CommComboBox->DroppedDown());
    EXPECT_EQ(ui.CommComboBox->Items(), (QStringList{shown, "ttyUSB0"}));
    EXPECT_EQ(ui.CommComboBox->Text(), shown);  // the shown port stays chosen
    ui.CommComboBox->CloseUp(false);
}

TEST_F(MainFormTest, RememberedPortIsChosenAtStart)
{
    RememberPort("ttyUSB9");
    Create(MakeContents(), false, {"ttyUSB9"});
    EXPECT_EQ(ui.CommComboBox->Text(), "ttyUSB9");

    // A successful read remembers its port; an absent remembered port leaves the first.
    ui.CommComboBox->SetItemIndex(0);
    ASSERT_TRUE(Read());
    EXPECT_EQ(RememberedPort(), ui.CommComboBox->Text());
    RememberPort("ttyUSB7");
    form.reset();
    Create();
    EXPECT_EQ(ui.CommComboBox->ItemIndex(), 0);
}

TEST_F(MainFormTest, ChangingThePortDisablesWrite)
{
    givePort = true;
    Create(MakeContents(), false, {"ttyUSB9"});
    ASSERT_TRUE(Read());
    EXPECT_TRUE(port->IsOpen());
    ui.CommComboBox->SetItemIndex(1);
    EXPECT_FALSE(ui.WriteButton->isEnabled());
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(form->Exchange().PortDevicePath(), "/dev/ttyUSB9");

    // The vanished port gives the port-busy message, and what was found under it.
    form->ReadButtonClick(nullptr);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              texts::PortBusy("/dev/ttyUSB9", "Устройство /dev/ttyUSB9 не найдено: проверьте адаптер и кабель.").text);
}

// A port another program holds names that program (here this test itself).
TEST_F(MainFormTest, ABusyPortNamesItsHolder)
{
    Create();
    int error = 0;
    const std::unique_ptr<tty::Device> holder = tty::OpenTerminal(emulator->SlavePath(), error);
    ASSERT_TRUE(holder) << error;
    EXPECT_FALSE(Read());
    ASSERT_EQ(messages.size(), 1u);
    QFile comm(QStringLiteral("/proc/self/comm"));
    ASSERT_TRUE(comm.open(QIODevice::ReadOnly));
    const std::string expected = "Порт открыт программой " + comm.readAll().trimmed().toStdString() + " (PID " +
                                 std::to_string(::getpid()) + ").";
    EXPECT_EQ(messages[0].text, texts::PortBusy(emulator->SlavePath(), expected).text);
}

// The line under the message for each cause found.
TEST(PortCauseText, SaysInRussianWhatWasFound)
{
    const auto diagnosis = [](PortFault fault) {
        PortDiagnosis found;
        found.fault = fault;
        found.devicePath = "/dev/ttyUSB0";
        found.group = "dialout";
        return found;
    };
    PortDiagnosis owner = diagnosis(PortFault::kNoPermission);
    owner.group.clear();
    owner.owner = "root";
    PortDiagnosis two = diagnosis(PortFault::kHeld);
    two.holders = {{101, "minicom"}, {202, "screen"}};
    const std::pair<PortDiagnosis, std::string> cases[] = {
        {diagnosis(PortFault::kUnknown), ""},
        {diagnosis(PortFault::kMissing), "Устройство /dev/ttyUSB0 не найдено: проверьте адаптер и кабель."},
        {diagnosis(PortFault::kHeld), "Порт открыт другой программой."},
        {two, "Порт открыт программами minicom (PID 101), screen (PID 202)."},
        {diagnosis(PortFault::kNoPermission),
         "Нет прав на порт: нужна группа dialout (sudo usermod -aG dialout $USER), затем войдите в систему заново."},
        {owner, "Нет прав на порт: он доступен только пользователю root."},
        {diagnosis(PortFault::kGroupNotActive),
         "Группа dialout уже назначена, но не действует в этом сеансе: войдите в систему заново."},
        {diagnosis(PortFault::kLineSettingsRefused), "Порт не принимает настройки линии 2400 бит/с, 8E1."},
        {diagnosis(PortFault::kNetwork), "Сервер портов недоступен или не поддерживает RFC 2217."},
    };
    for (const auto& [found, line] : cases)
        EXPECT_EQ(PortCauseText(found), line);
    // The message keeps its own lines first.
    EXPECT_EQ(texts::PortBusy("/dev/ttyUSB0", "x").text, texts::PortBusy("/dev/ttyUSB0").text + "\r\nx");
    EXPECT_EQ(texts::MessageName(texts::PortBusy("/dev/ttyUSB0", "x")), "port busy");
}

TEST_F(MainFormTest, TimeoutCancelledReturnsToIdleAndClosesThePort)
{
    givePort = true;
    Create();
    EmulatorFaults faults;
    faults.silent[AdapterCommand::InfoRequest] = kAlways;
    emulator->SetFaults(faults);
    form->ReadButtonClick(nullptr);
    EXPECT_FALSE(ui.InfoPanel->isHidden());  // the busy panel stands while the read waits
    EXPECT_FALSE(ui.ReadButton->isEnabled());
    EXPECT_FALSE(Write());
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, texts::kTransmitterNotResponding.text);
    EXPECT_TRUE(ui.InfoPanel->isHidden());
    EXPECT_TRUE(ui.ParamGroupBox->isEnabled());
    EXPECT_FALSE(ui.WriteButton->isEnabled());
    EXPECT_TRUE(port->IsOpen());  // closed by the port-close timer a moment later
    EXPECT_TRUE(RunUntil([&] { return !port->IsOpen(); }));
}

// The operator picks another port while the exchange pauses inside a port handler:
// the list and the port used agree, and the next Read goes to the port shown.
TEST_F(MainFormTest, PortChangeInsideEachPauseMovesTheNextReadToTheShownPort)
{
    struct Case {
        ProgrammingExchange::Stage stageBeforePause;
        int bytesNeeded;  // the bytes that complete the reply whose handler pauses
        const Message* prompt;
    };
    const Case cases[] = {
        {ProgrammingExchange::Stage::kIdentification, 7, &texts::kAdapterNotResponding},     // 200 ms before 0x61
        {ProgrammingExchange::Stage::kTypeSelection, 1, &texts::kTransmitterNotResponding},  // 1500 ms before 0x88 0x80
        {ProgrammingExchange::Stage::kInfoBlock, 8, &texts::kTransmitterNotResponding},      // 100 ms before 0xA0 0x10
    };
    givePort = true;
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.stageBeforePause));
        AdapterEmulator second(MakeContents());
        second.Start();
        Create(MakeContents(), false, {QString::fromStdString(second.SlavePath())});
        ui.CommComboBox->SetItemIndex(0);  // the first adapter, whatever was remembered
        EmulatorFaults exactWord;          // no text after the word, so the device-type reply comes alone
        exactWord.identification = {'Q', 'u', 'a', 's', 'a', 'r', '3'};
        emulator->SetFaults(exactWord);
        const std::function<void(TSioComm*, int)> handler = port->OnRxChar.Current();
        bool changedInsidePause = false;
        int bytesSeen = 0;  // in the stage before the pause, however the line cut them up
        QObject scope;
        port->OnRxChar.Connect(&scope, [&](TSioComm* sender, int count) {
            const bool inStage = form->Exchange().StageNow() == c.stageBeforePause;
            bytesSeen += inStage ? count : 0;
            if (!changedInsidePause && inStage && bytesSeen >= c.bytesNeeded) {
                // A posted call runs at the pause's first pass through the event loop.
                QMetaObject::invokeMethod(
                    form.get(),
                    [&] {
                        const QString name = QString::fromStdString(PortNameOf(second.SlavePath()));
                        ui.CommComboBox->SetItemIndex(static_cast<int>(ui.CommComboBox->Items().indexOf(name)));
                        changedInsidePause = port->IsOpen();
                    },
                    Qt::QueuedConnection);
            }
            handler(sender, count);
        });
        EXPECT_FALSE(Read());
        EXPECT_TRUE(changedInsidePause);
        ASSERT_EQ(messages.size(), 1u);  // the time-out prompt, and no error text
        EXPECT_EQ(messages[0].text, c.prompt->text);

        const std::size_t heardByFirst = CommandCount();
        EXPECT_EQ(ui.CommComboBox->Text().toStdString(), PortNameOf(second.SlavePath()));
        EXPECT_EQ(form->Exchange().PortDevicePath(), second.SlavePath());
        // The abort's port-close tick is let pass: it would close the port a quick Read opens.
        ASSERT_TRUE(RunUntil([&] { return !form->Exchange().PortCloseTimerArmed(); }));
        EXPECT_TRUE(Read());
        EXPECT_EQ(CommandCount(), heardByFirst);
        EXPECT_FALSE(second.Commands().empty());
        messages.clear();
        form.reset();
    }
}

// A real terminal whose CTS line a test holds off, as a slow or stopped line does.
class CtsHeldDevice : public tty::Device {
public:
    CtsHeldDevice(std::unique_ptr<tty::Device> device, const bool& ctsOff) : device_(std::move(device)), ctsOff_(ctsOff)
    {
    }
    int Handle() const override { return device_->Handle(); }
    int GetAttributes(tty::TermiosWords& words) override { return device_->GetAttributes(words); }
    int SetAttributes(const tty::TermiosWords& words) override { return device_->SetAttributes(words); }
    std::optional<int> ModemStatus() override { return ctsOff_ ? 0 : TIOCM_CTS | TIOCM_DSR; }
    int SetModemLines(int lines, bool on) override { return device_->SetModemLines(lines, on); }
    int WaitModemChange(int lines) override { return device_->WaitModemChange(lines); }
    void InterruptModemWait(pthread_t waiter) override { device_->InterruptModemWait(waiter); }
    std::optional<tty::LineCounters> Counters() override { return device_->Counters(); }
    int OutputQueue(int& count) override { return device_->OutputQueue(count); }
    int Purge() override { return device_->Purge(); }
    long Read(void* buffer, std::size_t count) override { return device_->Read(buffer, count); }
    long Write(const void* data, std::size_t count) override { return device_->Write(data, count); }

private:
    std::unique_ptr<tty::Device> device_;
    const bool& ctsOff_;
};

// Counts the paint events a widget has received.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
    int paints = 0;
};

TEST_F(MainFormTest, BusyPanelIsPaintedWholeBeforeAWriteBlocks)
{
    givePort = true;
    Create();
    bool ctsOff = false;
    port->SetDeviceOpener([&](const std::string& path, int& error) -> std::unique_ptr<tty::Device> {
        std::unique_ptr<tty::Device> device = tty::OpenTerminal(path, error);
        return device ? std::make_unique<CtsHeldDevice>(std::move(device), ctsOff) : nullptr;
    });
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_TRUE(Read());
    ASSERT_TRUE(RunUntil([&] { return !ui.InfoPanel->isVisible(); }));

    PaintCounter panel(ui.InfoPanel);
    PaintCounter label(ui.InfoPanel->Label());
    int panelPaintsAtFirstWait = -1;
    int labelPaintsAtFirstWait = -1;
    const std::function<void(TSioComm*)> repaintBar = port->OnWriteWait.Current();
    QObject scope;
    port->OnWriteWait.Connect(&scope, [&](TSioComm* sender) {
        if (panelPaintsAtFirstWait < 0) {
            panelPaintsAtFirstWait = panel.paints;
            labelPaintsAtFirstWait = label.paints;
        }
        repaintBar(sender);
    });
    ctsOff = true;  // the write is held until the line's time-out
    form->WriteButtonClick(ui.WriteButton);
    EXPECT_GE(panelPaintsAtFirstWait, 1);
    EXPECT_GE(labelPaintsAtFirstWait, 1);
}

// Delivers registered hot keys on demand, as a desktop would.
class ScriptedHotKeys : public THotKeyBackEnd {
public:
    bool Register(int id, const THotKeyCombination& combination, std::function<void()> pressed) override
    {
        keys[id] = {combination, std::move(pressed)};
        return true;
    }
    void Unregister(int id) override { keys.erase(id); }
    void Press(TShortCut shortCut)
    {
        for (auto& [id, key] : keys)
            if (key.first == SplitShortCut(shortCut, false))
                key.second();
    }
    std::map<int, std::pair<THotKeyCombination, std::function<void()>>> keys;
};

TEST_F(MainFormTest, HotKeysReachTheHandlersOnlyWhileTheirButtonIsEnabled)
{
    ScriptedHotKeys hotKeys;
    Create(MakeContents(), false, {}, &hotKeys);
    ASSERT_EQ(hotKeys.keys.size(), 2u);
    hotKeys.Press(16471);  // Ctrl+W before the first read: nothing
    EXPECT_TRUE(emulator->Commands().empty());

    hotKeys.Press(16466);  // Ctrl+R starts a read
    EXPECT_FALSE(ui.ReadButton->isEnabled());
    const std::size_t started = CommandCount();
    hotKeys.Press(16466);  // while it runs: nothing
    EXPECT_TRUE(WaitIdle());
    const std::vector<ReceivedCommand> commands = emulator->Commands();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const ReceivedCommand& c) { return c.command == AdapterCommand::Identify; }),
              1);
    EXPECT_GE(commands.size(), started);

    hotKeys.Press(16471);  // Ctrl+W now writes
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(emulator->Commands().back().command, AdapterCommand::ParamRequest);
    EXPECT_TRUE(ui.StatusBar->currentMessage().endsWith(QString::fromUtf8("Данные успешно обновлены.")));

    form.reset();
    EXPECT_TRUE(hotKeys.keys.empty());  // unregistered with the window
}

TEST_F(MainFormTest, LocalHotKeysActOnlyWhileTheWindowIsActive)
{
    ScriptedHotKeys desktop;
    localHotKeys = true;
    Create(MakeContents(), false, {}, &desktop);
    EXPECT_TRUE(desktop.keys.empty());  // nothing taken from the desktop
    EXPECT_TRUE(ui.ReadHotKey->Active());
    form->show();
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_TRUE(ui.ReadButton->isEnabled());
    EXPECT_TRUE(emulator->Commands().empty());

    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(ui.SpinEdit1, Qt::Key_R, Qt::ControlModifier);
    EXPECT_FALSE(ui.ReadButton->isEnabled());
    EXPECT_TRUE(WaitIdle());
    QTest::keyClick(form.get(), Qt::Key_W, Qt::ControlModifier);
    EXPECT_TRUE(WaitIdle());
    EXPECT_EQ(emulator->Commands().back().command, AdapterCommand::ParamRequest);
}

TEST_F(MainFormTest, PointTypesTheLocalesSeparator)
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Create();
    ASSERT_TRUE(Read());
    EXPECT_EQ(ui.SpinEdit1->text(), "146,0000");
    ui.SpinEdit1->selectAll();
    QTest::keyClicks(ui.SpinEdit1, "150.5");
    EXPECT_EQ(ui.SpinEdit1->text(), "150,5");
    EXPECT_EQ(ui.SpinEdit1->Value(), 150.5);
    ASSERT_TRUE(Write());
    EXPECT_EQ(ui.SpinEdit1->text(), "150,5000");
}

}  // namespace
}  // namespace torv
