#include "exchange/status_text.h"

namespace torv {
namespace {

// The first character of a date or time format that is not a field letter or a blank.
QString Separator(const QString& format, const QString& fallback)
{
    for (QChar c : format)
        if (!c.isLetter() && !c.isSpace() && c != u'\'')
            return QString(c);
    return fallback;
}

}  // namespace

std::string StatusText(const std::string& message, const QDateTime& now, const QLocale& locale)
{
    const QString date = Separator(locale.dateFormat(QLocale::ShortFormat), QStringLiteral("/"));
    const QString time = Separator(locale.timeFormat(QLocale::ShortFormat), QStringLiteral(":"));
    const QString pattern = QStringLiteral("dd'%1'MM'%1'yy hh'%2'mm'%2'ss").arg(date, time);
    return "  " + now.toString(pattern).toStdString() + "  -  " + message;
}

}  // namespace torv
