#include "app/command_line.h"

#include <gtest/gtest.h>

namespace torv {
namespace {

TEST(CommandLine, StatusTextsAreSwitchedOffOnlyByAnExactFirstArgument)
{
    EXPECT_TRUE(ParseCommandLine({}).showStatusMessages);
    EXPECT_FALSE(ParseCommandLine({"-s"}).showStatusMessages);
    EXPECT_FALSE(ParseCommandLine({"/s", "whatever"}).showStatusMessages);
    for (const char* other : {"-S", "/S", "-s ", "--s", "-silent", "s"})
        EXPECT_TRUE(ParseCommandLine({other}).showStatusMessages) << other;
    EXPECT_TRUE(ParseCommandLine({"--demo", "-s"}).showStatusMessages);
}

TEST(CommandLine, GridEditIsTheFirstArgumentInAnyCase)
{
    EXPECT_TRUE(ParseCommandLine({"-enablegridedit"}).gridEditEnabled);
    EXPECT_TRUE(ParseCommandLine({"-EnableGridEdit", "--demo"}).gridEditEnabled);
    EXPECT_FALSE(ParseCommandLine({"-s", "-enablegridedit"}).gridEditEnabled);
    EXPECT_FALSE(ParseCommandLine({"-enablegridedit2"}).gridEditEnabled);

    // The two switches cannot be in force together.
    const CommandLine gridFirst = ParseCommandLine({"-enablegridedit", "-s"});
    EXPECT_TRUE(gridFirst.gridEditEnabled);
    EXPECT_TRUE(gridFirst.showStatusMessages);
}

TEST(CommandLine, AdditionsAnywhere)
{
    const CommandLine line = ParseCommandLine({"-s", "--port", "/tmp/ttyV0", "--demo", "--port", "pts/4", "--port"});
    EXPECT_FALSE(line.showStatusMessages);
    EXPECT_EQ(line.extraPorts, (QStringList{"/tmp/ttyV0", "pts/4"}));
    EXPECT_TRUE(line.demo);
    EXPECT_FALSE(line.help);
    EXPECT_FALSE(line.localKeys);
    EXPECT_TRUE(ParseCommandLine({"-s", "--local-keys"}).localKeys);
    EXPECT_TRUE(ParseCommandLine({"--local-keys", "--demo"}).localKeys);
    EXPECT_TRUE(ParseCommandLine({"x", "--help"}).help);
    EXPECT_TRUE(ParseCommandLine({"--version"}).version);
}

TEST(CommandLine, OptionsARunningCopyCannotTake)
{
    EXPECT_TRUE(OptionsForThisCopyOnly(ParseCommandLine({})).isEmpty());
    EXPECT_TRUE(OptionsForThisCopyOnly(ParseCommandLine({"--help"})).isEmpty());
    EXPECT_EQ(OptionsForThisCopyOnly(ParseCommandLine({"-s", "--port", "pts/4", "--demo"})),
              (QStringList{"-s", "--port pts/4", "--demo"}));
    EXPECT_EQ(OptionsForThisCopyOnly(ParseCommandLine({"-EnableGridEdit"})), QStringList{"-enablegridedit"});
}

}  // namespace
}  // namespace torv
