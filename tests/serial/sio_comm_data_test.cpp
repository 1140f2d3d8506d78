// Replies that hold every byte value in every position reach the reader whole and exact,
// however the line cuts them: OnRxChar's count is always the number of data bytes that
// ReadBytes then hands over, through a UART that marks its input (a data 0xFF queued
// twice, a mark cut between two reads) and through a real pseudo-terminal paced at
// 2400 bit/s.
#include "event_loop.h"
#include "fake_uart.h"
#include "pty_pair.h"
#include "serial/sio_comm.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace torv {
namespace {

using testing::RunUntil;
using namespace std::chrono_literals;

constexpr std::size_t kBlockSize = 32;
// One byte on a 2400 bit/s line with start, parity and stop bits.
constexpr std::chrono::microseconds kLineBytePeriod{4583};

// 256 blocks in which every byte value stands once in every position, then blocks of the
// patterns the kernel's marks and the protocol give a meaning to, sent as data.
std::vector<std::string> AwkwardBlocks()
{
    std::vector<std::string> blocks;
    for (std::size_t k = 0; k < 256; ++k) {
        std::string block(kBlockSize, '\0');
        for (std::size_t i = 0; i < kBlockSize; ++i)
            block[i] = static_cast<char>((k + 37 * i) & 0xFF);
        blocks.push_back(block);
    }
    const std::string patterns[] = {std::string(1, '\0'),       "\xFF", "\xFF\xFF", std::string("\xFF\0", 2),
                                    std::string("\xFF\0\0", 3), "\x55", "\x06",     "\x15"};
    for (const std::string& pattern : patterns) {
        std::string block;
        while (block.size() < kBlockSize)
            block += pattern;
        block.resize(kBlockSize);
        blocks.push_back(block);
    }
    return blocks;
}

// What a kernel marking its input (PARMRK) queues for these data bytes.
std::string Marked(const std::string& data)
{
    std::string raw;
    for (const char byte : data) {
        raw += byte;
        if (byte == '\xFF')
            raw += byte;
    }
    return raw;
}

// Reads as the exchange reads a parameter block: nothing until the count says the whole
// block is there, then every byte counted.
class BlockReader {
public:
    explicit BlockReader(TSioComm& port) : port_(port)
    {
        port.OnRxChar.Connect(&receiver_, [this](TSioComm*, int count) { OnRxChar(count); });
    }

    std::vector<std::string> blocks;
    std::atomic<std::size_t> taken{0};

private:
    void OnRxChar(int count)
    {
        if (count < static_cast<int>(kBlockSize))
            return;
        std::string data(static_cast<std::size_t>(count), '\0');
        const int read = port_.ReadBytes(data.data(), count);
        EXPECT_EQ(read, count) << "the count promised bytes that could not be read";
        data.resize(static_cast<std::size_t>(std::max(read, 0)));
        blocks.push_back(data);
        ++taken;
    }

    TSioComm& port_;
    QObject receiver_;  // the last member: the handler ends before the rest goes
};

class EveryByteValue : public ::testing::Test {
protected:
    void SetUp() override
    {
        ApplyProgrammerPortSettings(port);
        port.SetCloseSettleTime(0ms);
    }

    TSioComm port;
};

TEST_F(EveryByteValue, ComesWholeThroughAUartThatMarksItsInput)
{
    test::FakeUart uart;
    uart.Attach(port);
    BlockReader reader(port);
    port.OpenPort();
    std::mt19937 random(2400);
    const std::vector<std::string> blocks = AwkwardBlocks();
    for (const bool byteByByte : {true, false}) {
        SCOPED_TRACE(byteByByte ? "byte by byte" : "random pieces");
        for (const std::string& block : blocks) {
            const std::size_t before = reader.blocks.size();
            const std::string raw = Marked(block);
            // Pieces of the marked input, cut anywhere: also between the two halves of a 0xFF.
            for (std::size_t at = 0; at < raw.size();) {
                const std::size_t piece = byteByByte ? 1 : std::uniform_int_distribution<std::size_t>(1, 9)(random);
                uart.Receive(raw.substr(at, piece));
                at += piece;
                ASSERT_TRUE(RunUntil([&] { return uart.Queued() == 0; }, 2000));
            }
            ASSERT_TRUE(RunUntil([&] { return reader.blocks.size() == before + 1; }, 2000));
            ASSERT_EQ(reader.blocks.back(), block);
        }
    }
}

TEST_F(EveryByteValue, ComesWholeThroughAPseudoTerminalAtLineSpeed)
{
    test::PtyPair pty;
    port.SetDeviceName(pty.SlavePath());
    BlockReader reader(port);
    port.OpenPort();
    const std::vector<std::string> all = AwkwardBlocks();
    // Paced byte by byte: the patterns and every 32nd block; then every block in random
    // pieces with random pauses.
    std::vector<std::string> paced(all.end() - 8, all.end());
    for (std::size_t k = 0; k < 256; k += 32)
        paced.push_back(all[k]);
    const auto sendAll = [&](const std::vector<std::string>& blocks, bool atLineSpeed) {
        std::thread line([&] {
            std::mt19937 random(2400);
            for (std::size_t b = 0; b < blocks.size(); ++b) {
                const std::string& block = blocks[b];
                for (std::size_t at = 0; at < block.size();) {
                    const std::size_t piece =
                        atLineSpeed ? 1 : std::uniform_int_distribution<std::size_t>(1, 12)(random);
                    pty.Send(block.substr(at, piece));
                    at += piece;
                    std::this_thread::sleep_for(atLineSpeed ? kLineBytePeriod
                                                            : std::chrono::microseconds(random() % 3000));
                }
                // The next reply only after this one was taken, as a command waits for its reply.
                const auto deadline = std::chrono::steady_clock::now() + 5s;
                while (reader.taken < (b + 1) && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::sleep_for(1ms);
            }
        });
        const std::size_t before = reader.blocks.size();
        const bool all_taken = RunUntil([&] { return reader.blocks.size() == before + blocks.size(); }, 60000);
        line.join();
        ASSERT_TRUE(all_taken);
        const std::vector<std::string> got(reader.blocks.begin() + static_cast<long>(before), reader.blocks.end());
        EXPECT_EQ(got, blocks);
    };
    sendAll(paced, true);
    reader.taken = 0;
    reader.blocks.clear();
    sendAll(all, false);
}

}  // namespace
}  // namespace torv
