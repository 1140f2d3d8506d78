#pragma once
// The journal's times: instants stored in UTC, shown in local time with the offset, and
// typed by people as ISO 8601 or as ДД.ММ.ГГГГ [ЧЧ:ММ[:СС]].

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace torv {

using JournalTime = std::chrono::sys_time<std::chrono::milliseconds>;

// What a typed date or time covers, [begin, end): a date the whole day, a time without
// seconds the whole minute, a time with seconds the whole second.
struct TimeSpan {
    JournalTime begin;
    JournalTime end;
};

// The forms ParseTimeSpan takes, for messages.
extern const char* const kTimeForms;

// ISO 8601: YYYY-MM-DD, or that with THH:MM[:SS[.fff]] (a blank for the T too) and an
// offset (Z, +HH:MM, +HHMM, +HH) or none for local time; or ДД.ММ.ГГГГ [ЧЧ:ММ[:СС]] in
// local time. Nothing for any other text, a date that does not exist included.
std::optional<TimeSpan> ParseTimeSpan(std::string_view text);

JournalTime TimeNow();
// The stored form, "2026-12-01T10:00:00.000Z": such texts compare as their instants do.
std::string UtcText(JournalTime time);
// An ISO 8601 date-time with an offset, as stored; nothing for any other text.
std::optional<JournalTime> ParseStoredTime(std::string_view text);
// For people: "2026-12-01 13:00:00 +03:00", in the local time zone.
std::string LocalText(JournalTime time);
// For programs: "2026-12-01T13:00:00.000+03:00", in the local time zone.
std::string LocalIsoText(JournalTime time);
// A stored time as format shows it; the text itself when it is not a stored time.
std::string ShownTime(const std::string& stored, std::string (*format)(JournalTime) = LocalText);

}  // namespace torv
