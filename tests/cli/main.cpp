#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    // Every read and write of the tests is journaled: into a journal of this run only.
    QTemporaryDir journalDir;
    qputenv("TORV_JOURNAL", journalDir.filePath("journal.sqlite").toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
