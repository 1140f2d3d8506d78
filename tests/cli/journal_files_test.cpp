// The journal as torvctl reaches it: a journal that cannot be used is an error for the
// commands that read it (exit 6, the path and the reason) and a warning for those that
// write it; files that are not the journal's are never changed; dates are parsed.
#include <gtest/gtest.h>

#include <regex>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "cli/arguments.h"
#include "cli/batch_plan.h"
#include "command_fixture.h"
#include "scoped_time_zone.h"

namespace torv::cli {
namespace {

// A read by torvctl at the time given.
JournalEntry ReadRow(const char* time)
{
    JournalEntry entry;
    entry.timeUtc = time;
    entry.program = "torvctl";
    entry.operation = "read";
    entry.outcome = "success";
    return entry;
}

class JournalFilesTest : public ExchangeCommandsTest {
protected:
    std::string Path(const char* name) const { return journalDir_.filePath(name).toStdString(); }

    void UseJournal(const std::string& path) { qputenv("TORV_JOURNAL", QByteArray::fromStdString(path)); }

    static void Write(const std::string& path, const char* text)
    {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    // The file's mode and bytes (through a link), to show that nothing changed.
    static std::string Contents(const std::string& path)
    {
        struct stat info {};
        QFile file(QString::fromStdString(path));
        if (::stat(path.c_str(), &info) != 0 || !file.open(QIODevice::ReadOnly))
            return "missing";
        return std::to_string(info.st_mode) + ":" + file.readAll().toStdString();
    }
};

TEST_F(JournalFilesTest, AJournalThatCannotBeUsedIsExitSixForReadersAndAWarningForWriters)
{
    const std::string hostname = Path("hostname");  // a file of the test's own, standing in for /etc/hostname
    Write(hostname, "bench-7\n");
    const struct {
        const char* state;
        std::string path;
        std::function<void(const std::string&)> make;
        const char* reason;
    } cases[] = {
        {"corrupt", Path("corrupt.sqlite"),
         [&](const std::string& path) {
             UseJournal(path);
             ASSERT_EQ(Run({"write", "--demo", "--f1", "150.0"}).code, kExitOk);
             QFile file(QString::fromStdString(path));
             ASSERT_TRUE(file.open(QIODevice::ReadWrite));
             file.seek(2 * 4096);  // eight bytes of the page of the operations table
             file.write("\xDE\xAD\xBE\xEF\xDE\xAD\xBE\xEF");
         },
         "database disk image is malformed"},
        {"foreign database", Path("contacts.sqlite"),
         [&](const std::string& path) {
             {
                 QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
                 db.setDatabaseName(QString::fromStdString(path));
                 ASSERT_TRUE(db.open());
                 ASSERT_TRUE(QSqlQuery(db).exec("CREATE TABLE contacts (name TEXT)"));
                 db.close();
             }
             QSqlDatabase::removeDatabase("foreign");
             ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
         },
         "is a database of another program (tables contacts): left as it is"},
        {"symbolic link", Path("link.sqlite"),
         [&](const std::string& path) { ASSERT_EQ(::symlink(hostname.c_str(), path.c_str()), 0); },
         "is a symbolic link"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        c.make(c.path);
        UseJournal(c.path);
        const std::string before = Contents(c.path);
        const Outcome listed = Run({"journal"});
        EXPECT_EQ(listed.code, kExitJournalUnusable);
        EXPECT_EQ(listed.out, "");
        EXPECT_NE(listed.err.find("torvctl: the journal " + c.path + " cannot be used: "), std::string::npos)
            << listed.err;
        EXPECT_NE(listed.err.find(c.reason), std::string::npos) << listed.err;
        if (std::string(c.state) == "corrupt")  // quoted in the test log
            std::cout << "torvctl journal on a corrupt file: exit " << listed.code << ": " << listed.err;
        const QJsonObject json = Run({"restore", "--demo", "--serial", "13071234", "--json"}).Json();
        EXPECT_EQ(json.value("exitCode").toInt(), kExitJournalUnusable);
        EXPECT_EQ(json.value("failure").toString(), "journal-unusable");

        const Outcome read = Run({"read", "--demo", "--json"});  // programming goes on: one warning
        EXPECT_EQ(read.code, kExitOk);
        EXPECT_NE(read.err.find("torvctl: warning: the journal was not written: "), std::string::npos) << read.err;
        EXPECT_NE(read.err.find(c.path), std::string::npos) << read.err;
        EXPECT_NE(read.Json().value("journalError").toString().toStdString().find(c.reason), std::string::npos);
        if (std::string(c.state) != "corrupt") {
            EXPECT_EQ(Contents(c.path), before) << "not the journal's: left as it was";
        }
    }
    EXPECT_EQ(Contents(hostname), std::to_string(S_IFREG | 0644) + ":bench-7\n");
}

TEST_F(JournalFilesTest, ListingCreatesNothingAndSaysNoOperationsOnlyForAnEmptyJournal)
{
    const std::string mistyped = Path("typo/journal.sqlite");
    UseJournal(mistyped);
    const Outcome missing = Run({"journal"});
    EXPECT_EQ(missing.code, kExitJournalUnusable);
    EXPECT_NE(missing.err.find("the journal " + mistyped + " cannot be used: it does not exist"), std::string::npos)
        << missing.err;
    EXPECT_FALSE(QDir(journalDir_.filePath("typo")).exists());

    const std::string empty = Path("empty.sqlite");
    Write(empty, "");
    UseJournal(empty);
    const Outcome none = Run({"journal"});
    EXPECT_EQ(none.code, kExitOk) << none.err;
    EXPECT_EQ(none.out, "no operations recorded\n");
    EXPECT_EQ(Contents(empty), std::to_string(S_IFREG | 0644) + ":");

    // Without HOME and XDG_DATA_HOME: reads and writes go on with one warning; the
    // commands that need the journal cannot.
    qunsetenv("TORV_JOURNAL");
    const QByteArray home = qgetenv("HOME");
    qunsetenv("HOME");
    qunsetenv("XDG_DATA_HOME");
    const Outcome read = Run({"read", "--demo"});
    const Outcome listed = Run({"journal"});
    qputenv("HOME", home);
    EXPECT_EQ(read.code, kExitOk);
    EXPECT_NE(read.err.find("warning: the journal was not written: no journal: neither HOME nor XDG_DATA_HOME"),
              std::string::npos)
        << read.err;
    EXPECT_EQ(listed.code, kExitJournalUnusable);
}

// A journal its owner may only read (mode 0400) is listed: torvctl run as user 65534.
TEST_F(JournalFilesTest, AJournalThatMayOnlyBeReadIsListed)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run torvctl as another user";
    ASSERT_EQ(Run({"write", "--demo", "--f1", "150.0"}).code, kExitOk);
    const std::string path = Journal::DefaultPath();
    for (const std::string& owned : {journalDir_.path().toStdString(), path})
        ASSERT_EQ(::chown(owned.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0400), 0);

    const std::optional<Outcome> listed = RunTorvctlProgram({"journal", "--with-demo"}, BecomeNobody);
    if (!listed)
        GTEST_SKIP() << "torvctl cannot be run as user " << kNobody << " from the build tree";
    EXPECT_EQ(listed->code, kExitOk) << listed->err;
    EXPECT_TRUE(std::regex_search(listed->out,
                                  std::regex("torvctl +write +13071234 +146\\.0000 +150\\.0000 +written and verified")))
        << listed->out;
    std::cout << "torvctl journal as uid 65534 on its own 0400 journal: exit " << listed->code << "\n" << listed->out;
    const std::optional<Outcome> read = RunTorvctlProgram({"read", "--demo"}, BecomeNobody);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->code, kExitOk);
    EXPECT_NE(read->err.find("warning: the journal was not written"), std::string::npos) << read->err;
}

// A file size limit fails the journal's write, which is reported; the program lives on.
TEST_F(JournalFilesTest, AFileSizeLimitCostsTheRowNotTheResult)
{
    const std::optional<Outcome> written = RunTorvctlProgram({"write", "--demo", "--f1", "150.0", "--json"}, [] {
        const rlimit limit{8192, 8192};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            ::_exit(kChildNotPrepared);
    });
    ASSERT_TRUE(written);
    EXPECT_EQ(written->code, kExitOk) << written->err;
    EXPECT_FALSE(written->Json().value("journalError").isNull()) << written->out;
    EXPECT_NE(written->err.find("torvctl: warning: the journal was not written"), std::string::npos) << written->err;
}

TEST_F(JournalFilesTest, DatesAreParsedComparedAsInstantsAndShownInLocalTime)
{
    const testing::ScopedTimeZone plusThree("<+03>-3");
    Journal journal(Journal::DefaultPath());
    for (const char* time : {"2026-11-30T20:00:00Z", "2026-12-01T10:00:00Z"})
        ASSERT_TRUE(journal.Append(ReadRow(time)));
    const auto rows = [](std::vector<std::string> words) {
        words.insert(words.begin(), {"journal", "--csv"});
        const Outcome listed = Run(words);
        EXPECT_EQ(listed.code, kExitOk) << listed.err;
        return CsvRows(listed.out);
    };
    const auto all = rows({});
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0][0], "time_utc");
    EXPECT_EQ(all[0][1], "time_local");
    EXPECT_EQ(all[1][0], "2026-12-01T10:00:00.000Z");
    EXPECT_EQ(all[1][1], "2026-12-01T13:00:00.000+03:00");
    const auto count = [&](std::vector<std::string> words) { return rows(std::move(words)).size() - 1; };  // header
    EXPECT_EQ(count({"--since", "01.12.2026"}), 1u);  // the local day began at 21:00 UTC
    EXPECT_EQ(count({"--until", "30.11.2026"}), 1u);
    EXPECT_EQ(count({"--since", "2026-12-01T00:00Z"}), 1u);
    EXPECT_EQ(count({"--since", "2026-12-01T10:00:00.001Z"}), 0u);
    EXPECT_EQ(count({"--until", "2026-12-01T13:00+03:00"}), 2u);  // the whole minute
    EXPECT_NE(Run({"journal"}).out.find("2026-12-01 13:00:00 +03:00 torvctl read"), std::string::npos);
    EXPECT_FALSE(Run({"journal", "--json"}).Json().value("rows").toArray()[0].toObject().contains("time_local"));

    for (const char* bad : {"yesterday", "garbage", "2026-13-45", "01.12.26", ""}) {
        for (const char* option : {"--since", "--until"}) {
            const Outcome refused = Run({"journal", std::string(option) + "=" + bad});
            EXPECT_EQ(refused.code, kExitUsage) << option << bad;
            EXPECT_NE(refused.err.find(std::string(option) + " takes a date or a time, not \"" + bad + "\" (forms: "),
                      std::string::npos)
                << refused.err;
        }
        EXPECT_EQ(Run({"restore", "--demo", "--serial", "13071234", std::string("--before=") + bad}).code, kExitUsage)
            << bad;
    }
}

}  // namespace
}  // namespace torv::cli
