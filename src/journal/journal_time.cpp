#include "journal/journal_time.h"

#include <cstdlib>

#include <QDateTime>
#include <QRegularExpression>
#include <QTimeZone>

namespace torv {
namespace {

using std::chrono::milliseconds;

const QRegularExpression kIsoForm(
    QStringLiteral("^([0-9]{4})-([0-9]{2})-([0-9]{2})"
                   "(?:[T ]([0-9]{2}):([0-9]{2})(?::([0-9]{2})(?:[.,]([0-9]{1,9}))?)?"
                   "(Z|[+-][0-9]{2}(?::?[0-9]{2})?)?)?$"));
const QRegularExpression kDottedForm(
    QStringLiteral("^([0-9]{1,2})\\.([0-9]{1,2})\\.([0-9]{4})(?: +([0-9]{1,2}):([0-9]{2})(?::([0-9]{2}))?)?$"));

JournalTime FromQt(const QDateTime& time)
{
    return JournalTime(milliseconds(time.toMSecsSinceEpoch()));
}

QDateTime LocalOf(JournalTime time)
{
    return QDateTime::fromMSecsSinceEpoch(time.time_since_epoch().count(), Qt::LocalTime);
}

int Number(const QRegularExpressionMatch& match, int group)
{
    return match.captured(group).toInt();
}

// "Z", "+03", "+0330", "-03:30" as seconds ahead of UTC; nothing for an offset out of range.
std::optional<QTimeZone> Zone(const QString& offset)
{
    if (offset.isEmpty())
        return std::nullopt;
    if (offset == QLatin1String("Z"))
        return QTimeZone::utc();
    const QString digits = offset.mid(1).remove(QLatin1Char(':'));
    const int hours = digits.left(2).toInt();
    const int minutes = digits.size() > 2 ? digits.mid(2).toInt() : 0;
    if (hours > 14 || minutes > 59)
        return QTimeZone();  // invalid
    return QTimeZone((offset[0] == QLatin1Char('-') ? -1 : 1) * (hours * 3600 + minutes * 60));
}

// A date, or a date and a time given to the minute, the second or a fraction of one.
std::optional<TimeSpan> Span(const QDate& date, const QRegularExpressionMatch& match, int timeGroup,
                             const QString& offset)
{
    if (!date.isValid())
        return std::nullopt;
    const std::optional<QTimeZone> zone = Zone(offset);
    if (zone && !zone->isValid())
        return std::nullopt;
    if (!match.hasCaptured(timeGroup)) {
        const QDateTime begin = date.startOfDay();
        const QDateTime end = date.addDays(1).startOfDay();
        if (!begin.isValid() || !end.isValid())
            return std::nullopt;
        return TimeSpan{FromQt(begin), FromQt(end)};
    }
    const bool seconds = match.hasCaptured(timeGroup + 2);
    const QString fraction = match.captured(timeGroup + 3);
    const int ms = fraction.isEmpty() ? 0 : (fraction + QStringLiteral("00")).left(3).toInt();
    const QTime time(Number(match, timeGroup), Number(match, timeGroup + 1), seconds ? Number(match, timeGroup + 2) : 0,
                     ms);
    if (!time.isValid())
        return std::nullopt;
    const QDateTime begin = zone ? QDateTime(date, time, *zone) : QDateTime(date, time);
    // A local time that the clock skips (the change to summer time) does not exist.
    if (!begin.isValid() || (!zone && begin.time() != time))
        return std::nullopt;
    const milliseconds length = !fraction.isEmpty() ? milliseconds(1)
                                : seconds           ? milliseconds(1000)
                                                    : milliseconds(60000);
    return TimeSpan{FromQt(begin), FromQt(begin) + length};
}

QString OffsetText(int secondsAhead)
{
    const int minutes = std::abs(secondsAhead) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(secondsAhead < 0 ? QLatin1Char('-') : QLatin1Char('+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

// Translatable (JournalText::tr) for the programs that speak the operator's language.
const char* const kTimeForms =
    QT_TRANSLATE_NOOP("JournalText",
                      "YYYY-MM-DD, YYYY-MM-DDTHH:MM[:SS] with Z or +HH:MM or none for local time, or "
                      "DD.MM.YYYY [HH:MM[:SS]]");

std::optional<TimeSpan> ParseTimeSpan(std::string_view text)
{
    const QString typed = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).trimmed();
    if (const QRegularExpressionMatch iso = kIsoForm.match(typed); iso.hasMatch())
        return Span(QDate(Number(iso, 1), Number(iso, 2), Number(iso, 3)), iso, 4, iso.captured(8));
    if (const QRegularExpressionMatch dotted = kDottedForm.match(typed); dotted.hasMatch())
        return Span(QDate(Number(dotted, 3), Number(dotted, 2), Number(dotted, 1)), dotted, 4, QString());
    return std::nullopt;
}

JournalTime TimeNow()
{
    return std::chrono::time_point_cast<milliseconds>(std::chrono::system_clock::now());
}

std::string UtcText(JournalTime time)
{
    return QDateTime::fromMSecsSinceEpoch(time.time_since_epoch().count(), Qt::UTC)
        .toString(Qt::ISODateWithMs)
        .toStdString();
}

std::optional<JournalTime> ParseStoredTime(std::string_view text)
{
    const QDateTime time =
        QDateTime::fromString(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), Qt::ISODateWithMs);
    if (!time.isValid() || time.timeSpec() == Qt::LocalTime)
        return std::nullopt;
    return FromQt(time);
}

std::string LocalText(JournalTime time)
{
    const QDateTime local = LocalOf(time);
    return (local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss ")) + OffsetText(local.offsetFromUtc())).toStdString();
}

std::string LocalIsoText(JournalTime time)
{
    const QDateTime local = LocalOf(time);
    return (local.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz")) + OffsetText(local.offsetFromUtc()))
        .toStdString();
}

std::string ShownTime(const std::string& stored, std::string (*format)(JournalTime))
{
    const std::optional<JournalTime> time = ParseStoredTime(stored);
    return time ? format(*time) : stored;
}

}  // namespace torv
