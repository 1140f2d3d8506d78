// A keyboard-wedge scan is digits ended by Enter, typed faster than a person types;
// anything else reaches the control that has the focus, in the order it was typed.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include "event_loop.h"
#include "station/scan_filter.h"

namespace torv::station {
namespace {

struct ScanFilterTest : ::testing::Test {
    ScanFilterTest() { field.show(); }

    // Types text into the field with delayMs before each key, then Enter.
    void Type(const QString& text, int delayMs)
    {
        for (const QChar c : text)
            QTest::keyClick(&field, c.toLatin1(), Qt::NoModifier, delayMs);
        QTest::keyClick(&field, Qt::Key_Return, Qt::NoModifier, delayMs);
    }

    ScanFilter filter;
    QSignalSpy scans{&filter, &ScanFilter::Scanned};
    QLineEdit field;
};

TEST_F(ScanFilterTest, FastDigitsEndedByEnterAreAScanAndTheFieldGetsNothing)
{
    Type(QStringLiteral("13071001"), 1);
    ASSERT_EQ(scans.size(), 1);
    EXPECT_EQ(scans.at(0).at(0).toString(), QStringLiteral("13071001"));
    EXPECT_TRUE(field.text().isEmpty());
}

TEST_F(ScanFilterTest, APersonsTypingIsNoScanAndReachesTheFieldWhole)
{
    Type(QStringLiteral("1307"), ScanFilter::kLongestGapMs + 40);  // too slow
    Type(QStringLiteral("12"), 1);                                 // too short
    QTest::keyClicks(&field, QStringLiteral("a5"));                // a letter among digits
    QTest::keyClick(&field, '6', Qt::NoModifier, 1);
    EXPECT_TRUE(testing::RunUntil([&] { return field.text() == QStringLiteral("130712a56"); }, 1000))
        << field.text().toStdString();
    EXPECT_EQ(scans.size(), 0);
}

}  // namespace
}  // namespace torv::station
