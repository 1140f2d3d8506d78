#pragma once
// The language torvctl speaks: Russian where the C library's messages would be Russian,
// English otherwise; and the operator's answers to its questions in that language.

#include <string>

#include <QString>

namespace torv::cli {

// Chosen as the C library chooses its messages' language: the first of LC_ALL,
// LC_MESSAGES and LANG that is set and not empty names the locale; Russian when its
// language is "ru" (ru, ru_RU.UTF-8, ru_UA@…), English otherwise (C and POSIX included).
// LANGUAGE is not consulted.
bool RussianLocale(const char* lcAll, const char* lcMessages, const char* lang);
bool RussianLocaleInEnvironment();

// Loads the Russian translation compiled into the program, or none (English). The
// choice holds for the rest of the run. Needs the QCoreApplication. False when Russian
// was asked for and the translation could not be loaded (then English is spoken).
bool UseLanguage(bool russian);
bool RussianInUse();

// Whether the operator's reply picks the choice a question shows as "[letter]word":
// the letter or the whole word, either case, blanks around ignored. Where English is
// spoken, the key in the letter's place on the Russian layout counts as well for r, c
// and q (к, с, й); a yes/no question shows other letters, and gets no such key.
bool ReplyPicks(const std::string& reply, const QString& letter, const QString& word);

}  // namespace torv::cli
