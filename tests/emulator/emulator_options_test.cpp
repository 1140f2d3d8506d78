#include "emulator/emulator_options.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "device/info_text.h"
#include "line_client.h"

namespace torv {
namespace {

using namespace std::chrono_literals;
using enum AdapterCommand;

EmulatorOptions Parse(std::vector<std::string> args)
{
    args.insert(args.begin(), "torv-adapter-emulator");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    return ParseEmulatorOptions(static_cast<int>(args.size()), argv.data());
}

TEST(EmulatorOptions, DefaultsServeAType13TransmitterAtLineSpeed)
{
    const EmulatorOptions options = Parse({});
    EXPECT_EQ(options.bytePeriod, AdapterEmulator::kLineBytePeriod);
    EXPECT_EQ(options.contents.info, MakeContents().info);
    EXPECT_EQ(options.contents.block, MakeContents().block);
    EXPECT_FALSE(options.verbose);
    EXPECT_FALSE(options.help);
    EXPECT_FALSE(options.version);
    EXPECT_TRUE(Parse({"--version"}).version);
    EXPECT_EQ(options.faults.nakCount, 0);
    EXPECT_TRUE(options.faults.silent.empty());
}

TEST(EmulatorOptions, TransmitterFromFields)
{
    const EmulatorOptions options =
        Parse({"--type", "14", "--date", "05.11.2021", "--serial", "42", "--firmware-version", "2.07", "--mode", "grid",
               "--step", "25", "--f1", "440.5", "--f2", "469.9875", "--byte-period-us", "100"});
    EXPECT_EQ(options.contents.info, (InfoBlock{0x21, 0x00, 0x42, 14, 0x02, 0x07, 5, 11}));
    const ChannelPlan plan{.mode = SynthMode::Grid, .f1MHz = 440.5, .f2MHz = 469.9875, .grid25kHz = true};
    EXPECT_EQ(options.contents.block, MakeParameterBlock(plan, 14));
    EXPECT_EQ(options.bytePeriod, 100us);
}

TEST(EmulatorOptions, RawBlocksAndFaults)
{
    const EmulatorOptions options = Parse({"--info",
                                           "07 12 34 4D 01 23 0C 03",
                                           "--block",
                                           std::string(64, 'a'),
                                           "--no-pacing",
                                           "-v",
                                           "--id-hex",
                                           "51:00:33",
                                           "--silent",
                                           "read",
                                           "--silent",
                                           "identify:2",
                                           "--split",
                                           "info:3,4@20",
                                           "--nak",
                                           "3",
                                           "--wrong-type",
                                           "77",
                                           "--bad-crc",
                                           "always",
                                           "--corrupt-readback",
                                           "1",
                                           "--corrupt-byte",
                                           "31",
                                           "--info-extra",
                                           "0102",
                                           "--write-lock"});
    EXPECT_EQ(options.contents.info[3], 0x4D);
    ParameterBlock allAA{};
    allAA.fill(0xAA);
    EXPECT_EQ(options.contents.block, allAA);
    EXPECT_EQ(options.bytePeriod, 0us);
    EXPECT_TRUE(options.verbose);

    const EmulatorFaults& faults = options.faults;
    EXPECT_EQ(faults.identification, (std::vector<std::uint8_t>{0x51, 0x00, 0x33}));
    EXPECT_EQ(faults.silent.at(ParamRequest), kAlways);
    EXPECT_EQ(faults.silent.at(Identify), 2);
    EXPECT_EQ(faults.split.at(InfoRequest).pieces, (std::vector<std::size_t>{3, 4}));
    EXPECT_EQ(faults.split.at(InfoRequest).gap, 20ms);
    EXPECT_EQ(faults.nakCount, 3);
    EXPECT_EQ(faults.wrongType, 77);
    EXPECT_EQ(faults.wrongTypeCount, kAlways);
    EXPECT_EQ(faults.badCrcCount, kAlways);
    EXPECT_EQ(faults.corruptReadbackCount, 1);
    EXPECT_EQ(faults.corruptByte, 31u);
    EXPECT_EQ(faults.infoTrailer, (std::vector<std::uint8_t>{0x01, 0x02}));
    EXPECT_TRUE(faults.writeLock);

    EXPECT_EQ(Parse({"--id", "quasar3"}).faults.identification,
              (std::vector<std::uint8_t>{'q', 'u', 'a', 's', 'a', 'r', '3'}));
    EXPECT_EQ(Parse({"--id-prefix", "ok "}).faults.identificationPrefix, (std::vector<std::uint8_t>{'o', 'k', ' '}));
    EXPECT_EQ(Parse({"--wrong-type", "0", "--wrong-type-count", "4"}).faults.wrongTypeCount, 4);
}

TEST(EmulatorOptions, BadCommandLinesAreRefusedWithAMessage)
{
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},
        {"--nak"},
        {"--nak", "-1"},
        {"--nak", "3x"},
        {"--type", "256"},
        {"--info", "0102"},
        {"--block", "0g"},
        {"--f1", "abc"},
        {"--f1", "146.0125"},  // no legacy divisors
        {"--mode", "grid", "--type", "0"},
        {"--block", std::string(64, '0'), "--f1", "150"},
        {"--wrong-type-count", "2"},
        {"--silent", "reset"},
        {"--split", "info"},
        {"--split", "info:0"},
        {"--corrupt-byte", "32"},
        {"--date", "1.1.2007"},
        {"--firmware-version", "1.2"},
        {"--version", "1.23"},  // the firmware version's old option
        {"--units", "12345"},
        {"--units", "14071234"},  // a type 14 serial number for a type 13 transmitter
        {"--units", "1234", "--info", "07 12 34 4D 01 23 0C 03"},
        {"--units", "1234", "--type", "0"},
        {"--units", ","},
        {"--units", "/nonexistent/units.txt"},
        {"--units", "/dev/zero"},
        {"--swap-seconds", "-1"},
        {"--swap-seconds", "1e3"},
        {"--swap-seconds", "3601"},
        {"--count", "0"},
        {"--count", "65"},
        {"--deal-units"},
        {"--step", "6.25"},
        {"stray"},
    };
    for (const std::vector<std::string>& args : bad) {
        try {
            Parse(args);
            ADD_FAILURE() << "accepted: " << args.front();
        } catch (const OptionError& error) {
            const std::string message = error.what();
            EXPECT_FALSE(message.empty());
            EXPECT_EQ(message.find('\n'), std::string::npos);
        }
    }
}

