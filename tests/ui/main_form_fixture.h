#pragma once
// The main window driven like an operator, against the emulated adapter on a
// pseudo-terminal, its message boxes answered by script.

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "emulator/adapter_emulator.h"
#include "event_loop.h"
#include "exchange/timing.h"
#include "serial/sio_comm.h"
#include "skin/sk_button.h"
#include "skin/sk_sys_btn.h"
#include "ui/controls/busy_indicator.h"
#include "ui/controls/drop_combo.h"
#include "ui/controls/radio_group.h"
#include "ui/controls/readout_panel.h"
#include "ui/controls/spin_edit.h"
#include "ui/main_form.h"
#include "ui/shell/app_hot_key.h"

namespace torv {

using testing::RunUntil;

inline TransmitterContents Contents(std::uint8_t type, ChannelPlan plan)
{
    TransmitterIdentity identity;
    identity.deviceType = type;
    return MakeContents(identity, plan);
}

// The window's controls, menu items and hot keys, found by their object names.
struct MainFormControls {
    MainFormControls() = default;
    explicit MainFormControls(const TMainForm& form)
    {
        const auto find = [&form]<typename T>(T*& object, const char* name) {
            object = form.findChild<T*>(QLatin1String(name));
            EXPECT_NE(object, nullptr) << name;
        };
        find(PnlDate, "PnlDate");
        find(PnlSeria, "PnlSeria");
        find(PnlVersia, "PnlVersia");
        find(ParamGroupBox, "ParamGroupBox");
        find(CheckBox, "CheckBox");
        find(Label2, "Label2");
        find(SpinEdit1, "SpinEdit1");
        find(SpinEdit2, "SpinEdit2");
        find(CommComboBox, "CommComboBox");
        find(ReadButton, "ReadButton");
        find(WriteButton, "WriteButton");
        find(CloseButton, "CloseButton");
        find(InfoPanel, "InfoPanel");
        find(StatusBar, "StatusBar");
        find(RGroupStepFreq, "RGroupStepFreq");
        find(SkMinBtn, "SkMinBtn");
        find(SkClsBtn, "SkClsBtn");
        find(JournalItem, "JournalItem");
        find(RestoreItem, "RestoreItem");
        find(ReadHotKey, "ReadHotKey");
        find(WriteHotKey, "WriteHotKey");
    }

    TReadoutPanel* PnlDate = nullptr;
    TReadoutPanel* PnlSeria = nullptr;
    TReadoutPanel* PnlVersia = nullptr;
    QGroupBox* ParamGroupBox = nullptr;
    QCheckBox* CheckBox = nullptr;
    QLabel* Label2 = nullptr;
    TDoubleSpinEdit* SpinEdit1 = nullptr;
    TDoubleSpinEdit* SpinEdit2 = nullptr;
    TDropCombo* CommComboBox = nullptr;
    TSkButton* ReadButton = nullptr;
    TSkButton* WriteButton = nullptr;
    TSkButton* CloseButton = nullptr;
    TBusyPanel* InfoPanel = nullptr;
    QStatusBar* StatusBar = nullptr;
    TRadioGroup* RGroupStepFreq = nullptr;
    TSkSysBtn* SkMinBtn = nullptr;
    TSkSysBtn* SkClsBtn = nullptr;
    QAction* JournalItem = nullptr;
    QAction* RestoreItem = nullptr;
    TAppHotKey* ReadHotKey = nullptr;
    TAppHotKey* WriteHotKey = nullptr;
};

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() { timing::SetDivisorForTesting(20); }
    ~MainFormTest() override
    {
        form.reset();
        timing::SetDivisorForTesting(1);
        QLocale::setDefault(QLocale::c());
    }

    void Create(const TransmitterContents& contents = MakeContents(), bool gridEditEnabled = false,
                QStringList morePorts = {}, THotKeyBackEnd* hotKeys = nullptr)
    {
        emulator = std::make_unique<AdapterEmulator>(contents);
        emulator->Start();
        MainFormOptions options;
        options.gridEditEnabled = gridEditEnabled;
        options.hotKeyBackEnd = hotKeys;
        options.localHotKeys = localHotKeys;
        options.journalPath = journalPath;
        options.extraPorts = QStringList{QString::fromStdString(emulator->SlavePath())} + morePorts;
        if (demo)
            options.demoPort = QString::fromStdString(emulator->SlavePath());
        options.sysfsRoot = emptySysfs.path().toStdString();
        options.devRoot = emptySysfs.path().toStdString();
        options.messageBox = [this](QWidget*, const Message& message) {
            messages.push_back(message);
            if (answers.empty())
                return Answer::Cancel;
            const Answer answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        };
        if (givePort) {
            form.reset();  // the window goes before the port it was given
            port = std::make_unique<TSioComm>();
            options.port = port.get();
        }
        form = std::make_unique<TMainForm>(options);
        ui = MainFormControls(*form);
    }

    bool Read()
    {
        form->ReadButtonClick(ui.ReadButton);
        return WaitIdle();
    }

    bool Write()
    {
        form->WriteButtonClick(ui.WriteButton);
        return WaitIdle();
    }

    // True when the exchange ended with Write enabled (success).
    bool WaitIdle()
    {
        EXPECT_TRUE(RunUntil([&] { return ui.ReadButton->isEnabled(); }));
        return ui.WriteButton->isEnabled();
    }

    std::size_t CommandCount() const { return emulator->Commands().size(); }

    bool localHotKeys = false;
    bool demo = false;        // the emulator is offered as the built-in demo line
    bool givePort = false;    // the window drives the test's port, not a port of its own
    std::string journalPath;  // empty: nothing is recorded
    QTemporaryDir emptySysfs;
    std::unique_ptr<AdapterEmulator> emulator;
    std::unique_ptr<TSioComm> port;  // what the window was given, with givePort
    std::unique_ptr<TMainForm> form;
    MainFormControls ui;
    std::vector<Message> messages;
    std::vector<Answer> answers;
};

}  // namespace torv
