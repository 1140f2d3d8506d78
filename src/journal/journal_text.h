#pragma once
// The journal's own texts (why it cannot be used or written): JournalText::tr("…") in
// the context "JournalText". A program that installs a translation of that context
// (torvctl) tells them in its language; the others tell them in English.

#include <string>

#include <QCoreApplication>
#include <QString>

namespace torv {

class JournalText {
    Q_DECLARE_TR_FUNCTIONS(JournalText)
};

// A UTF-8 string as an argument of QString::arg.
inline QString JournalArg(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace torv
