#include "ui/controls/spin_edit.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

#include "spin_edit_fixture.h"

namespace torv {
namespace {

TEST_F(SpinEditTest, StepKeysWrapToTheOppositeBound)
{
    field->SetValue(174);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), "146.0000");
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->text(), "174.0000");
    field->SetValue(173.95);
    QTest::keyClick(field, Qt::Key_PageUp);
    EXPECT_EQ(field->text(), "146.0000");
    QTest::keyClick(field, Qt::Key_PageDown);
    EXPECT_EQ(field->text(), "174.0000");
}

TEST_F(SpinEditTest, StepsReachBothBoundsWithoutWrappingEarly)
{
    field->SetValue(173.9999);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), "174.0000");
    field->SetValue(146.0001);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->text(), "146.0000");

    // The higher bands, where a sum of doubles lands a hair beside the bound.
    field->SetMaxValue(470);
    field->SetMinValue(440);
    field->SetValue(440.0001);
    QTest::keyClick(field, Qt::Key_Down);
    EXPECT_EQ(field->text(), "440.0000");
    field->SetValue(469.9);
    QTest::keyClick(field, Qt::Key_PageUp);
    EXPECT_EQ(field->text(), "470.0000");
}

TEST_F(SpinEditTest, ClampsInsteadOfWrappingWhenNotCyclic)
{
    field->SetIsCicle(false);
    field->SetValue(174);
    field->StepUp();
    EXPECT_EQ(field->text(), "174.0000");
    field->SetValue(146);
    field->StepDown();
    EXPECT_EQ(field->text(), "146.0000");
    EXPECT_DOUBLE_EQ(field->ConstrainValue(1000), 174);
}

TEST_F(SpinEditTest, LeavingTheFieldWrapsOnlyValuesOutsideTheBounds)
{
    TypeAndLeave("180");
    EXPECT_EQ(field->text(), "146.0000");
    TypeAndLeave("100");
    EXPECT_EQ(field->text(), "174.0000");
    TypeAndLeave("160");
    EXPECT_EQ(field->text(), "160");
    TypeAndLeave("150.5");
    EXPECT_EQ(field->text(), "150.5");
    TypeAndLeave("174");
    EXPECT_EQ(field->text(), "174");
}

TEST_F(SpinEditTest, BadTextLeftInTheFieldBecomesTheMinimumOnLeaving)
{
    TypeAndLeave("-");
    EXPECT_EQ(field->text(), "146.0000");
    TypeAndLeave("99999999");
    EXPECT_EQ(field->text(), "146.0000");
    TypeAndLeave("");
    EXPECT_EQ(field->text(), "146.0000");
}

TEST_F(SpinEditTest, DeactivatingTheWindowIsNoLeavingOfTheField)
{
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "180");
    QFocusEvent deactivated(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
    QApplication::sendEvent(field, &deactivated);
    EXPECT_EQ(field->text(), "180");
}

TEST_F(SpinEditTest, ReadingFollowsTheTextRules)
{
    struct Case {
        QString text;
        double value;
        QString textAfter;
    };
    const Case cases[] = {
        {"", 146, "146.0000"},
        {"   ", 146, "146.0000"},
        {"-", 146, "146.0000"},
        {"+", 146, "146.0000"},
        {"abc", 146, "146.0000"},
        {"146,,0", 146, "146.0000"},
        {"1,000", 146, "146.0000"},  // no group separators
        {"1-4+6", 146, "146.0000"},
        {"inf", 146, "146.0000"},
        {"1e999", 146, "146.0000"},
        {"1e5", 100000, "1e5"},  // a readable number is returned as it stands
        {"99999999", 99999999, "99999999"},
        {" 150.5 ", 150.5, " 150.5 "},
        {"100", 100, "100"},
        {"+150", 150, "+150"},
    };
    for (const Case& c : cases) {
        field->setText(c.text);
        EXPECT_DOUBLE_EQ(field->Value(), c.value) << c.text.toStdString();
        EXPECT_EQ(field->text(), c.textAfter) << c.text.toStdString();
    }
}

