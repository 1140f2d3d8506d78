#include "exchange/status_text.h"

#include <gtest/gtest.h>

namespace torv {
namespace {

TEST(StatusText, DateAndTimeWithTheLocalesSeparators)
{
    const QDateTime when(QDate(2026, 3, 7), QTime(9, 5, 4));
    EXPECT_EQ(StatusText("Готово.", when, QLocale(QLocale::Russian, QLocale::Russia)),
              "  07.03.26 09:05:04  -  Готово.");
    EXPECT_EQ(StatusText("Done.", when, QLocale(QLocale::English, QLocale::UnitedStates)),
              "  07/03/26 09:05:04  -  Done.");
    EXPECT_EQ(StatusText("x", QDateTime(QDate(2026, 12, 31), QTime(23, 59, 58)), QLocale(QLocale::German)),
              "  31.12.26 23:59:58  -  x");
}

}  // namespace
}  // namespace torv
