// The frequency field's step button, and pasting with the middle button under X11.
#include "ui/controls/spin_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

#include "spin_edit_fixture.h"

namespace torv {
namespace {

class SpinEditButtonTest : public SpinEditTest {
protected:
    TSpinButton* Button() const { return field->Button(); }
    QTimer* RepeatTimer() const { return Button()->findChild<QTimer*>("repeatTimer"); }
    static void FireRepeat(QTimer* timer) { QMetaObject::invokeMethod(timer, "timeout"); }
};

TEST_F(SpinEditButtonTest, SitsInsideTheRightBorderAsASquare)
{
    const QRect button = Button()->geometry();
    EXPECT_EQ(button.width(), button.height());
    EXPECT_GT(button.height(), field->height() - 8);
    EXPECT_LE(button.bottom(), field->height() - 1);
    EXPECT_LE(button.right(), field->width() - 1);
    EXPECT_GE(button.right(), field->width() - 4);
    EXPECT_GE(field->textMargins().right(), button.width() + 1);
}

TEST_F(SpinEditButtonTest, DiagonalFromBottomLeftToTopRightSplitsTheHalves)
{
    const int side = Button()->width();
    using Half = TSpinButton::Half;
    EXPECT_EQ(Button()->HalfAt(QPoint(0, 0)), Half::Top);
    EXPECT_EQ(Button()->HalfAt(QPoint(side - 2, 0)), Half::Top);  // the top-right corner region
    EXPECT_EQ(Button()->HalfAt(QPoint(0, side - 2)), Half::Top);
    EXPECT_EQ(Button()->HalfAt(QPoint(side - 1, side - 1)), Half::Bottom);
    EXPECT_EQ(Button()->HalfAt(QPoint(side - 1, 2)), Half::Bottom);
    EXPECT_EQ(Button()->HalfAt(QPoint(2, side - 1)), Half::Bottom);
    EXPECT_EQ(Button()->HalfAt(QPoint(side, 0)), Half::None);
}

TEST_F(SpinEditButtonTest, ClickOnEachHalfStepsOnce)
{
    field->SetValue(150);
    const int side = Button()->width();
    QTest::mouseClick(Button(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(field->text(), "150.0001");
    QTest::mouseClick(Button(), Qt::LeftButton, {}, QPoint(side - 2, side - 2));
    QTest::mouseClick(Button(), Qt::LeftButton, {}, QPoint(side - 2, side - 2));
    EXPECT_EQ(field->text(), "149.9999");
    EXPECT_FALSE(RepeatTimer()->isActive());
}

TEST_F(SpinEditButtonTest, RepeatsAfterIntervalPlus300ThenEveryInterval)
{
    field->SetValue(150);
    QTimer* timer = RepeatTimer();
    ASSERT_NE(timer, nullptr);
    QTest::mousePress(Button(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(field->text(), "150.0001");
    EXPECT_EQ(Button()->PressedHalf(), TSpinButton::Half::Top);
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 400);
    FireRepeat(timer);
    EXPECT_EQ(field->text(), "150.0002");
    EXPECT_EQ(timer->interval(), 100);
    FireRepeat(timer);
    EXPECT_EQ(field->text(), "150.0003");
    QTest::mouseRelease(Button(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(Button()->PressedHalf(), TSpinButton::Half::None);

    field->SetInterval(50);
    QTest::mousePress(Button(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(timer->interval(), 350);
    QTest::mouseRelease(Button(), Qt::LeftButton, {}, QPoint(2, 2));
}

TEST_F(SpinEditButtonTest, NoRepeatBeforeTheFirstDelayInRealTime)
{
    field->SetValue(150);
    const int side = Button()->width();
    QElapsedTimer held;
    held.start();
    QTest::mousePress(Button(), Qt::LeftButton, {}, QPoint(side - 2, side - 2));
    // Events run for a quarter of a second; the field must still show the press's one step
    // unless the machine kept this thread away past the 400 ms first delay.
    while (held.elapsed() < 250) {
        QTest::qWait(10);
        const QString shown = field->text();
        if (held.elapsed() < 400) {
            EXPECT_EQ(shown, "149.9999") << "after " << held.elapsed() << " ms";
        }
    }
    QTest::mouseRelease(Button(), Qt::LeftButton, {}, QPoint(side - 2, side - 2));
}

TEST_F(SpinEditButtonTest, FollowsTheFieldsEnabledState)
{
    field->SetValue(150);
    field->setEnabled(false);
    EXPECT_FALSE(Button()->isEnabled());
    QTest::mouseClick(Button(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(field->text(), "150.0000");
    field->setEnabled(true);
    EXPECT_TRUE(Button()->isEnabled());

    // Disabling the field while the button is held ends the repetition.
    QTest::mousePress(Button(), Qt::LeftButton, {}, QPoint(2, 2));
    window.setEnabled(false);
    EXPECT_FALSE(RepeatTimer()->isActive());
    window.setEnabled(true);
}

// The middle button pastes the X11 selection: refused where the editor may not change
// the text, and within MaxLength where it may.
TEST(SpinEditX11, MiddleClickPastesTheSelectionOnlyWhereTheEditorMayChangeText)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || !QApplication::clipboard()->supportsSelection())
        GTEST_SKIP() << "needs an X server";
    QWidget window;
    window.resize(200, 60);
    auto* field = new BeepCountingSpinEdit(&window);
    field->setGeometry(10, 10, 81, 21);
    field->SetMaxLength(8);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QApplication::clipboard()->setText("abcdefgh", QClipboard::Selection);
    const QPoint afterText(55, 10);

    field->setText("150");
    field->SetEditorEnabled(false);
    QTest::mouseClick(field, Qt::MiddleButton, {}, afterText);
    EXPECT_EQ(field->text(), "150");
    field->SetEditorEnabled(true);
    QTest::mouseClick(field, Qt::MiddleButton, {}, afterText);
    EXPECT_EQ(field->text(), "150abcde");
}

}  // namespace
}  // namespace torv
