// Behaviour of the push button: mouse, keys, toggling, focus and parent colour.
#include "skin/sk_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>

#include <string>

namespace torv {
namespace {

void Mouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint at = {10, 10})
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Key(QWidget* widget, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
         bool autoRepeat = false)
{
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(widget, &event);
}

// Records the events raised by a button, in order.
struct Recorder : QObject {
    explicit Recorder(TSkButton& button)
    {
        connect(&button, &TSkButton::OnClick, this, [this] { log += "click "; });
        connect(&button, &TSkButton::OnDblClick, this, [this] { log += "dblclick "; });
    }
    std::string log;
};

TEST(SkButton, StartsWithTheStatedValues)
{
    TSkButton button;
    EXPECT_EQ(button.size(), QSize(75, 23));
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(button.ColorTexture(), TColorTexture::ctDefault);
    EXPECT_EQ(button.Style(), TBtnUpDownStyle::bNormal);
    EXPECT_EQ(button.Alignment(), TAlignment::taCenter);
    EXPECT_EQ(button.KindFont(), TBtnKindFont::bfNone);
    EXPECT_EQ(button.ColorParent(), SystemColor(TSystemColor::scBtnFace));
    EXPECT_EQ(button.SelectionColor(), Rgb(0x4C4CBF));
    EXPECT_EQ(button.ShadowColor(), Rgb(0x808080));
    EXPECT_FALSE(button.TabStop());
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    button.SetTabStop(true);
    EXPECT_EQ(button.focusPolicy(), Qt::TabFocus);
}

TEST(SkButton, ClickIsAPressAndReleaseOnTheButton)
{
    TSkButton button;
    Recorder recorder(button);
    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(button.Down());
    EXPECT_EQ(recorder.log, "");
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(recorder.log, "click ");

    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton, {200, 10});
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(recorder.log, "click ");
}