TEST_F(SpinEditTest, SuffixIsWrittenAndIgnoredWhenReading)
{
    field->SetSuffix(" MHz");
    field->SetValue(150);
    EXPECT_EQ(field->text(), "150.0000 MHz");
    EXPECT_DOUBLE_EQ(field->Value(), 150);
    field->setText(" MHz");
    EXPECT_DOUBLE_EQ(field->Value(), 146);
    EXPECT_EQ(field->text(), "146.0000 MHz");
}

TEST_F(SpinEditTest, FormatsWithTheLocaleSeparatorAndRounds)
{
    EXPECT_EQ(field->FormatValue(146), "146.0000");
    EXPECT_EQ(field->FormatValue(173.99996), "174.0000");
    EXPECT_EQ(field->FormatValue(9.99999), "10.0000");
    field->SetDecimals(2);
    EXPECT_EQ(field->FormatValue(-5.5), "-05.50");  // the minus sign counts as an integer digit
    EXPECT_EQ(field->FormatValue(-0.5), "-0.50");
    EXPECT_EQ(field->FormatValue(-99.996), "-100.00");  // rounding supplies the digit the sign asked for
    EXPECT_EQ(field->FormatValue(-146), "-0146.00");
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    EXPECT_EQ(field->FormatValue(146), "146,00");
    field->setText("150,25");
    EXPECT_DOUBLE_EQ(field->Value(), 150.25);
    field->setText("150.25");  // the point is no separator here
    EXPECT_DOUBLE_EQ(field->Value(), 146);
    field->SetDecimals(4);
    EXPECT_EQ(field->FormatValue(-9.99999), "-10,0000");
    EXPECT_EQ(field->FormatValue(-10.00001), "-010,0000");
}

TEST_F(SpinEditTest, RefusesLettersAndBlanksWithABeep)
{
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "1a 5");
    EXPECT_EQ(field->text(), "15");
    EXPECT_EQ(field->beeps, 2);
}

TEST_F(SpinEditTest, AcceptsSignsAnywhereAndReadsTheResultAsTheMinimum)
{
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "1-4+6");
    EXPECT_EQ(field->text(), "1-4+6");
    EXPECT_EQ(field->beeps, 0);
    EXPECT_DOUBLE_EQ(field->Value(), 146);
}

// A point or a comma, whichever the locale uses, is typed as its decimal separator: typed
// "151,5" once became "1515" and then the minimum.
TEST_F(SpinEditTest, PointOrCommaBecomesTheSeparatorThroughTheKeyHandler)
{
    struct Case {
        QLocale locale;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {QLocale(QLocale::English, QLocale::UnitedStates), "150.5", "150.5"},
        {QLocale(QLocale::English, QLocale::UnitedStates), "151,5", "151.5"},
        {QLocale(QLocale::Russian, QLocale::Russia), "150.5", "150,5"},
        {QLocale(QLocale::Russian, QLocale::Russia), "151,5", "151,5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        QLocale::setDefault(c.locale);
        field->setFocus();
        field->clear();
        QTest::keyClicks(field, c.typed);
        EXPECT_EQ(field->text(), c.shown);
        EXPECT_DOUBLE_EQ(field->Value(), QString(c.shown).replace(',', '.').toDouble());
        EXPECT_EQ(field->beeps, 0);
    }
}

TEST_F(SpinEditTest, KeyHandlersRunAfterTheFilterInOrderAndMayDropTheCharacter)
{
    QObject::disconnect(field, &TDoubleSpinEdit::OnKeyPress, nullptr, nullptr);
    QString seen;
    QString seenNext;
    QObject scope;
    QObject::connect(field, &TDoubleSpinEdit::OnKeyPress, &scope, [&](TDoubleSpinEdit* sender, QChar& key) {
        EXPECT_EQ(sender, field);
        seen += key;
        if (key == u'7')
            key = QChar();
    });
    // The next handler sees the character as the first one left it.
    QObject::connect(field, &TDoubleSpinEdit::OnKeyPress, &scope,
                     [&](TDoubleSpinEdit*, const QChar& key) { seenNext += key.isNull() ? u'-' : key; });
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "1x7 2");
    EXPECT_EQ(seen, "172");  // refused characters never reach the handlers
    EXPECT_EQ(seenNext, "1-2");
    EXPECT_EQ(field->text(), "12");
}

