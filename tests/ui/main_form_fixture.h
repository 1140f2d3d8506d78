#pragma once
// The main window driven like an operator, against the emulated adapter on a
// pseudo-terminal, its message boxes answered by script.

#include <gtest/gtest.h>

#include <QLocale>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "emulator/adapter_emulator.h"
#include "event_loop.h"
#include "exchange/timing.h"
#include "skin/sk_button.h"
#include "ui/main_form.h"

namespace torv {

using testing::RunUntil;

inline TransmitterContents Contents(std::uint8_t type, ChannelPlan plan)
{
    TransmitterIdentity identity;
    identity.deviceType = type;
    return MakeContents(identity, plan);
}

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
        form = std::make_unique<TMainForm>(options);
    }

    bool Read()
    {
        form->ReadButtonClick(form->ReadButton);
        return WaitIdle();
    }

    bool Write()
    {
        form->WriteButtonClick(form->WriteButton);
        return WaitIdle();
    }

    // True when the exchange ended with Write enabled (success).
    bool WaitIdle()
    {
        EXPECT_TRUE(RunUntil([&] { return form->ReadButton->isEnabled(); }));
        return form->WriteButton->isEnabled();
    }

    std::size_t CommandCount() const { return emulator->Commands().size(); }

    bool localHotKeys = false;
    bool demo = false;        // the emulator is offered as the built-in demo line
    std::string journalPath;  // empty: nothing is recorded
    QTemporaryDir emptySysfs;
    std::unique_ptr<AdapterEmulator> emulator;
    std::unique_ptr<TMainForm> form;
    std::vector<Message> messages;
    std::vector<Answer> answers;
};

}  // namespace torv
