// The caption buttons: image sets, the combined setter, states and clicks.
#include "skin/sk_sys_btn.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>

#include <string>

#include "event_loop.h"

namespace torv {
namespace {

using enum TColorTexture;
using enum TDesignation;
using enum TSysBtnState;

QRgb PixelAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

void Mouse(QWidget* widget, QEvent::Type type, Qt::MouseButton button, QPoint at = {10, 10})
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
    int paints = 0;
};

constexpr TColorTexture kSchemes[] = {ctNone, ctDefault, ctTeal, ctOlive, ctBlue, ctXP, ctSilver, ctGreen, ctW2K};
constexpr TDesignation kKinds[] = {dClose, dMaximize, dMinimize, dHelp, dRestore};
constexpr TSysBtnState kStates[] = {sbNormal, sbHot, sbPressed, sbDisabled};

TEST(SysBtnImages, EverySetHoldsTwentyImagesOfItsSize)
{
    for (TColorTexture scheme : kSchemes) {
        const int side = scheme == ctNone ? 19 : 21;
        EXPECT_EQ(SysBtnImageSide(scheme), side);
        for (TDesignation kind : kKinds)
            for (TSysBtnState state : kStates)
                EXPECT_EQ(SysBtnImage(scheme, kind, state).size(), QSize(side, side))
                    << static_cast<int>(scheme) << " " << static_cast<int>(kind) << " " << static_cast<int>(state);
    }
    EXPECT_TRUE(SysBtnImage(ctSilver, dNone, sbNormal).isNull());
}

TEST(SysBtnImages, DefaultAndW2KShareTheirImagesAndStatesDiffer)
{
    EXPECT_EQ(SysBtnImageSet(ctDefault), SysBtnImageSet(ctW2K));
    EXPECT_EQ(SysBtnImage(ctDefault, dHelp, sbHot), SysBtnImage(ctW2K, dHelp, sbHot));
    for (TColorTexture scheme : {ctDefault, ctTeal, ctOlive, ctBlue, ctXP, ctSilver, ctGreen}) {
        for (std::size_t k = 0; k < std::size(kKinds); ++k) {
            const TDesignation kind = kKinds[k];
            const TDesignation nextKind = kKinds[(k + 1) % std::size(kKinds)];
            const auto image = [&](TSysBtnState state) { return SysBtnImage(scheme, kind, state); };
            const std::string where = std::to_string(static_cast<int>(scheme)) + " " + std::to_string(k);
            EXPECT_NE(image(sbNormal), image(sbHot)) << where;
            EXPECT_NE(image(sbNormal), image(sbPressed)) << where;
            EXPECT_NE(image(sbNormal), image(sbDisabled)) << where;
            EXPECT_NE(image(sbNormal), SysBtnImage(scheme, nextKind, sbNormal));
        }
    }
    EXPECT_NE(SysBtnImage(ctTeal, dMinimize, sbNormal), SysBtnImage(ctGreen, dMinimize, sbNormal));
}

TEST(SysBtnImages, SilverSetMatchesTheOrientationColours)
{
    // Face gradient at a column clear of the symbol, from the first face row to the last.
    const auto face = [](TDesignation kind, TSysBtnState state, int row) {
        return PixelAt(SysBtnImage(ctSilver, kind, state), 4, row);
    };
    EXPECT_EQ(face(dClose, sbNormal, 2), Rgb(0xE9B599));
    EXPECT_EQ(face(dClose, sbNormal, 18), Rgb(0xCC5A62));
    EXPECT_EQ(face(dClose, sbPressed, 2), Rgb(0xE96C59));
    EXPECT_EQ(face(dClose, sbPressed, 18), Rgb(0xF7C8A2));
    EXPECT_EQ(face(dMinimize, sbNormal, 2), Rgb(0xEDE4EE));
    EXPECT_EQ(face(dMinimize, sbNormal, 18), Rgb(0xA7A7BE));
    EXPECT_EQ(face(dMinimize, sbHot, 2), Rgb(0xF6F6F7));
    EXPECT_EQ(face(dMinimize, sbHot, 18), Rgb(0xB0B0CE));
    EXPECT_EQ(face(dMinimize, sbPressed, 2), Rgb(0x9E9EB6));
    EXPECT_EQ(face(dMinimize, sbPressed, 18), Rgb(0xE4E4F7));
    EXPECT_EQ(face(dMinimize, sbDisabled, 2), Rgb(0xCDCDCC));
    EXPECT_EQ(face(dMinimize, sbDisabled, 18), Rgb(0xA0A0A5));
    // The cross is #F7F5F5 at its centre; the corners sit on the caption strip's tab.
    EXPECT_EQ(PixelAt(SysBtnImage(ctSilver, dClose, sbNormal), 10, 10), Rgb(0xF7F5F5));
    EXPECT_EQ(PixelAt(SysBtnImage(ctSilver, dClose, sbNormal), 0, 0), Rgb(0xB7B5C5));
    EXPECT_EQ(PixelAt(SysBtnImage(ctSilver, dClose, sbNormal), 20, 20), Rgb(0xFDFDFD));
    // Close is orange-red in every rounded set.
    EXPECT_EQ(SysBtnImage(ctTeal, dClose, sbNormal), SysBtnImage(ctSilver, dClose, sbNormal));
}

TEST(SysBtnImages, ClassicCloseCrossFollowsTheState)
{
    const auto centre = [](TSysBtnState state) { return PixelAt(SysBtnImage(ctNone, dClose, state), 9, 9); };
    EXPECT_EQ(centre(sbNormal), Rgb(0x800000));
    EXPECT_EQ(centre(sbHot), Rgb(0xFF0000));
    EXPECT_EQ(PixelAt(SysBtnImage(ctNone, dClose, sbPressed), 10, 10), Rgb(0x000000));  // sunken by a pixel
    EXPECT_EQ(centre(sbDisabled), Rgb(0x808080));
    EXPECT_EQ(PixelAt(SysBtnImage(ctNone, dClose, sbNormal), 0, 0), Rgb(0xFFFFFF));
    EXPECT_EQ(PixelAt(SysBtnImage(ctNone, dClose, sbPressed), 0, 0), Rgb(0x404040));
    EXPECT_EQ(PixelAt(SysBtnImage(ctNone, dClose, sbNormal), 3, 3), Rgb(0xC0C0C0));
}

TEST(SkSysBtn, StartsEmptyAt21Pixels)
{
    TSkSysBtn button;
    EXPECT_EQ(button.size(), QSize(21, 21));
    EXPECT_EQ(button.TextureColor(), ctNone);
    EXPECT_EQ(button.Designation(), dNone);
    EXPECT_TRUE(button.OwnEnabled());
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
    EXPECT_TRUE(button.RenderImage().isNull());
}

TEST(SkSysBtn, SchemeChangeResizesAndSwapsTheImage)
{
    TSkSysBtn button;
    EXPECT_TRUE(button.SetDesignationAndTexture(dClose, ctSilver));
    EXPECT_EQ(button.size(), QSize(21, 21));
    EXPECT_EQ(button.RenderImage(), SysBtnImage(ctSilver, dClose, sbNormal));
    EXPECT_TRUE(button.SetTextureColor(ctNone));
    EXPECT_EQ(button.size(), QSize(19, 19));
    EXPECT_EQ(button.RenderImage(), SysBtnImage(ctNone, dClose, sbNormal));
    EXPECT_TRUE(button.SetDesignation(dMinimize));
    EXPECT_EQ(button.RenderImage(), SysBtnImage(ctNone, dMinimize, sbNormal));
}

TEST(SkSysBtn, NoneDesignationStoresWithoutResizing)
{
    TSkSysBtn button;
    button.resize(30, 12);
    EXPECT_TRUE(button.SetDesignationAndTexture(dNone, ctSilver));
    EXPECT_EQ(button.size(), QSize(30, 12));
    EXPECT_EQ(button.TextureColor(), ctSilver);
    EXPECT_TRUE(button.RenderImage().isNull());
}

TEST(SkSysBtn, RefusedSizeFailsTheSetter)
{
    TSkSysBtn button;
    button.setMaximumSize(20, 20);
    EXPECT_FALSE(button.SetDesignationAndTexture(dClose, ctSilver));
    EXPECT_EQ(button.Designation(), dClose);
    EXPECT_TRUE(button.SetDesignationAndTexture(dClose, ctNone));
    EXPECT_EQ(button.size(), QSize(19, 19));
}

TEST(SkSysBtn, SettingTheSameValuesDoesNotRepaint)
{
    QWidget window;
    window.resize(100, 50);
    TSkSysBtn button(&window);
    ASSERT_TRUE(button.SetDesignationAndTexture(dClose, ctSilver));
    PaintCounter counter;
    button.installEventFilter(&counter);
    window.show();
    // Let the first paint happen (the offscreen platform exposes the window shortly).
    ASSERT_TRUE(testing::RunUntil([&] { return counter.paints >= 1; }, 1000));
    QApplication::processEvents();
    counter.paints = 0;
    EXPECT_TRUE(button.SetDesignationAndTexture(dClose, ctSilver));
    EXPECT_TRUE(button.SetTextureColor(ctSilver));
    QApplication::processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_TRUE(button.SetDesignation(dMinimize));
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1);
}