TEST_F(SpinEditTest, AKeyHandlerIsNotCalledOnceItsReceiverIsDestroyed)
{
    struct KeyCounter : QObject {
        int keys = 0;
    };
    auto receiver = std::make_unique<KeyCounter>();
    int calls = 0;
    // The handler touches its receiver: a call after the receiver's end is a use after free.
    QObject::connect(field, &TDoubleSpinEdit::OnKeyPress, receiver.get(),
                     [&calls, counter = receiver.get()] { calls = ++counter->keys; });
    field->setFocus();
    field->clear();
    QTest::keyClicks(field, "1");
    EXPECT_EQ(calls, 1);
    receiver.reset();
    QTest::keyClicks(field, "5");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(field->text(), "15");  // the remaining handler and the field go on working
}

TEST_F(SpinEditTest, MaxLengthLeavesNoRoomUntilTextIsSelectedOrDeleted)
{
    field->setFocus();
    field->SetValue(146);
    field->end(false);
    QTest::keyClicks(field, "5");
    EXPECT_EQ(field->text(), "146.0000");
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "5");
    EXPECT_EQ(field->text(), "146.0005");
    field->selectAll();
    QTest::keyClicks(field, "150");
    EXPECT_EQ(field->text(), "150");

    // A paste fills the room left and no more.
    QApplication::clipboard()->setText("12345678");
    field->end(false);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "15012345");
    field->setText("150");
    field->end(false);
    const std::unique_ptr<QMenu> menu(field->CreateContextMenu());
    for (QAction* action : menu->actions())
        if (action->text().startsWith("&Paste"))
            action->trigger();
    EXPECT_EQ(field->text(), "15012345");
}

TEST_F(SpinEditTest, TextSetByTheProgramIsShownWholeButTypingStaysLimited)
{
    field->SetMaxValue(2000);
    field->setText("1281.4286");
    EXPECT_EQ(field->text(), "1281.4286");
    EXPECT_DOUBLE_EQ(field->Value(), 1281.4286);
    field->SetMinValue(-200);
    field->SetValue(-146);
    EXPECT_EQ(field->text(), "-0146.0000");

    field->setFocus();
    field->setText("1281.4286");
    field->end(false);
    QTest::keyClicks(field, "7");
    EXPECT_EQ(field->text(), "1281.4286");  // no room until the text is shorter than the limit
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, "79");
    EXPECT_EQ(field->text(), "1281.427");
}

TEST_F(SpinEditTest, EnterIsDroppedAndEscapeReachesTheWindow)
{
    field->setFocus();
    field->SetValue(150);
    QTest::keyClick(field, Qt::Key_Return);
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(field->text(), "150.0000");
    EXPECT_EQ(window.keys, (QList<int>{Qt::Key_Return, Qt::Key_Escape}));
    EXPECT_EQ(field->beeps, 0);
}

TEST_F(SpinEditTest, ClipboardWorksUnfilteredOnlyWhenTheEditorMayChangeText)
{
    field->setFocus();
    QApplication::clipboard()->setText("abc");
    field->SetValue(150);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "abc");
    EXPECT_DOUBLE_EQ(field->Value(), 146);  // pasted letters read as the minimum

    field->SetEditorEnabled(false);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "146.0000");
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");

    field->SetEditorEnabled(true);
    field->SetReadOnly(true);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "146.0000");

    field->SetReadOnly(false);
    field->selectAll();
    QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(field->text(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "146.0000");
}