TEST(SkButton, OtherButtonsPressButDoNotClick)
{
    TSkButton button;
    Recorder recorder(button);
    Mouse(&button, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_TRUE(button.Down());
    Mouse(&button, QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(recorder.log, "");
}

TEST(SkButton, DoubleClickRaisesOneClickThenDblClick)
{
    TSkButton button;
    Recorder recorder(button);
    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_TRUE(button.Down());
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_FALSE(button.Down());
    EXPECT_EQ(recorder.log, "click dblclick ");
}

TEST(SkButton, ToggleGroupReleasesTheOthersOnlyFromANonZeroGroup)
{
    QWidget panel;
    TSkButton first(&panel);
    TSkButton second(&panel);
    first.SetStyle(TBtnUpDownStyle::bToggle);
    first.SetGroupIndex(1);
    second.SetStyle(TBtnUpDownStyle::bToggle);

    second.SetDown(true);
    Mouse(&first, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&first, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(first.Down());
    EXPECT_FALSE(second.Down());

    Mouse(&second, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&second, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_TRUE(second.Down());
    EXPECT_TRUE(first.Down());

    // A toggle press that releases the button itself touches nobody else.
    Mouse(&first, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_FALSE(first.Down());
    EXPECT_TRUE(second.Down());
}

TEST(SkButton, EnterClicksOncePerKeyRepeat)
{
    TSkButton button;
    Recorder recorder(button);
    Key(&button, QEvent::KeyPress, Qt::Key_Return);
    EXPECT_TRUE(button.Down());
    for (int repeat = 0; repeat < 3; ++repeat) {
        Key(&button, QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, true);
        EXPECT_TRUE(button.Down());
        Key(&button, QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, true);
    }
    EXPECT_EQ(recorder.log, "click click click click ");
    Key(&button, QEvent::KeyRelease, Qt::Key_Return);
    EXPECT_FALSE(button.Down());
}

TEST(SkButton, SpaceClicksBeforeToggling)
{
    TSkButton button;
    button.SetStyle(TBtnUpDownStyle::bToggle);
    bool downAtClick = true;
    QObject scope;
    QObject::connect(&button, &TSkButton::OnClick, &scope, [&](TSkButton* sender) { downAtClick = sender->Down(); });
    Key(&button, QEvent::KeyPress, Qt::Key_Space);
    EXPECT_FALSE(downAtClick);
    EXPECT_TRUE(button.Down());
    Key(&button, QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_TRUE(button.Down());
}

TEST(SkButton, ModifiedOrOtherKeysDoNothing)
{
    TSkButton button;
    Recorder recorder(button);
    Key(&button, QEvent::KeyPress, Qt::Key_Return, Qt::ShiftModifier);
    Key(&button, QEvent::KeyPress, Qt::Key_Space, Qt::ControlModifier);
    Key(&button, QEvent::KeyPress, Qt::Key_A);
    EXPECT_EQ(recorder.log, "");
    EXPECT_FALSE(button.Down());
    Key(&button, QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(recorder.log, "click ");
}

TEST(SkButton, KeyHandlersRunAfterTheButtonsOwn)
{
    TSkButton button;
    std::string log;
    QObject scope;
    QObject::connect(&button, &TSkButton::OnClick, &scope, [&] { log += "click "; });
    QObject::connect(&button, &TSkButton::OnKeyDown, &scope,
                     [&](TSkButton* sender) { log += sender->Down() ? "down " : "up "; });
    QObject::connect(&button, &TSkButton::OnKeyUp, &scope,
                     [&](TSkButton* sender) { log += sender->Down() ? "keyup-down" : "keyup-up"; });
    Key(&button, QEvent::KeyPress, Qt::Key_Space);
    Key(&button, QEvent::KeyRelease, Qt::Key_Space);
    EXPECT_EQ(log, "click down keyup-up");
}

TEST(SkButton, MousePressDoesNotTakeTheFocus)
{
    QWidget window;
    QLineEdit edit(&window);
    TSkButton button(&window);
    button.move(0, 40);
    window.show();
    window.activateWindow();
    edit.setFocus();
    QApplication::processEvents();
    ASSERT_EQ(QApplication::focusWidget(), &edit);
    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), &edit);

    // Focus given by the program shows the ring; disabling takes it away.
    button.setFocus();
    QApplication::processEvents();
    EXPECT_EQ(QApplication::focusWidget(), &button);
    const QRgb ringWhenFocused = button.RenderImage().pixel(36, 0);
    button.setEnabled(false);
    button.setEnabled(true);
    EXPECT_NE(button.RenderImage().pixel(36, 0), ringWhenFocused);
}

TEST(SkButton, ParentColourChoosesTheScheme)
{
    QWidget panel;
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, QColor(0xD4D0C8));
    panel.setPalette(palette);
    TSkButton button(&panel);
    button.SetParentColor(true);
    EXPECT_EQ(button.ColorParent(), Rgb(0xD4D0C8));
    EXPECT_EQ(button.ColorTexture(), TColorTexture::ctW2K);

    palette.setColor(QPalette::Window, QColor(0xA8CACA));
    panel.setPalette(palette);
    EXPECT_EQ(button.ColorParent(), Rgb(0xA8CACA));
    EXPECT_EQ(button.ColorTexture(), TColorTexture::ctTeal);

    button.SetColorParent(Rgb(0x123456));
    EXPECT_TRUE(button.ParentColor());
    button.SetParentColor(false);
    palette.setColor(QPalette::Window, QColor(0xBFBF90));
    panel.setPalette(palette);
    EXPECT_EQ(button.ColorTexture(), TColorTexture::ctTeal);
}

TEST(SkButton, ParentColourTable)
{
    const QRgb blueHighlight = Rgb(0x316AC5);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xBFBF90), blueHighlight), TColorTexture::ctOlive);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xC8DEC8), blueHighlight), TColorTexture::ctGreen);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xA1A1D2), blueHighlight), TColorTexture::ctBlue);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xECE9D8), blueHighlight), TColorTexture::ctXP);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xECE9D8), Rgb(0x93A070)), TColorTexture::ctOlive);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xEFEBDE), blueHighlight), TColorTexture::ctXP);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xE0DFE3), blueHighlight), TColorTexture::ctSilver);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xE6DCE6), blueHighlight), TColorTexture::ctSilver);
    EXPECT_EQ(ColorTextureForParentColor(Rgb(0xC0C0C0), blueHighlight), TColorTexture::ctDefault);
}

TEST(SkButton, LowColourParentColourIsAlwaysPlain)
{
    SetScreenColorDepthForTesting(8);
    QWidget panel;
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window, QColor(0xA8CACA));
    panel.setPalette(palette);
    TSkButton button(&panel);
    SetScreenColorDepthForTesting(24);
    button.SetParentColor(true);
    EXPECT_EQ(button.ColorTexture(), TColorTexture::ctNone);
    EXPECT_FALSE(button.Textured());  // the depth is taken when the button is made
}

}  // namespace
}  // namespace torv