TEST(SkSysBtn, ClickNeedsPressAndReleaseOverTheButton)
{
    TSkSysBtn button;
    button.SetDesignationAndTexture(dClose, ctSilver);
    int clicks = 0;
    QObject scope;
    QObject::connect(&button, &TSkSysBtn::OnClick, &scope, [&](TSkSysBtn* sender) {
        EXPECT_EQ(sender, &button);
        ++clicks;
    });
    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(button.Pressed());
    EXPECT_EQ(button.RenderImage(), SysBtnImage(ctSilver, dClose, sbPressed));
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.Pressed());

    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton, {40, 10});
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(button.Pressed());

    Mouse(&button, QEvent::MouseButtonPress, Qt::RightButton);
    EXPECT_FALSE(button.Pressed());
    Mouse(&button, QEvent::MouseButtonRelease, Qt::RightButton);
    EXPECT_EQ(clicks, 1);
}

TEST(SkSysBtn, DoubleClickIsOneClick)
{
    TSkSysBtn button;
    button.SetDesignationAndTexture(dMinimize, ctSilver);
    int clicks = 0;
    QObject scope;
    QObject::connect(&button, &TSkSysBtn::OnClick, &scope, [&] { ++clicks; });
    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    Mouse(&button, QEvent::MouseButtonDblClick, Qt::LeftButton);
    EXPECT_FALSE(button.Pressed());
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}

