// The main() of the test programs: the Qt application object their event loops need
// (a QApplication for the widget tests), and a run that leaves the user's files alone.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#ifdef TORV_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

// gensio 2.6.2 does not free a line-setting request still waiting for the server's
// answer when the connection is freed (a server that closes the connection or stops
// answering while asked): its leak, not ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:sergensio_baud\nleak:sergensio_datasize\nleak:sergensio_parity\nleak:sergensio_stopbits\n";
}

int main(int argc, char** argv)
{
    // Widget tests run without a display unless a platform is asked for (xvfb-run sets xcb).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The settings the window keeps (the last port) and the journal of every read and
    // write go to a directory of this run's own: not the user's, and not shared with
    // test programs running at the same time.
    const QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    qputenv("TORV_JOURNAL", home.filePath("journal.sqlite").toLocal8Bit());
    TestApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
