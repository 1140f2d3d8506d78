#include "exchange/write_preparation.h"

#include <gtest/gtest.h>

#include "exchange/exchange_texts.h"

namespace torv {
namespace {

WriteRequest LegacyRequest(double first, double second, bool secondEnabled)
{
    WriteRequest request;
    request.deviceType = 13;
    request.first = {first, std::to_string(first)};
    request.second = {second, std::to_string(second)};
    request.secondEnabled = secondEnabled;
    request.minMHz = 146;
    request.maxMHz = 174;
    request.current = BuildParameterBlock(SynthMode::Legacy, false, true, {16, 91, 400}, {7, 99, 420});
    return request;
}

WriteRequest GridRequest(std::uint8_t type, double first, double second)
{
    WriteRequest request;
    request.gridMode = true;
    request.deviceType = type;
    request.first = {first, "f1"};
    request.second = {second, "f2"};
    request.minMHz = FindTransmitterType(type) ? FindTransmitterType(type)->minMHz : 0;
    request.maxMHz = FindTransmitterType(type) ? FindTransmitterType(type)->maxMHz : 0;
    return request;
}

TEST(PrepareWrite, LegacyBlockFromDivisors)
{
    const WritePlan plan = PrepareWrite(LegacyRequest(173.9999, 146.0, true));
    ASSERT_FALSE(plan.refusal);
    EXPECT_FALSE(plan.force25kHz);
    EXPECT_EQ(plan.block, BuildParameterBlock(SynthMode::Legacy, false, true, {48, 108, 400}, {16, 91, 400}));
}

TEST(PrepareWrite, LegacyUnusedSecondKeepsTheStoredRecordAndIsNotChecked)
{
    const WritePlan plan = PrepareWrite(LegacyRequest(146.0, 146.0125, false));
    ASSERT_FALSE(plan.refusal);
    EXPECT_EQ(plan.block[16], 0x00);
    EXPECT_EQ(Record2(plan.block).A(), 7);
    EXPECT_EQ(Record2(plan.block).N(), 99);
    EXPECT_EQ(Record2(plan.block).RorF(), 420);
}

TEST(PrepareWrite, RefusalsInTheirOrder)
{
    // Divisors come before the range: out of range and without divisors gives W1.
    WriteRequest both = LegacyRequest(146.0125, 146.0, true);
    both.first.text = "146.0125";
    const WritePlan w1 = PrepareWrite(both);
    ASSERT_TRUE(w1.refusal);
    EXPECT_EQ(w1.refusal->text,
              "Частота №1 146.0125 МГц не может быть запрограммирована,\r\n"
              "    так как для неё требуется  подстройка передатчика.  \r\n"
              "            Обратитесь на фирму производителя.          \r\n"
              "Ближайшие: 146.0000 и 146.0250 МГц");
    EXPECT_EQ(w1.nearestHz, (std::vector<std::int64_t>{146000000, 146025000}));
    EXPECT_FALSE(w1.band);

    // The fields' separator; only the side in the band.
    WriteRequest second = LegacyRequest(146.0, 145.9875, true);
    second.second.text = "145,9875";
    second.decimalSeparator = ",";
    const WritePlan w2 = PrepareWrite(second);
    EXPECT_EQ(w2.refusal->text, texts::NeedsTuning(2, "145,9875", "Ближайшая: 146,0000 МГц").text);
    EXPECT_EQ(w2.nearestHz, std::vector<std::int64_t>{146000000});

    WriteRequest low = LegacyRequest(140.0, 146.0, true);
    low.first.text = "140.0000";
    const WritePlan w3 = PrepareWrite(low);
    ASSERT_TRUE(w3.refusal);
    EXPECT_NE(w3.refusal->text.find("диапозон"), std::string::npos);
    EXPECT_EQ(w3.refusal->caption, "Ошибка");
    EXPECT_EQ(w3.refusal->flags, MessageFlags::kOkError);

    WriteRequest high = LegacyRequest(146.0, 180.0, true);
    high.second.text = "180.0000";
    const WritePlan w4 = PrepareWrite(high);
    ASSERT_TRUE(w4.refusal);
    EXPECT_EQ(w4.refusal->text,
              "Частота №2 180.0000 МГц не может быть запрограммирована,\r\n"
              "    так как превышен диапазон частот для передатчика.   \r\n"
              "            Обратитесь на фирму производителя.          \r\n"
              "Диапазон передатчика: 146.0000 – 174.0000 МГц");
    EXPECT_EQ(w4.band->code, 13);
    EXPECT_TRUE(w4.nearestHz.empty());

    // Unticked second frequency: not checked at all.
    EXPECT_FALSE(PrepareWrite(LegacyRequest(146.0, 180.0, false)).refusal);
    // The bounds themselves pass.
    EXPECT_FALSE(PrepareWrite(LegacyRequest(146.0, 174.0, true)).refusal);
}

TEST(PrepareWrite, GridForcesTheWiderStepUnlessEditingIsEnabled)
{
    WriteRequest request = GridRequest(14, 440.025, 469.0);
    const WritePlan forced = PrepareWrite(request);
    ASSERT_FALSE(forced.refusal);
    EXPECT_TRUE(forced.force25kHz);
    EXPECT_EQ(forced.block[0], 0x07);
    EXPECT_EQ(forced.block[16], 0x06);  // second not ticked, still encoded
    EXPECT_EQ(Record2(forced.block).N(), 234);

    request.gridEditEnabled = true;
    const WritePlan kept = PrepareWrite(request);
    EXPECT_FALSE(kept.force25kHz);
    EXPECT_EQ(kept.block[0], 0x03);

    request.grid25kHz = true;
    request.secondEnabled = true;
    const WritePlan wide = PrepareWrite(request);
    EXPECT_FALSE(wide.force25kHz);
    EXPECT_EQ(wide.block[0], 0x07);
    EXPECT_EQ(wide.block[16], 0x07);
}

TEST(PrepareWrite, GridEncodesBetweenPointsDownAndChecksRange)
{
    const WritePlan plan = PrepareWrite(GridRequest(13, 146.0126, 150.0));
    ASSERT_FALSE(plan.refusal);
    EXPECT_EQ(Record1(plan.block).N(), 91);
    EXPECT_EQ(Record1(plan.block).RorF(), 330);

    EXPECT_TRUE(PrepareWrite(GridRequest(13, 145.9, 150.0)).refusal);
    // No known transmitter type: no band and no divider, refused as out of range, and no
    // band to name.
    const WritePlan unknown = PrepareWrite(GridRequest(0, 146.0, 150.0));
    ASSERT_TRUE(unknown.refusal);
    EXPECT_EQ(unknown.refusal->text, texts::OutOfRange(1, "f1").text);
    EXPECT_FALSE(unknown.band);
}

TEST(PrepareWrite, UnreadableValuesAreRefusedNotWritten)
{
    for (double bad : {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(), 1e300,
                       99999999.0, -146.0}) {
        EXPECT_TRUE(PrepareWrite(LegacyRequest(bad, 146.0, false)).refusal) << bad;
        EXPECT_TRUE(PrepareWrite(GridRequest(13, bad, 150.0)).refusal) << bad;
    }
}

}  // namespace
}  // namespace torv