TEST(SkSysBtn, OwnEnabledFlagShowsDisabledAndIgnoresClicks)
{
    TSkSysBtn button;
    button.SetDesignationAndTexture(dClose, ctSilver);
    int clicks = 0;
    QObject scope;
    QObject::connect(&button, &TSkSysBtn::OnClick, &scope, [&] { ++clicks; });
    button.SetOwnEnabled(false);
    EXPECT_TRUE(button.isEnabled());
    const QImage disabled = SysBtnImage(ctSilver, dClose, sbDisabled);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QApplication::sendEvent(&button, &enter);
    EXPECT_TRUE(button.Hot());
    EXPECT_EQ(button.RenderImage(), disabled);
    Mouse(&button, QEvent::MouseButtonPress, Qt::LeftButton);
    EXPECT_TRUE(button.Pressed());
    EXPECT_EQ(button.RenderImage(), disabled);
    Mouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(button.RenderImage(), disabled);
    EXPECT_EQ(clicks, 0);

    button.SetOwnEnabled(true);
    EXPECT_EQ(button.RenderImage(), SysBtnImage(ctSilver, dClose, sbHot));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&button, &leave);
    EXPECT_EQ(button.RenderImage(), SysBtnImage(ctSilver, dClose, sbNormal));
}

}  // namespace
}  // namespace torv
