// torvctl's user-visible texts: English source texts in the context "torvctl", so that
// lupdate finds every CliText::tr("…") and the translation is chosen in one place.
#pragma once

#include <string>

#include <QCoreApplication>
#include <QString>

namespace torv::cli {

class CliText {
    Q_DECLARE_TR_FUNCTIONS(torvctl)
};

// The translated text as the UTF-8 string the console writes.
inline std::string Utf8(const QString& text) { return text.toStdString(); }

}  // namespace torv::cli
