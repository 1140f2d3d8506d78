#include "serial/line_input.h"
#include "serial/tty_port.h"

#include <asm/termbits.h>
#include <gtest/gtest.h>

namespace torv::tty {
namespace {

LineSettings ProgrammerLine()
{
    LineSettings line;
    line.baudrate = 2400;
    line.parity = TSioParity::paEven;
    line.options = TSioCommOption::coParityCheck;
    line.gateOnCts = true;
    return line;
}

TEST(BuildTermios, ProgrammerPortIsRawEvenParityWithoutKernelHandshake)
{
    const auto words = BuildTermios(ProgrammerLine());
    ASSERT_TRUE(words);
    EXPECT_EQ(words->cflag & CBAUD, static_cast<std::uint32_t>(B2400));
    EXPECT_EQ(words->cflag & CSIZE, static_cast<std::uint32_t>(CS8));
    EXPECT_EQ(words->cflag & (PARENB | PARODD | CMSPAR), static_cast<std::uint32_t>(PARENB));
    EXPECT_EQ(words->cflag & (CREAD | CLOCAL), static_cast<std::uint32_t>(CREAD | CLOCAL));
    // RTS stays off: no kernel handshake, no hang-up toggle on close, one stop bit.
    EXPECT_EQ(words->cflag & (CRTSCTS | HUPCL | CSTOPB), 0u);
    EXPECT_EQ(words->iflag, static_cast<std::uint32_t>(INPCK | PARMRK));
    EXPECT_EQ(words->oflag, 0u);
    EXPECT_EQ(words->lflag, 0u);
    EXPECT_EQ(words->speed, 2400u);
    EXPECT_FALSE(KernelHandshake(ProgrammerLine()));
}

TEST(BuildTermios, MapsParityStopBitsAndSoftwareFlow)
{
    LineSettings line;
    line.parity = TSioParity::paMark;
    line.stopbits = TSioStopbits::sb2;
    line.databits = TSioDatabits::db7;
    line.xonXoffOut = true;
    line.xonXoffIn = true;
    line.xonChar = 0x01;
    line.xoffChar = 0x02;
    auto words = BuildTermios(line);
    ASSERT_TRUE(words);
    EXPECT_EQ(words->cflag & (PARENB | PARODD | CMSPAR), static_cast<std::uint32_t>(PARENB | PARODD | CMSPAR));
    EXPECT_NE(words->cflag & CSTOPB, 0u);
    EXPECT_EQ(words->cflag & CSIZE, static_cast<std::uint32_t>(CS7));
    EXPECT_EQ(words->iflag & (IXON | IXOFF), static_cast<std::uint32_t>(IXON | IXOFF));
    EXPECT_EQ(words->startChar, 0x01);
    EXPECT_EQ(words->stopChar, 0x02);

    line.parity = TSioParity::paSpace;
    words = BuildTermios(line);
    EXPECT_EQ(words->cflag & (PARENB | PARODD | CMSPAR), static_cast<std::uint32_t>(PARENB | CMSPAR));
}

TEST(BuildTermios, RtsHandshakeLeavesFlowToTheKernel)
{
    LineSettings line;
    line.controlRts = TSioControlRts::rtsHandshake;
    const auto words = BuildTermios(line);
    ASSERT_TRUE(words);
    EXPECT_NE(words->cflag & CRTSCTS, 0u);
    EXPECT_TRUE(KernelHandshake(line));
}

TEST(BuildTermios, NonStandardRatesGoByNumber)
{
    LineSettings line;
    line.baudrate = 14400;
    const auto words = BuildTermios(line);
    ASSERT_TRUE(words);
    EXPECT_EQ(words->cflag & CBAUD, static_cast<std::uint32_t>(BOTHER));
    EXPECT_EQ(words->speed, 14400u);
}

TEST(BuildTermios, RefusesWhatLinuxCannotDo)
{
    LineSettings fourBits;
    fourBits.databits = TSioDatabits::db4;
    EXPECT_FALSE(BuildTermios(fourBits));
    LineSettings noRate;
    noRate.baudrate = 0;
    EXPECT_FALSE(BuildTermios(noRate));
}

TEST(LineErrors, EachCounterGivesItsFlag)
{
    const LineCounters before{1, 1, 1, 1, 1};
    EXPECT_EQ(LineErrors(before, before), 0);
    EXPECT_EQ(LineErrors(before, {2, 1, 1, 1, 1}), line_error::kFrame);
    EXPECT_EQ(LineErrors(before, {1, 2, 1, 1, 1}), line_error::kOverrun);
    EXPECT_EQ(LineErrors(before, {1, 1, 2, 1, 1}), line_error::kParity);
    EXPECT_EQ(LineErrors(before, {1, 1, 1, 2, 1}), line_error::kBreak);
    EXPECT_EQ(LineErrors(before, {1, 1, 1, 1, 2}), line_error::kRxOverflow);
}

TEST(InputDecoder, TakesOutMarksAndAppliesTheReceiveOptions)
{
    const ReceiveRules marked{true};
    const ReceiveRules replacing{true, true, '?'};
    const ReceiveRules stripping{true, false, 0, true};
    struct Case {
        const char* what;
        std::string raw;
        ReceiveRules rules;
        std::string data;
        int errorBytes;
        int breaks;
    };
    const Case cases[] = {
        {"plain bytes", std::string("ab\0c", 4), marked, std::string("ab\0c", 4), 0, 0},
        {"a data 0xFF",
         "a\xff\xff"
         "b",
         marked,
         "a\xff"
         "b",
         0, 0},
        {"error byte kept", std::string("\xff\0A", 3), marked, "A", 1, 0},
        {"error byte replaced", std::string("\xff\0A", 3), replacing, "?", 1, 0},
        {"break gives no byte", std::string("x\xff\0\0y", 5), replacing, "xy", 0, 1},
        {"zero bytes stripped", std::string("\0a\0\0b", 5), stripping, "ab", 0, 0},
        {"unmarked input passes 0xFF", "\xff\xff", ReceiveRules{}, "\xff\xff", 0, 0},
    };
    for (const Case& c : cases) {
        // Whole, and cut after every byte: a mark may end one read and begin the next.
        for (const size_t cut : {c.raw.size(), size_t{1}}) {
            InputDecoder decoder;
            std::string data;
            MarksFound total;
            for (size_t at = 0; at < c.raw.size(); at += cut) {
                const std::string piece = c.raw.substr(at, cut);
                const MarksFound found = decoder.Decode(reinterpret_cast<const std::uint8_t*>(piece.data()),
                                                        static_cast<int>(piece.size()), c.rules, data);
                total.errorBytes += found.errorBytes;
                total.breaks += found.breaks;
            }
            EXPECT_EQ(data, c.data) << c.what << ", pieces of " << cut;
            EXPECT_EQ(total.errorBytes, c.errorBytes) << c.what;
            EXPECT_EQ(total.breaks, c.breaks) << c.what;
        }
    }
}

}  // namespace
}  // namespace torv::tty
