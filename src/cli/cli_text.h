// torvctl's user-visible texts: English source texts in the context "CliText", so that
// lupdate finds every CliText::tr("…") and the translation is chosen in one place. (The
// context is the class's own name: lupdate's parser does not follow every "namespace
// torv::cli" scope and then names the context after the class it sees.)
#pragma once

#include <string>

#include <QCoreApplication>
#include <QString>

namespace torv::cli {

class CliText {
    Q_DECLARE_TR_FUNCTIONS(CliText)
};

// The translated text as the UTF-8 string the console writes.
inline std::string Utf8(const QString& text)
{
    return text.toStdString();
}

// A UTF-8 string as an argument of QString::arg.
inline QString ToQString(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace torv::cli
