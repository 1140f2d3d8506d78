// Dates and times as people type them, the instants they cover, and how the journal
// shows its times, with the local time zone fixed at UTC+3 for the test.
#include "journal/journal_time.h"

#include <gtest/gtest.h>

#include "scoped_time_zone.h"

namespace torv {
namespace {

class JournalTimeTest : public ::testing::Test {
protected:
    static JournalTime Utc(const char* text) { return ParseStoredTime(text).value(); }

    testing::ScopedTimeZone zone_{"<+03>-3"};
};

TEST_F(JournalTimeTest, TypedDatesAndTimesCoverTheirWholePrecision)
{
    const struct {
        const char* typed;
        const char* begin;  // UTC
        const char* end;
    } accepted[] = {
        {"2026-12-01T13:00:00+03:00", "2026-12-01T10:00:00Z", "2026-12-01T10:00:01Z"},
        {"2026-12-01T13:00+0300", "2026-12-01T10:00:00Z", "2026-12-01T10:01:00Z"},
        {"2026-12-01T08:30-02", "2026-12-01T10:30:00Z", "2026-12-01T10:31:00Z"},
        {"2026-12-01 10:00:00.25Z", "2026-12-01T10:00:00.250Z", "2026-12-01T10:00:00.251Z"},
        {"2026-12-01T13:00:00", "2026-12-01T10:00:00Z", "2026-12-01T10:00:01Z"},  // no offset: local time
        {"2026-12-01", "2026-11-30T21:00:00Z", "2026-12-01T21:00:00Z"},           // the whole local day
        {"01.12.2026", "2026-11-30T21:00:00Z", "2026-12-01T21:00:00Z"},
        {" 1.12.2026 13:00 ", "2026-12-01T10:00:00Z", "2026-12-01T10:01:00Z"},
        {"01.12.2026 13:00:05", "2026-12-01T10:00:05Z", "2026-12-01T10:00:06Z"},
        {"29.02.2028", "2028-02-28T21:00:00Z", "2028-02-29T21:00:00Z"},
    };
    for (const auto& c : accepted) {
        const std::optional<TimeSpan> span = ParseTimeSpan(c.typed);
        ASSERT_TRUE(span) << c.typed;
        EXPECT_EQ(UtcText(span->begin), UtcText(Utc(c.begin))) << c.typed;
        EXPECT_EQ(UtcText(span->end), UtcText(Utc(c.end))) << c.typed;
    }
    for (const char* refused :
         {"", " ", "yesterday", "garbage", "2026-13-45", "2026-02-30", "29.02.2026", "2026-12-01T24:00",
          "2026-12-01T10:60", "2026-12-01T10:00:60", "01.12.26", "2026-12-01+03:00", "2026-12-01T10:00+15:00",
          "2026-12-01T10:00Zjunk", "2026-1-1", "12/01/2026", "1764583200", "2026-12-01T10"})
        EXPECT_EQ(ParseTimeSpan(refused), std::nullopt) << '"' << refused << '"';
}

TEST_F(JournalTimeTest, StoredInUtcShownInLocalTimeWithTheOffset)
{
    const JournalTime time = Utc("2026-12-01T13:00:00.500+03:00");
    EXPECT_EQ(UtcText(time), "2026-12-01T10:00:00.500Z");
    EXPECT_EQ(LocalText(time), "2026-12-01 13:00:00 +03:00");
    EXPECT_EQ(LocalIsoText(time), "2026-12-01T13:00:00.500+03:00");
    EXPECT_EQ(ShownTime("2026-12-01T10:00:00.500Z"), "2026-12-01 13:00:00 +03:00");
    EXPECT_EQ(ShownTime("not a time"), "not a time");
    // Stored texts order as their instants do.
    EXPECT_LT(UtcText(Utc("2026-12-01T09:59:59.999Z")), UtcText(Utc("2026-12-01T13:00:00+03:00")));
    EXPECT_EQ(ParseStoredTime("2026-12-01T10:00:00"), std::nullopt);  // no offset: not a stored time
}

}  // namespace
}  // namespace torv
