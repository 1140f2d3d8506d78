#pragma once
// A PostgreSQL 15 cluster of the tests' own (Debian postgresql-15): made by initdb in a new
// folder under /tmp, started by pg_ctl, stopped and removed with the object. initdb and
// pg_ctl refuse to run as root, so for a root test they run as the user postgres (made by
// Debian's postgresql-common). The server listens on a Unix socket in that folder only (no
// TCP port to clash with; /tmp and not $TMPDIR, as a socket path over 107 bytes stops it).
// The superuser postgres connects without a password; every other role gives its own.

#include <fcntl.h>
#include <pwd.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace torv::test {

class PostgresCluster {
public:
    static constexpr const char* kBinaries = "/usr/lib/postgresql/15/bin/";
    static constexpr int kPort = 5432;

    // Makes and starts the cluster. Throws std::runtime_error with the reason.
    PostgresCluster()
    {
        const std::string initdb = std::string(kBinaries) + "initdb";
        if (::access(initdb.c_str(), X_OK) != 0)
            throw std::runtime_error("PostgreSQL 15 is not installed: " + initdb +
                                     " is missing (Debian package postgresql-15; scripts/install-deps)");
        char folder[] = "/tmp/torv-pg-XXXXXX";
        if (!::mkdtemp(folder))
            throw std::runtime_error("no folder for a PostgreSQL cluster under /tmp");
        folder_ = folder;
        try {
            HandFolderToServerUser();
            Run({initdb, "-D", DataFolder(), "-U", "postgres", "--auth=trust", "-E", "UTF8", "--locale=C", "--no-sync"},
                "initdb");
            std::ofstream(DataFolder() + "/pg_hba.conf", std::ios::trunc) << "local all postgres trust\n"
                                                                          << "local all all scram-sha-256\n";
            std::ofstream(DataFolder() + "/postgresql.conf", std::ios::app)
                << "listen_addresses = ''\n"
                << "unix_socket_directories = '" << folder_ << "'\n"
                << "port = " << kPort << "\n"
                << "fsync = off\nsynchronous_commit = off\nfull_page_writes = off\n"
                << "shared_buffers = 16MB\nmax_connections = 40\n";
            Start();
        } catch (...) {
            std::filesystem::remove_all(folder_);
            throw;
        }
    }
    ~PostgresCluster()
    {
        if (running_) {
            try {
                Stop();
            } catch (const std::exception&) {
                // Nothing more to do for a server that does not stop: its folder goes all the same.
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    // Stops the server (its clients are disconnected) and starts it again on the same data:
    // a server away for a while. Both wait until it is done; they throw with pg_ctl's reason.
    void Stop()
    {
        Run({std::string(kBinaries) + "pg_ctl", "-D", DataFolder(), "-m", "fast", "-w", "stop"}, "pg_ctl stop");
        running_ = false;
    }
    void Start()
    {
        Run({std::string(kBinaries) + "pg_ctl", "-D", DataFolder(), "-l", folder_ + "/server.log", "-w", "-t", "60",
             "start"},
            "pg_ctl start", folder_ + "/server.log");
        running_ = true;
    }

    // The folder of the cluster, which holds its socket: libpq's host.
    const std::string& SocketFolder() const { return folder_; }
    std::string DataFolder() const { return folder_ + "/data"; }
    // libpq key=value pairs for a role and a database, as QSqlDatabase::setConnectOptions
    // takes them (no blanks or quotes in the values).
    std::string ConnectOptions(const std::string& user = "postgres", const std::string& database = "postgres",
                               const std::string& password = "") const
    {
        std::string options =
            "host=" + folder_ + " port=" + std::to_string(kPort) + " user=" + user + " dbname=" + database;
        return password.empty() ? options : options + " password=" + password;
    }

private:
    // The folder belongs to whoever runs the server: as root, to postgres.
    void HandFolderToServerUser()
    {
        if (::geteuid() != 0)
            return;
        const passwd* user = ::getpwnam("postgres");
        if (!user)
            throw std::runtime_error(
                "initdb and pg_ctl refuse to run as root, and there is no user postgres to run "
                "them as (Debian package postgresql-common; scripts/install-deps)");
        if (::chown(folder_.c_str(), user->pw_uid, user->pw_gid) != 0)
            throw std::runtime_error("cannot give " + folder_ + " to the user postgres");
    }

    // Runs a program of PostgreSQL's (as postgres when this is root, through util-linux's
    // setpriv) in the cluster's folder and waits for it. posix_spawn, not QProcess: Qt's
    // way of starting a process leaves ThreadSanitizer blind to the calling thread's locks.
    void Run(std::vector<std::string> words, const std::string& what, const std::string& log = "") const
    {
        if (::geteuid() == 0)
            words.insert(words.begin(),
                         {"/usr/bin/setpriv", "--reuid=postgres", "--regid=postgres", "--init-groups", "--"});
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        const std::string output = folder_ + "/" + "command.out";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_addchdir_np(&actions, folder_.c_str());
        pid_t pid = 0;
        const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (error != 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            throw std::runtime_error(what + " failed: " + Contents(output) + (log.empty() ? "" : Contents(log)));
    }

    static std::string Contents(const std::string& path)
    {
        std::ifstream file(path);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::string folder_;
    bool running_ = false;
};

}  // namespace torv::test
