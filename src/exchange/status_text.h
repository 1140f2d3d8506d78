#pragma once

#include <string>

#include <QDateTime>
#include <QLocale>

namespace torv {

// "  dd/mm/yy hh:nn:ss  -  message", with the locale's date and time separators.
std::string StatusText(const std::string& message, const QDateTime& now = QDateTime::currentDateTime(),
                       const QLocale& locale = QLocale::system());

}  // namespace torv
