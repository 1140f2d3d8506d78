#include "cli/cli_language.h"

#include <cstdlib>
#include <memory>

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace torv::cli {
namespace {

bool russianInUse = false;

// The key on the Russian layout in the place of an English answer letter.
QString RussianLayoutKey(const QString& letter)
{
    if (letter == QLatin1String("r"))
        return QStringLiteral("к");
    if (letter == QLatin1String("c"))
        return QStringLiteral("с");
    if (letter == QLatin1String("q"))
        return QStringLiteral("й");
    return {};
}

}  // namespace

bool RussianLocale(const char* lcAll, const char* lcMessages, const char* lang)
{
    for (const char* value : {lcAll, lcMessages, lang}) {
        if (value && *value) {
            const std::string locale(value);
            const std::string language = locale.substr(0, locale.find_first_of("_.@"));
            return language == "ru";
        }
    }
    return false;
}

bool RussianLocaleInEnvironment()
{
    return RussianLocale(std::getenv("LC_ALL"), std::getenv("LC_MESSAGES"), std::getenv("LANG"));
}

bool UseLanguage(bool russian)
{
    // torvctl's own texts, and Qt's (the command-line parser's errors) where Qt's Russian
    // translation is installed.
    static std::unique_ptr<QTranslator> own;
    static std::unique_ptr<QTranslator> qt;
    for (std::unique_ptr<QTranslator>* translator : {&own, &qt}) {
        if (*translator)
            QCoreApplication::removeTranslator(translator->get());
        translator->reset();
    }
    russianInUse = false;
    if (!russian)
        return true;
    auto loaded = std::make_unique<QTranslator>();
    if (!loaded->load(QStringLiteral(":/i18n/torvctl_ru.qm")) || !QCoreApplication::installTranslator(loaded.get()))
        return false;
    own = std::move(loaded);
    russianInUse = true;
    auto qtTexts = std::make_unique<QTranslator>();
    if (qtTexts->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(qtTexts.get()))
        qt = std::move(qtTexts);
    return true;
}

bool RussianInUse()
{
    return russianInUse;
}

bool ReplyPicks(const std::string& reply, const QString& letter, const QString& word)
{
    const QString given = QString::fromStdString(reply).trimmed().toLower();
    if (given.isEmpty())
        return false;
    if (given == letter.toLower() || given == word.toLower())
        return true;
    return !russianInUse && given == RussianLayoutKey(letter.toLower());
}

}  // namespace torv::cli
