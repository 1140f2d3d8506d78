// The guard is tested with real processes: this test binary runs itself again with
// one of the OneInstanceChild tests (disabled in normal runs) as the other copy.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include "event_loop.h"
#include "ui/one_instance.h"

namespace torv {
namespace {

constexpr char kGuardPathVariable[] = "TORV_TEST_GUARD_PATH";
constexpr char kReadyLine[] = "FIRST-COPY-READY";
constexpr int kChildTimeoutMs = 30000;

// A made-up executable path, unique to this test run, so that parallel runs of the
// suite do not see each other.
QString GuardPath()
{
    return QDir::tempPath() + QStringLiteral("/first-dir/torv-guard-test-%1").arg(QCoreApplication::applicationPid());
}

// The same file name in another directory and another letter case.
QString SameNameElsewhere(const QString& path)
{
    return QStringLiteral("/another/dir/") + QFileInfo(path).fileName().toUpper();
}

std::unique_ptr<QProcess> StartChild(const QString& test, const QString& guardPath)
{
    auto child = std::make_unique<QProcess>();
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kGuardPathVariable), guardPath);
    child->setProcessEnvironment(environment);
    child->setProcessChannelMode(QProcess::MergedChannels);
    child->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_also_run_disabled_tests"),
                  QStringLiteral("--gtest_filter=OneInstanceChild.DISABLED_") + test});
    return child;
}

// Keeps this copy's event loop running (so that it answers) until the child ends.
bool ServeUntilFinished(QProcess& child)
{
    return testing::RunUntil([&] { return child.state() == QProcess::NotRunning; }, kChildTimeoutMs);
}

bool WaitForLine(QProcess& child, const char* line, QByteArray& output)
{
    QElapsedTimer clock;
    clock.start();
    while (!output.contains(line) && clock.elapsed() < kChildTimeoutMs) {
        child.waitForReadyRead(100);
        output += child.readAll();
        if (child.state() == QProcess::NotRunning)
            break;
    }
    return output.contains(line);
}

TEST(OneInstance, RecordNameIsTheUpperCaseFileName)
{
    EXPECT_EQ(TOneInstance::RecordName(QStringLiteral("/usr/bin/torv-programmer")), QStringLiteral("TORV-PROGRAMMER"));
    EXPECT_EQ(TOneInstance::RecordName(QString::fromUtf8("/opt/Программатор")), QString::fromUtf8("ПРОГРАММАТОР"));
    EXPECT_EQ(TOneInstance::RecordName(QStringLiteral("relative/Prog.bin")), QStringLiteral("PROG.BIN"));
}

TEST(OneInstance, SecondCopyBringsTheFirstForwardAndEnds)
{
    const QString path = GuardPath();
    TOneInstance first(path);
    ASSERT_FALSE(first.OtherCopyRunning());
    EXPECT_FALSE(first.Test());
    QWidget window;
    window.showMinimized();
    int served = 0;
    QObject::connect(&first, &TOneInstance::ActivationServed, [&] { ++served; });
    first.ServeActivation(&window);

    const std::unique_ptr<QProcess> child = StartChild(QStringLiteral("SecondCopy"), path);
    ASSERT_TRUE(ServeUntilFinished(*child));
    const QByteArray output = child->readAll();
    EXPECT_EQ(child->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(child->exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
    // The child asks twice (default message, activate only); its custom handler and
    // its disabled guard do not ask.
    EXPECT_EQ(served, 2);
    EXPECT_FALSE(window.isMinimized());
}

TEST(OneInstance, KilledFirstCopyDoesNotBlockTheNext)
{
    const QString path = GuardPath();
    const std::unique_ptr<QProcess> child = StartChild(QStringLiteral("FirstCopyUntilKilled"), path);
    QByteArray output;
    ASSERT_TRUE(WaitForLine(*child, kReadyLine, output)) << output.constData();
    {
        TOneInstance second(SameNameElsewhere(path));
        EXPECT_TRUE(second.OtherCopyRunning());
        EXPECT_TRUE(second.ActivateOtherCopy());
    }
    child->kill();
    ASSERT_TRUE(child->waitForFinished(kChildTimeoutMs));

    TOneInstance next(path);
    EXPECT_FALSE(next.OtherCopyRunning());
    EXPECT_FALSE(next.Test());
}

TEST(OneInstance, UnusableRecordMakesAFirstCopy)
{
    TOneInstance guard(GuardPath(), QStringLiteral("/nonexistent-directory/for/locks"));
    EXPECT_FALSE(guard.OtherCopyRunning());
    EXPECT_FALSE(guard.Test());
    EXPECT_FALSE(guard.ActivateOtherCopy(100));
}

TEST(OneInstance, OnlyOneGuardPerProgram)
{
    {
        TOneInstance guard(GuardPath());
        EXPECT_THROW(TOneInstance(GuardPath() + QStringLiteral("-second")), std::logic_error);
    }
    TOneInstance later(GuardPath());
    EXPECT_FALSE(later.OtherCopyRunning());
}

// The other copies, run by the tests above in a process of their own.

TEST(OneInstanceChild, DISABLED_SecondCopy)
{
    const QString path = qEnvironmentVariable(kGuardPathVariable);
    ASSERT_FALSE(path.isEmpty());
    {
        TOneInstance otherName(path + QStringLiteral("-renamed"));
        EXPECT_FALSE(otherName.OtherCopyRunning());
        EXPECT_FALSE(otherName.Test());
    }
    {
        TOneInstance disabled(SameNameElsewhere(path));
        disabled.Enabled = false;
        EXPECT_TRUE(disabled.OtherCopyRunning());
        EXPECT_FALSE(disabled.Test());
    }
    {
        TOneInstance custom(SameNameElsewhere(path));
        custom.Mode = oiCustom;
        int calls = 0;
        QObject::connect(&custom, &TOneInstance::OnCustom, &custom, [&](TOneInstance* sender) {
            EXPECT_EQ(sender, &custom);
            ++calls;
        });
        EXPECT_TRUE(custom.Test());
        EXPECT_EQ(calls, 1);
    }
    {
        TOneInstance withMessage(SameNameElsewhere(path));
        withMessage.Mode = oiDefaultMessage;
        QString shown;
        withMessage.ShowMessage = [&](const QString& text) { shown = text; };
        EXPECT_TRUE(withMessage.Test());
        EXPECT_TRUE(shown.contains(QGuiApplication::applicationDisplayName())) << shown.toStdString();
    }
    TOneInstance second(SameNameElsewhere(path));
    EXPECT_TRUE(second.OtherCopyRunning());
    EXPECT_TRUE(second.Test());
}

TEST(OneInstanceChild, DISABLED_FirstCopyUntilKilled)
{
    const QString path = qEnvironmentVariable(kGuardPathVariable);
    ASSERT_FALSE(path.isEmpty());
    TOneInstance first(path);
    ASSERT_FALSE(first.OtherCopyRunning());
    QWidget window;
    first.ServeActivation(&window);
    std::printf("%s\n", kReadyLine);
    std::fflush(stdout);
    QEventLoop loop;
    QTimer::singleShot(kChildTimeoutMs, &loop, &QEventLoop::quit);  // in case nobody kills it
    loop.exec();
}

}  // namespace
}  // namespace torv
