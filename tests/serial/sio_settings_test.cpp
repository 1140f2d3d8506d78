#include "serial/sio_settings.h"

#include <gtest/gtest.h>

namespace torv {
namespace {

struct CountedChanges {
    explicit CountedChanges(TSioPersistent& settings)
    {
        settings.OnChange = [this] { ++count; };
    }
    int count = 0;
};

TEST(TSioFlowControl, StartsAllOffAndReportsOnlyRealChanges)
{
    TSioFlowControl flow;
    EXPECT_FALSE(flow.OutCtsFlow());
    EXPECT_EQ(flow.ControlDtr(), TSioControlDtr::dtrDisabled);
    EXPECT_EQ(flow.ControlRts(), TSioControlRts::rtsDisabled);
    CountedChanges changes(flow);

    flow.SetOutCtsFlow(true);
    flow.SetOutCtsFlow(true);
    flow.SetControlRts(TSioControlRts::rtsHandshake);
    EXPECT_EQ(changes.count, 2);
}

TEST(TSioFlowControl, AssignCopiesEverythingWithOneChange)
{
    TSioFlowControl source;
    source.SetOutCtsFlow(true);
    source.SetControlDtr(TSioControlDtr::dtrEnabled);
    source.SetXonXoffIn(true);
    source.SetTxContinueOnXoff(true);

    TSioFlowControl target;
    CountedChanges changes(target);
    target.Assign(source);
    EXPECT_EQ(changes.count, 1);
    EXPECT_TRUE(target.OutCtsFlow());
    EXPECT_EQ(target.ControlDtr(), TSioControlDtr::dtrEnabled);
    EXPECT_TRUE(target.XonXoffIn());
    EXPECT_TRUE(target.TxContinueOnXoff());
    EXPECT_FALSE(target.XonXoffOut());
}

TEST(TSioEventChars, DefaultsAndEveryAssignmentCounts)
{
    TSioEventChars chars;
    EXPECT_EQ(chars.XonChar(), 0x11);
    EXPECT_EQ(chars.XoffChar(), 0x13);
    EXPECT_EQ(chars.ErrorChar(), 0);
    CountedChanges changes(chars);

    chars.SetXonChar(0x11);
    chars.SetErrorChar(0x3F);
    EXPECT_EQ(changes.count, 2);
    EXPECT_EQ(chars.ErrorChar(), 0x3F);
}

TEST(TSioEventChars, EofCharReadsTheEventChar)
{
    TSioEventChars chars;
    chars.SetEofChar(0x1A);
    chars.SetEventChar(0x0D);
    EXPECT_EQ(chars.EofChar(), 0x0D);

    TSioEventChars copy;
    copy.Assign(chars);
    EXPECT_EQ(copy.EventChar(), 0x0D);
}

TEST(TSioEventChars, IndexOutsideOneToFiveChangesNothing)
{
    TSioEventChars chars;
    CountedChanges changes(chars);
    chars.SetChar(static_cast<TSioEventChars::Index>(0), 0x55);
    chars.SetChar(static_cast<TSioEventChars::Index>(6), 0x55);
    EXPECT_EQ(changes.count, 0);
    EXPECT_EQ(chars.XonChar(), 0x11);
}

TEST(TSioBuffers, WaitsArePlainValuesAndSizesAreSettings)
{
    TSioBuffers buffers;
    EXPECT_EQ(buffers.ReadSize(), 4096);
    EXPECT_EQ(buffers.WriteSize(), 2048);
    EXPECT_EQ(buffers.ReadTimeout(), 1000);
    EXPECT_EQ(buffers.WriteTimeout(), 1000);
    EXPECT_EQ(buffers.XonLimit(), 1024);
    EXPECT_EQ(buffers.XoffLimit(), 1024);
    CountedChanges changes(buffers);

    buffers.SetReadTimeout(1500);
    buffers.SetWriteTimeout(1500);
    EXPECT_EQ(changes.count, 0);
    buffers.SetWriteSize(64);
    EXPECT_EQ(changes.count, 1);
}

TEST(TSioBuffers, NegativeValuesAreTakenAsZero)
{
    TSioBuffers buffers;
    buffers.SetWriteSize(-5);
    buffers.SetWriteTimeout(-1);
    EXPECT_EQ(buffers.WriteSize(), 0);
    EXPECT_EQ(buffers.WriteTimeout(), 0);
}

}  // namespace
}  // namespace torv