std::vector<std::string> Serials(const std::vector<TransmitterContents>& units)
{
    std::vector<std::string> serials;
    for (TransmitterContents unit : units)
        serials.push_back(SerialText(unit.info));
    return serials;
}

TEST(EmulatorOptions, UnitsFromAListOrAFileTakeTheOtherOptions)
{
    const EmulatorOptions listed = Parse({"--units", "1235, 13071236,7", "--swap-seconds", "1.25", "--f1", "150"});
    EXPECT_EQ(Serials(listed.units), (std::vector<std::string>{"13071235", "13071236", "13070007"}));
    EXPECT_EQ(listed.units[1].block, MakeParameterBlock({.f1MHz = 150.0}, 13));
    EXPECT_EQ(listed.swapTime, 1250ms);
    EXPECT_EQ(listed.count, 1);
    EXPECT_FALSE(Parse({}).swapTime.has_value());

    const std::string path =
        (std::filesystem::temp_directory_path() / ("emulator-units-" + std::to_string(::getpid()))).string();
    std::ofstream(path) << "# order 1207\r\n14210042\r\n\r\n  0043 \n";
    const EmulatorOptions filed = Parse({"--units", path, "--type", "14", "--date", "01.02.2021", "--count", "3"});
    EXPECT_EQ(Serials(filed.units), (std::vector<std::string>{"14210042", "14210043"}));
    EXPECT_EQ(filed.count, 3);

    std::ofstream(path) << "0042\nabc\n";
    try {
        Parse({"--units", path});
        ADD_FAILURE() << "a file with a word accepted";
    } catch (const OptionError& error) {
        EXPECT_EQ(error.what(), "--units: " + path + " line 2: \"abc\" is not a serial number");
    }
    std::filesystem::remove(path);
}

// Each adapter gets a copy of the units, or its share when they are dealt; the next unit
// comes once the adapter's first unit has been read.
TEST(EmulatorOptions, AdaptersGetTheirUnits)
{
    const struct {
        std::vector<std::string> dealing;
        std::vector<std::vector<std::string>> firstTwo;  // per adapter; empty: no transmitter
    } cases[] = {
        {{}, {{"13071001", "13071002"}, {"13071001", "13071002"}, {"13071001", "13071002"}}},
        {{"--deal-units"}, {{"13071001", "13071004"}, {"13071002", "13071005"}, {"13071003", "13071003"}}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"--units", "1001,1002,1003,1004,1005", "--count", "3", "--no-pacing"};
        args.insert(args.end(), c.dealing.begin(), c.dealing.end());
        const auto adapters = MakeAdapters(Parse(args));
        ASSERT_EQ(adapters.size(), 3u);
        for (std::size_t i = 0; i < adapters.size(); ++i) {
            SCOPED_TRACE("adapter " + std::to_string(i + 1) + (c.dealing.empty() ? ", copied" : ", dealt"));
            AdapterEmulator& adapter = *adapters[i];
            adapter.Start();
            test::LineClient line(adapter.SlavePath());
            InfoBlock first = adapter.Info();
            EXPECT_EQ(line.Exchange({0xA0, 0x10}, 32).size(), 32u);  // the unit is read
            line.Send({0x55});                                       // the next identification takes it away
            ASSERT_TRUE(adapter.WaitForCommands(2, 2s));
            InfoBlock second = adapter.Info();
            EXPECT_EQ(SerialText(first), c.firstTwo[i][0]);
            EXPECT_EQ(SerialText(second), c.firstTwo[i][1]);
        }
    }
    // More adapters than units dealt: the one left over has no transmitter.
    const auto adapters = MakeAdapters(Parse({"--units", "1001", "--count", "2", "--deal-units"}));
    EXPECT_EQ(adapters[1]->Info()[3], kNoTransmitter);
}

TEST(EmulatorOptions, ErrorNamesTheOffendingOption)
{
    EXPECT_THROW(
        {
            try {
                Parse({"--verbose", "--bogus"});
            } catch (const OptionError& error) {
                EXPECT_STREQ(error.what(), "unknown option --bogus");
                throw;
            }
        },
        OptionError);
}

}  // namespace
}  // namespace torv
