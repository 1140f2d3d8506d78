#pragma once
// torvctl run in-process against the emulated adapter: its exit code and both outputs.

#include <gtest/gtest.h>

#include <grp.h>
#include <unistd.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/dispatch.h"
#include "cli/terminal_host.h"
#include "emulator/adapter_emulator.h"
#include "exchange/timing.h"
#include "journal/journal.h"

namespace torv::cli {

struct Outcome {
    int code;
    std::string out;
    std::string err;

    // Standard output as the one JSON object it must be.
    QJsonObject Json() const
    {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(out), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << out;
        EXPECT_TRUE(document.isObject()) << out;
        EXPECT_EQ(document.object().value("exitCode").toInt(-1), code) << out;
        return document.object();
    }
};

class ExchangeCommandsTest : public ::testing::Test {
protected:
    // The demo line is paced at 2400 bit/s: a 500 ms response time-out leaves room for a
    // written block (34 bytes) and its read-back (32 bytes) on the line.
    ExchangeCommandsTest()
    {
        timing::SetDivisorForTesting(10);
        qputenv("TORV_JOURNAL", journalDir_.filePath("journal.sqlite").toUtf8());
    }
    ~ExchangeCommandsTest() override { timing::SetDivisorForTesting(1); }

    // torvctl with its command line; terminalAnswers, when given, are typed on a terminal.
    static Outcome Run(std::vector<std::string> words, const std::optional<std::string>& terminalAnswers = {})
    {
        std::ostringstream out, err;
        std::istringstream answers(terminalAnswers.value_or(""));
        const int code = RunTorvctl(words, Console{out, err, terminalAnswers ? &answers : nullptr});
        return {code, out.str(), err.str()};
    }

    // An emulated adapter with these faults; the --port option that reaches it.
    std::string Line(const EmulatorFaults& faults = {}, const TransmitterContents& contents = MakeContents())
    {
        emulator_ = std::make_unique<AdapterEmulator>(contents);
        emulator_->SetFaults(faults);
        emulator_->Start();
        stored_ = emulator_->StoredBlock();
        return "--port=" + emulator_->SlavePath();
    }

    // The journal of this test, newest row first.
    static std::vector<JournalEntry> Rows()
    {
        return Journal(Journal::DefaultPath()).Find({}).value_or(std::vector<JournalEntry>{});
    }

    bool SawCommand(AdapterCommand wanted) const
    {
        for (const ReceivedCommand& command : emulator_->Commands()) {
            if (command.command == wanted)
                return true;
        }
        return false;
    }

    QTemporaryDir journalDir_;
    std::unique_ptr<AdapterEmulator> emulator_;
    ParameterBlock stored_{};
};

// The user the tests run torvctl as when they need another user than this one (root).
constexpr uid_t kNobody = 65534;
constexpr int kChildNotPrepared = 99;

// In the child before torvctl starts: become user 65534.
inline void BecomeNobody()
{
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        ::_exit(kChildNotPrepared);
}

// This process's environment, with torvctl's language chosen by LANG alone.
inline QProcessEnvironment EnvironmentWithLanguage(const QString& lang)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.insert(QStringLiteral("LANG"), lang);
    return environment;
}

// torvctl as a program of its own, with this process's environment (in English unless
// told otherwise), prepared in the child before it starts; code -1 when it was ended by
// a signal, nothing when it could not be started or prepared.
inline std::optional<Outcome> RunTorvctlProgram(
    const std::vector<std::string>& words, const std::function<void()>& prepare,
    const QProcessEnvironment& environment = EnvironmentWithLanguage(QStringLiteral("C")))
{
    QProcess torvctl;
    torvctl.setProcessEnvironment(environment);
    torvctl.setChildProcessModifier(prepare);
    QStringList arguments;
    for (const std::string& word : words)
        arguments << QString::fromStdString(word);
    torvctl.start(QStringLiteral(TORVCTL_PATH), arguments);
    if (!torvctl.waitForStarted(30000) || !torvctl.waitForFinished(60000))
        return std::nullopt;
    const bool normal = torvctl.exitStatus() == QProcess::NormalExit;
    if (normal && torvctl.exitCode() == kChildNotPrepared)
        return std::nullopt;
    return Outcome{normal ? torvctl.exitCode() : -1, torvctl.readAllStandardOutput().toStdString(),
                   torvctl.readAllStandardError().toStdString()};
}

// Parameter replies whose record 1 fails its CRC: the first five (all the read's tries,
// so that the damaged-data prompt follows) or all.
inline EmulatorFaults DamagedRecord1(int count = 5)
{
    EmulatorFaults faults;
    faults.badCrcCount = count;
    return faults;
}

}  // namespace torv::cli