TEST_F(SpinEditTest, ContextMenuOffersNoCutOrPasteWhenRefused)
{
    QApplication::clipboard()->setText("150");
    field->SetValue(150);
    field->selectAll();
    auto menuTexts = [&] {
        const std::unique_ptr<QMenu> menu(field->CreateContextMenu());
        QString texts;
        for (const QAction* action : menu->actions())
            texts += QString(action->text()).remove('&') + '|';
        return texts;
    };
    EXPECT_TRUE(menuTexts().contains("Paste"));
    EXPECT_TRUE(menuTexts().contains("Cut"));
    field->SetEditorEnabled(false);
    EXPECT_FALSE(menuTexts().contains("Paste"));
    EXPECT_FALSE(menuTexts().contains("Cut"));
    EXPECT_TRUE(menuTexts().contains("Copy"));
    EXPECT_FALSE(field->isReadOnly());
}

TEST_F(SpinEditTest, DisabledEditorRefusesTypingButStillSteps)
{
    field->SetEditorEnabled(false);
    field->setFocus();
    field->SetValue(150);
    field->end(false);
    QTest::keyClicks(field, "1.");
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    EXPECT_EQ(field->text(), "150.0000");
    EXPECT_EQ(field->beeps, 4);
    QTest::keyClick(field, Qt::Key_Up);
    EXPECT_EQ(field->text(), "150.0001");
}

TEST_F(SpinEditTest, ReadOnlyBeepsOnStepsAndIgnoresPageKeys)
{
    field->SetReadOnly(true);
    field->setFocus();
    field->SetValue(150);
    QTest::keyClick(field, Qt::Key_Up);
    QTest::keyClick(field, Qt::Key_Down);
    QTest::keyClick(field, Qt::Key_PageUp);
    QTest::keyClick(field, Qt::Key_PageDown);
    QTest::mouseClick(field->Button(), Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(field->text(), "150.0000");
    EXPECT_EQ(field->beeps, 3);
}

TEST_F(SpinEditTest, BoundSettersKeepTheMinimumBelowTheMaximum)
{
    field->SetValue(174);
    field->SetMinValue(440);  // not below the maximum 174: ignored
    EXPECT_DOUBLE_EQ(field->MinValue(), 146);
    field->SetMaxValue(146);  // not above the minimum: ignored
    EXPECT_DOUBLE_EQ(field->MaxValue(), 174);

    // Moving up into a disjoint band: maximum first.
    field->SetMaxValue(470);
    field->SetMinValue(440);
    EXPECT_DOUBLE_EQ(field->MinValue(), 440);
    EXPECT_DOUBLE_EQ(field->MaxValue(), 470);
    EXPECT_EQ(field->text(), "440.0000");  // 174 lay below the new minimum

    // Moving down: minimum first; a value above the new maximum is clamped to it.
    field->SetValue(470);
    field->SetMinValue(146);
    field->SetMaxValue(174);
    EXPECT_EQ(field->text(), "174.0000");
}

TEST_F(SpinEditTest, BoundsMayCrossOrMeetWhileLoading)
{
    field->SetLoading(true);
    field->SetMinValue(174);
    field->SetMaxValue(174);
    field->SetLoading(false);
    EXPECT_DOUBLE_EQ(field->MinValue(), 174);
    EXPECT_DOUBLE_EQ(field->MaxValue(), 174);
    // Equal bounds: neither wrapping nor clamping.
    EXPECT_DOUBLE_EQ(field->ConstrainValue(100), 100);
    field->SetValue(174);
    field->StepUp();
    EXPECT_EQ(field->text(), "174.0001");
    TypeAndLeave("180");
    EXPECT_EQ(field->text(), "180");
}

TEST_F(SpinEditTest, AutoSelectSelectsOnTabButNotOnClick)
{
    field->SetValue(150);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(field->hasFocus());
    EXPECT_EQ(field->selectedText(), "150.0000");

    other->setFocus();
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(5, 10));
    ASSERT_TRUE(field->hasFocus());
    EXPECT_FALSE(field->hasSelectedText());

    field->SetAutoSelect(false);
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(field->hasFocus());
    EXPECT_FALSE(field->hasSelectedText());
}

TEST_F(SpinEditTest, NeverLowerThanItsFontNeeds)
{
    const int lineHeight = field->fontMetrics().height();
    EXPECT_GE(field->minimumHeight(), lineHeight + 4);
    field->resize(81, 5);
    EXPECT_GE(field->height(), lineHeight + 4);
}

}  // namespace
}  // namespace torv
