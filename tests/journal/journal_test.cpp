#include "journal/journal.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <thread>

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

namespace torv {
namespace {

JournalEntry Row(const std::string& time, const std::string& serial, bool success, const std::string& operation = "write")
{
    JournalEntry e;
    e.timeUtc = time;
    e.program = "torvctl";
    e.operation = operation;
    e.port = "/dev/ttyUSB0";
    e.adapter = "ftdi_sio, USB 0403:6001";
    e.outcome = success ? "success" : "prompt H: Cancel";
    e.success = success;
    e.exitCode = success ? 0 : 5;
    e.deviceType = 13;
    e.date = "12.03.2007";
    e.serial = serial;
    e.version = "1.23";
    e.infoHex = "071234";
    e.blockReadHex = "0130005D";
    e.blockWrittenHex = "0130005E";
    e.f1BeforeMHz = 146.0;
    e.f1AfterMHz = 150.0125;
    return e;
}

class JournalTest : public ::testing::Test {
protected:
    std::string Path() const { return dir.filePath("journal/journal.sqlite").toStdString(); }
    QTemporaryDir dir;
};

TEST_F(JournalTest, RowsComeBackNewestFirstWithEveryField)
{
    Journal journal(Path());
    ASSERT_TRUE(journal.IsOpen()) << journal.Error();
    JournalEntry first = Row("2026-12-01T10:00:00.000Z", "13071234", true);
    JournalEntry second = Row("2026-12-02T10:00:00.000Z", "13071234", false);
    second.readBackHex = "FF";
    second.f2BeforeMHz = 160.5;
    ASSERT_TRUE(journal.Append(first));
    ASSERT_TRUE(journal.Append(second));
    ASSERT_TRUE(journal.Append(Row("", "13070001", true)));  // stamped now

    const std::vector<JournalEntry> rows = journal.Find({});
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].serial, "13070001");
    EXPECT_EQ(rows[0].timeUtc.size(), std::string("2026-12-09T01:02:03.456Z").size());
    const JournalEntry& back = rows[1];
    EXPECT_EQ(back.timeUtc, second.timeUtc);
    EXPECT_EQ(back.program, "torvctl");
    EXPECT_EQ(back.outcome, "prompt H: Cancel");
    EXPECT_FALSE(back.success);
    EXPECT_EQ(back.exitCode, 5);
    EXPECT_EQ(back.deviceType, 13);
    EXPECT_EQ(back.adapter, second.adapter);
    EXPECT_EQ(back.blockWrittenHex, "0130005E");
    EXPECT_EQ(back.readBackHex, "FF");
    EXPECT_EQ(back.f1BeforeMHz, 146.0);
    EXPECT_EQ(back.f2BeforeMHz, 160.5);
    EXPECT_EQ(rows[2].f2BeforeMHz, std::nullopt);
    EXPECT_EQ(rows[2].f2AfterMHz, std::nullopt);

    // Only its owner may read it, and it is kept with write-ahead logging.
    struct stat info {};
    ASSERT_EQ(::stat(Path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(QFile::exists(QString::fromStdString(Path() + "-wal")));
}

TEST_F(JournalTest, FindFiltersBySerialTimeOutcomeAndOperation)
{
    Journal journal(Path());
    ASSERT_TRUE(journal.IsOpen()) << journal.Error();
    journal.Append(Row("2026-11-30T23:59:59.000Z", "A", true, "read"));
    journal.Append(Row("2026-12-01T08:00:00.000Z", "A", false));
    journal.Append(Row("2026-12-01T18:00:00.000Z", "B", true));
    journal.Append(Row("2026-12-03T00:00:00.000Z", "A", true));
    struct Case {
        const char* what;
        JournalQuery query;
        std::size_t rows;
    };
    const Case cases[] = {
        {"serial", {.serial = "A"}, 3},
        {"since a date", {.since = "2026-12-01"}, 3},
        {"until a whole day", {.until = "2026-12-01"}, 3},
        {"a day", {.since = "2026-12-01", .until = "2026-12-01"}, 2},
        {"failures", {.success = false}, 1},
        {"reads of A", {.serial = "A", .operation = "read"}, 1},
        {"limit", {.limit = 2}, 2},
        {"unknown serial", {.serial = "C"}, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(journal.Find(c.query).size(), c.rows) << c.what;
}

TEST_F(JournalTest, JournalThatCannotBeOpenedSaysWhyAndTakesNothing)
{
    Journal nowhere("/dev/null/journal.sqlite");
    EXPECT_FALSE(nowhere.IsOpen());
    EXPECT_NE(nowhere.Error().find("/dev/null/journal.sqlite"), std::string::npos) << nowhere.Error();
    EXPECT_FALSE(nowhere.Append(Row("", "A", true)));
    EXPECT_TRUE(nowhere.Find({}).empty());

    // A journal from a newer program is left as it is.
    {
        Journal journal(Path());
        ASSERT_TRUE(journal.IsOpen());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "newer");
        db.setDatabaseName(QString::fromStdString(Path()));
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("UPDATE schema_version SET version = 99");
        db.close();
    }
    QSqlDatabase::removeDatabase("newer");
    Journal newer(Path());
    EXPECT_FALSE(newer.IsOpen());
    EXPECT_NE(newer.Error().find("newer version"), std::string::npos) << newer.Error();
}

TEST_F(JournalTest, TwoWritersAtOnceLoseNoRow)
{
    constexpr int kRowsEach = 150;
    auto writer = [&](const std::string& serial) {
        Journal journal(Path());
        ASSERT_TRUE(journal.IsOpen()) << journal.Error();
        for (int i = 0; i < kRowsEach; ++i)
            ASSERT_TRUE(journal.Append(Row("", serial, true))) << journal.Error();
    };
    { Journal create(Path()); }  // both writers find the schema in place
    std::thread a(writer, "A");
    std::thread b(writer, "B");
    a.join();
    b.join();
    Journal journal(Path());
    EXPECT_EQ(journal.Find({.serial = "A"}).size(), static_cast<std::size_t>(kRowsEach));
    EXPECT_EQ(journal.Find({.serial = "B"}).size(), static_cast<std::size_t>(kRowsEach));
}

TEST(JournalPath, EnvironmentChoosesTheFile)
{
    qputenv("TORV_JOURNAL", "/tmp/elsewhere.sqlite");
    EXPECT_EQ(Journal::DefaultPath(), "/tmp/elsewhere.sqlite");
    qunsetenv("TORV_JOURNAL");
    qputenv("XDG_DATA_HOME", "/tmp/data");
    EXPECT_EQ(Journal::DefaultPath(), "/tmp/data/torv-programmer/journal.sqlite");
    qunsetenv("XDG_DATA_HOME");
    EXPECT_NE(Journal::DefaultPath().find("/.local/share/torv-programmer/journal.sqlite"), std::string::npos);
}

}  // namespace
}  // namespace torv
