#include "journal/journal_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include "journal/journal_text.h"

namespace torv {
namespace {

std::atomic<int> peekCount{0};

// An environment variable that names a folder: set and absolute, else nothing.
std::string AbsoluteFolder(const char* variable)
{
    const char* value = std::getenv(variable);
    return value && value[0] == '/' ? value : "";
}

std::string ModeText(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// Makes the folders of path that are missing, each 0700 whatever the umask.
std::string MakeFolders(const std::filesystem::path& folder)
{
    std::filesystem::path made;
    for (const std::filesystem::path& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) == 0) {
            if (::chmod(made.c_str(), 0700) != 0)
                return JournalText::tr("cannot set the mode of the folder %1: %2")
                    .arg(JournalArg(made.string()), JournalArg(std::strerror(errno)))
                    .toStdString();
        } else if (errno != EEXIST) {
            return JournalText::tr("cannot create the folder %1: %2")
                .arg(JournalArg(made.string()), JournalArg(std::strerror(errno)))
                .toStdString();
        }
    }
    return "";
}

// Nobody but this user (or root) may add, remove or swap files in the folder.
std::string CheckFolder(const std::filesystem::path& folder)
{
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0)
        return JournalText::tr("the folder %1 cannot be used: %2")
            .arg(JournalArg(folder.string()), JournalArg(std::strerror(errno)))
            .toStdString();
    if (!S_ISDIR(info.st_mode))
        return JournalText::tr("%1 is not a folder").arg(JournalArg(folder.string())).toStdString();
    if (info.st_uid != ::geteuid() && info.st_uid != 0)
        return JournalText::tr("the folder %1 belongs to another user (uid %2)")
            .arg(JournalArg(folder.string()))
            .arg(info.st_uid)
            .toStdString();
    if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return JournalText::tr(
                   "the folder %1 may be changed by other users (mode %2): keep the journal in a folder "
                   "of your own")
            .arg(JournalArg(folder.string()), JournalArg(ModeText(info.st_mode)))
            .toStdString();
    return "";
}

// The tables of an SQLite database, read without changing anything: not even the side
// files of write-ahead logging are made (immutable).
std::string ReadTables(const std::string& path, std::set<QString>& tables)
{
    const QString connection = QStringLiteral("torv-journal-peek-%1").arg(++peekCount);
    std::string problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        if (!db.isValid())
            return JournalText::tr("Qt's SQLite driver (QSQLITE) is not installed").toStdString();
        QUrl uri = QUrl::fromLocalFile(QString::fromStdString(path));
        uri.setQuery(QStringLiteral("immutable=1"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        db.setDatabaseName(uri.toString(QUrl::FullyEncoded));
        QSqlQuery query(db);
        if (!db.open() || !query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"))) {
            const QSqlError error = db.isOpen() ? query.lastError() : db.lastError();
            problem = JournalText::tr("it cannot be read as a journal: %1").arg(error.text()).toStdString();
        }
        while (problem.empty() && query.next())
            tables.insert(query.value(0).toString());
        if (problem.empty() && query.lastError().isValid())
            problem = JournalText::tr("it cannot be read as a journal: %1").arg(query.lastError().text()).toStdString();
        query.finish();
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return problem;
}

// An existing file, opened without following a link and without waiting on a pipe.
JournalFileCheck CheckExisting(int fd, const std::string& path)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {std::strerror(errno)};
    if (!S_ISREG(info.st_mode))
        return {JournalText::tr("it is not a regular file").toStdString()};
    if (info.st_uid != ::geteuid())
        return {JournalText::tr("it belongs to another user (uid %1)").arg(info.st_uid).toStdString()};
    if (info.st_size == 0)
        return {"", true};
    static constexpr char kHeader[] = "SQLite format 3";  // and its terminating zero
    char header[sizeof kHeader] = {};
    if (::pread(fd, header, sizeof header, 0) != static_cast<ssize_t>(sizeof header) ||
        std::memcmp(header, kHeader, sizeof header) != 0)
        return {JournalText::tr("it is not an SQLite database, so not a journal: left as it is").toStdString()};
    std::set<QString> tables;
    if (std::string problem = ReadTables(path, tables); !problem.empty())
        return {problem};
    const bool journal = tables.count(QStringLiteral("operations")) && tables.count(QStringLiteral("schema_version"));
    if (tables.empty() || journal)  // no table at all: a journal that was never set up
        return {};
    return {JournalText::tr("it is a database of another program (tables %1): left as it is")
                .arg(QStringList(tables.begin(), tables.end()).join(QStringLiteral(", ")))
                .toStdString()};
}

std::string NotRecordedYet()
{
    return JournalText::tr("it does not exist (nothing has been recorded there)").toStdString();
}

std::string WithReason(const std::string& path, const std::string& why)
{
    return JournalText::tr("the journal %1 cannot be used: %2").arg(JournalArg(path), JournalArg(why)).toStdString();
}

}  // namespace

const char* const kNoJournalPath =
    QT_TRANSLATE_NOOP("JournalText",
                      "no journal: neither HOME nor XDG_DATA_HOME is set to an absolute path "
                      "(TORV_JOURNAL names the file)");

std::string JournalPathFromEnvironment()
{
    if (const char* path = std::getenv("TORV_JOURNAL"); path && *path)
        return path;
    std::string data = AbsoluteFolder("XDG_DATA_HOME");
    if (data.empty()) {
        const std::string home = AbsoluteFolder("HOME");
        if (home.empty())
            return "";
        data = home + (home.ends_with('/') ? "" : "/") + ".local/share";
    }
    return data + (data.ends_with('/') ? "" : "/") + "torv-programmer/journal.sqlite";
}

JournalFileCheck CheckJournalFile(const std::string& path, bool create)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty())
        folder = ".";
    struct stat info {};
    if (!create && ::lstat(path.c_str(), &info) != 0 && errno == ENOENT)
        return {WithReason(path, NotRecordedYet())};
    if (create) {
        if (std::string problem = MakeFolders(folder); !problem.empty())
            return {WithReason(path, problem)};
    }
    if (std::string problem = CheckFolder(folder); !problem.empty())
        return {WithReason(path, problem)};

    // Twice at most: another program may create the file between our look and our create.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) {
            JournalFileCheck check = CheckExisting(fd, path);
            ::close(fd);
            if (!check.problem.empty())
                check.problem = WithReason(path, check.problem);
            return check;
        }
        if (errno == ELOOP)
            return {WithReason(path, JournalText::tr("it is a symbolic link; name the file itself").toStdString())};
        if (errno != ENOENT)
            return {WithReason(path, std::strerror(errno))};
        if (!create)
            return {WithReason(path, NotRecordedYet())};
        const int made = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (made >= 0) {
            const bool narrowed = ::fchmod(made, 0600) == 0;  // what the umask took away, back
            const int error = errno;
            ::close(made);
            if (!narrowed)
                return {WithReason(path, std::strerror(error))};
            return {"", true};
        }
        if (errno != EEXIST)
            return {WithReason(path, std::strerror(errno))};
    }
    return {WithReason(path, JournalText::tr("it keeps appearing and vanishing").toStdString())};
}

}  // namespace torv
