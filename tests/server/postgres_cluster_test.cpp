// The tests' own PostgreSQL cluster: not root's, on a socket in its short folder, away and
// back on the same data, and gone with everything it made when the object goes.
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "server_fixture.h"

namespace torv::test {
namespace {

// True while a process with this id runs (a zombie has ended).
bool Running(const std::string& pid)
{
    std::ifstream stat("/proc/" + pid + "/stat");
    std::string line;
    std::getline(stat, line);
    return stat && line.substr(line.rfind(')') + 2, 1) != "Z";
}

TEST_F(ServerTest, ClusterStartsStopsAndRemovesItself)
{
    const std::string folder = cluster_->SocketFolder();
    EXPECT_LE((folder + "/.s.PGSQL.5432").size(), 107u);
    struct stat data {};
    ASSERT_EQ(::stat(cluster_->DataFolder().c_str(), &data), 0);
    EXPECT_NE(data.st_uid, 0u) << "the server runs as root";

    QSqlDatabase db = Connect(cluster_->ConnectOptions());
    ASSERT_TRUE(db.isOpen());
    QSqlQuery version(db);
    ASSERT_TRUE(version.exec("SHOW server_version_num") && version.next());
    EXPECT_EQ(version.value(0).toString().left(2), "15");
    EXPECT_EQ(Outcome(db, "CREATE TABLE kept (n integer)"), "rows 0");
    EXPECT_EQ(Outcome(db, "INSERT INTO kept VALUES (1)"), "rows 1");

    cluster_->Stop();
    EXPECT_FALSE(Outcome(db, "SELECT n FROM kept").starts_with("rows"));
    EXPECT_FALSE(std::filesystem::exists(folder + "/.s.PGSQL.5432"));
    cluster_->Start();
    db.close();
    ASSERT_TRUE(db.open()) << db.lastError().text().toStdString();
    EXPECT_EQ(Outcome(db, "SELECT n FROM kept"), "rows 1");
    db.close();

    std::string pid;
    std::ifstream(cluster_->DataFolder() + "/postmaster.pid") >> pid;
    ASSERT_TRUE(Running(pid));
    cluster_.reset();
    EXPECT_FALSE(Running(pid));
    EXPECT_FALSE(std::filesystem::exists(folder));
}

}  // namespace
}  // namespace torv::test
