#include "journal/journal_settings.h"

#include <cstdlib>

#include <QRegularExpression>
#include <QSettings>
#include <QSysInfo>

namespace torv {

JournalSettings ReadJournalSettings()
{
    const QSettings settings(QSettings::IniFormat, QSettings::UserScope, "torv-programmer", "torv-programmer");
    const auto text = [&settings](const char* key) { return settings.value(key).toString().trimmed().toStdString(); };
    JournalSettings result{text("journal/bench"), text("journal/operator"), text("journal/server"),
                           text("journal/mode")};
    if (const char* server = std::getenv("TORV_JOURNAL_SERVER"); server && *server)
        result.server = server;
    return result;
}

std::string BenchName(const std::string& configured)
{
    return configured.empty() ? QSysInfo::machineHostName().toStdString() : configured;
}

std::string MaskPasswords(const std::string& text)
{
    // password=value, password = 'quoted value', and a URI's user:password@.
    static const QRegularExpression keyValue(R"((password\s*=\s*)('(?:[^'\\]|\\.)*'|[^\s;]*))",
                                             QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression uri(R"((postgres(?:ql)?://[^:/@\s]*:)[^@\s]*@)",
                                        QRegularExpression::CaseInsensitiveOption);
    QString masked = QString::fromStdString(text);
    masked.replace(keyValue, "\\1***");
    masked.replace(uri, "\\1***@");
    return masked.toStdString();
}

}  // namespace torv
