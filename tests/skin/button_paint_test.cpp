// Pixel checks of the push button's textured and low-colour looks.
#include "skin/sk_button.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>

#include <memory>

#include "skin/sk_gdi.h"

namespace torv {
namespace {

constexpr QRgb kParent = Rgb(0xD4D0C8);
constexpr int kW = 73;
constexpr int kH = 23;

// k steps of the 16-step blend from `from` towards `to`.
QRgb BlendStep(QRgb from, QRgb to, int k)
{
    return BlendColor(from, to, 16, k);
}

QRgb PixelAt(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

class ButtonPaint : public testing::Test {
protected:
    void SetUp() override
    {
        button_ = std::make_unique<TSkButton>(&parent_);
        button_->resize(kW, kH);
        button_->SetColorParent(kParent);
        QPalette palette = button_->palette();
        palette.setColor(QPalette::ButtonText, Qt::black);
        button_->setPalette(palette);
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        button_->setFont(font);
    }

    void Focus()
    {
        QFocusEvent focusIn(QEvent::FocusIn);
        QApplication::sendEvent(button_.get(), &focusIn);
    }

    // Counts the pixels of one colour inside the face, away from the rim.
    static int CountInFace(const QImage& image, QRgb color)
    {
        int count = 0;
        for (int y = 4; y < image.height() - 4; ++y)
            for (int x = 4; x < image.width() - 4; ++x)
                count += PixelAt(image, x, y) == color ? 1 : 0;
        return count;
    }

    QWidget parent_;
    std::unique_ptr<TSkButton> button_;
};

TEST(FacePalette, DefaultSchemeMatchesTheTable)
{
    const TButtonScheme scheme = ButtonScheme(TColorTexture::ctDefault);
    const TFacePalette palette = MakeFacePalette(scheme.light, scheme.mid, scheme.dark);
    const unsigned expected[16] = {0xDFDFDF, 0xDBDBDB, 0xD6D6D6, 0xD2D2D2, 0xCDCDCD, 0xC9C9C9, 0xC4C4C4, 0xC0C0C0,
                                   0xC0C0C0, 0xB7B7B7, 0xAEAEAE, 0xA5A5A5, 0x9B9B9B, 0x929292, 0x898989, 0x808080};
    for (int k = 0; k < 16; ++k)
        EXPECT_EQ(palette[static_cast<std::size_t>(k)], Rgb(expected[k])) << k;
}

TEST(FacePalette, MidEqualToDarkIsOneRunOfFifteenSteps)
{
    const TFacePalette palette = MakeFacePalette(Rgb(0xF0F0F0), Rgb(0x000000), Rgb(0x000000));
    EXPECT_EQ(palette[0], Rgb(0xF0F0F0));
    EXPECT_EQ(palette[7], Rgb(0x808080));  // 240 - 112
    EXPECT_EQ(palette[15], Rgb(0x000000));
}

TEST_F(ButtonPaint, UpButtonRowsFollowTheGradient)
{
    const QImage image = button_->RenderImage();
    ASSERT_EQ(image.size(), QSize(kW, kH));
    EXPECT_EQ(PixelAt(image, 0, 0), kParent);
    EXPECT_EQ(PixelAt(image, 72, 22), kParent);
    // Outline from (1, 1) to (71, 21) with rounded corners.
    for (const QPoint p : {QPoint(3, 1), QPoint(36, 1), QPoint(69, 1), QPoint(1, 3), QPoint(1, 19), QPoint(71, 11),
                           QPoint(36, 21), QPoint(2, 2), QPoint(70, 2), QPoint(2, 20), QPoint(70, 20)})
        EXPECT_EQ(PixelAt(image, p.x(), p.y()), Rgb(0x323232)) << p.x() << "," << p.y();
    const unsigned rows[] = {0xDFDFDF, 0xDBDBDB, 0xD2D2D2, 0xCDCDCD, 0xCDCDCD, 0xC9C9C9, 0xC9C9C9,
                             0xC4C4C4, 0xC4C4C4, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xC0C0C0, 0xB7B7B7,
                             0xB7B7B7, 0xAEAEAE, 0xAEAEAE, 0x898989, 0x808080};
    for (int y = 2; y <= 20; ++y)
        EXPECT_EQ(PixelAt(image, 36, y), Rgb(rows[y - 2])) << "row " << y;
    // Left and right face columns carry the rim colours.
    EXPECT_EQ(PixelAt(image, 2, 10), Rgb(0xDBDBDB));
    EXPECT_EQ(PixelAt(image, 70, 10), Rgb(0x898989));
}

TEST_F(ButtonPaint, PressedButtonTurnsTheGradientOver)
{
    button_->SetDown(true);
    const QImage image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 36, 2), Rgb(0x808080));
    EXPECT_EQ(PixelAt(image, 36, 3), Rgb(0x898989));
    EXPECT_EQ(PixelAt(image, 36, 18), Rgb(0xD2D2D2));
    EXPECT_EQ(PixelAt(image, 36, 19), Rgb(0xDBDBDB));
    EXPECT_EQ(PixelAt(image, 36, 20), Rgb(0xDFDFDF));
    EXPECT_EQ(PixelAt(image, 2, 10), Rgb(0x898989));
    EXPECT_EQ(PixelAt(image, 70, 10), Rgb(0xDBDBDB));
}

TEST_F(ButtonPaint, FaceCornersAreSoftenedTowardsTheOutline)
{
    const QImage image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 3, 2), BlendStep(Rgb(0xDFDFDF), Rgb(0x323232), 3));
    EXPECT_EQ(PixelAt(image, 2, 3), BlendStep(Rgb(0xDBDBDB), Rgb(0x323232), 3));
    EXPECT_EQ(PixelAt(image, 69, 20), BlendStep(Rgb(0x808080), Rgb(0x323232), 3));
    EXPECT_EQ(PixelAt(image, 70, 19), BlendStep(Rgb(0x898989), Rgb(0x323232), 3));
}

struct Ring {
    QRgb hi, lo, t, r, o, m;
};

void ExpectRing(const QImage& image, const Ring& ring, bool down)
{
    const int w = image.width();
    const int h = image.height();
    const auto at = [&](std::initializer_list<QPoint> points, QRgb color, const char* name) {
        for (const QPoint& p : points)
            EXPECT_EQ(PixelAt(image, p.x(), p.y()), color) << name << " at " << p.x() << "," << p.y();
    };
    at({{1, 1}, {36, 0}, {0, 11}}, ring.hi, "hi");
    at({{2, 1}, {1, 2}, {w - 3, 1}, {1, h - 3}}, ring.t, "t");
    at({{w - 2, h - 2}, {36, h - 1}, {w - 1, 11}}, ring.lo, "lo");
    at({{w - 2, h - 3}, {w - 3, h - 2}, {2, h - 2}, {w - 2, 2}}, ring.r, "r");
    if (!down) {
        at({{2, h - 1}, {w - 2, 1}}, ring.o, "o");
        at({{3, h - 1}, {w - 1, 2}, {w - 3, h - 1}, {w - 1, h - 3}}, ring.m, "m");
        at({{1, h - 2}, {2, 0}, {0, 2}}, ring.hi, "hi");
    } else {
        at({{w - 3, 0}, {1, h - 2}}, ring.o, "o");
        at({{w - 4, 0}, {0, h - 3}, {2, 0}, {0, 2}}, ring.m, "m");
        at({{w - 2, 1}}, ring.lo, "lo");
    }
}

constexpr QRgb kP0 = Rgb(0xDFDFDF);
constexpr QRgb kP7 = Rgb(0xC0C0C0);
constexpr QRgb kP15 = Rgb(0x808080);

TEST_F(ButtonPaint, UnfocusedRingBlendsIntoTheParent)
{
    const QRgb d = Rgb(0x404040);
    const QImage up = button_->RenderImage();
    EXPECT_EQ(PixelAt(up, 1, 1), Rgb(0xDCDBD9));  // worked by hand: #DFDFDF 4/15 towards #D4D0C8
    const QRgb lo = BlendStep(kP15, kParent, 6);
    const QRgb hi = BlendStep(kP0, kParent, 4);
    ExpectRing(
        up, {hi, lo, BlendStep(hi, d, 4), BlendStep(kP7, d, 6), BlendStep(kParent, lo, 5), BlendStep(kParent, lo, 8)},
        false);

    button_->SetDown(true);
    const QRgb downHi = BlendStep(kP15, kParent, 6);
    const QRgb downLo = BlendStep(kP0, kParent, 4);
    ExpectRing(button_->RenderImage(),
               {downHi, downLo, BlendStep(kP7, d, 6), BlendStep(downLo, d, 4), BlendStep(kParent, downHi, 5),
                BlendStep(kParent, downHi, 8)},
               true);
}

TEST_F(ButtonPaint, FocusedRingUsesTheSelectionColour)
{
    Focus();
    const QRgb s = Rgb(0x4C4CBF);
    const QRgb d = Rgb(0x000080);
    const QRgb pale = BlendStep(Rgb(0xFFFFFF), s, 4);
    const Ring up{
        pale, s, BlendStep(pale, d, 4), BlendStep(kP7, d, 6), BlendStep(kParent, s, 4), BlendStep(kParent, s, 7)};
    ExpectRing(button_->RenderImage(), up, false);

    button_->SetDown(true);
    const Ring down{
        s, pale, BlendStep(kP7, d, 6), BlendStep(pale, d, 4), BlendStep(kParent, s, 4), BlendStep(kParent, s, 7)};
    ExpectRing(button_->RenderImage(), down, true);
}

TEST_F(ButtonPaint, RedSelectionSurvivesASchemeChange)
{
    button_->SetSelectKind(TKindSelect::ksRed);
    button_->SetColorTexture(TColorTexture::ctTeal);
    EXPECT_EQ(button_->SelectionColor(), Rgb(0xFF0000));
    Focus();
    const QRgb red = Rgb(0xFF0000);
    const QRgb d = Rgb(0x800000);
    const QRgb pale = BlendStep(Rgb(0xFFFFFF), red, 4);
    const QRgb tealMid = button_->FacePalette()[7];
    ExpectRing(button_->RenderImage(),
               {pale, red, BlendStep(pale, d, 4), BlendStep(tealMid, d, 6), BlendStep(kParent, red, 4),
                BlendStep(kParent, red, 7)},
               false);

    button_->SetSelectKind(TKindSelect::ksDefault);
    EXPECT_EQ(button_->SelectionColor(), Rgb(0x5E8E8E));  // the teal scheme's own
}

TEST_F(ButtonPaint, DisabledUpButtonIsGreyWithoutRing)
{
    button_->SetCaption(QStringLiteral("Выход"));
    Focus();
    button_->setEnabled(false);
    const QImage image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 36, 1), Rgb(0x727272));
    EXPECT_EQ(PixelAt(image, 1, 11), Rgb(0x727272));
    for (int x = 0; x < kW; ++x) {
        EXPECT_EQ(PixelAt(image, x, 0), kParent) << x;
        EXPECT_EQ(PixelAt(image, x, kH - 1), kParent) << x;
    }
    EXPECT_GT(CountInFace(image, Rgb(0x808080)), 10);
    EXPECT_EQ(CountInFace(image, Rgb(0x000000)), 0);
}

TEST_F(ButtonPaint, DisabledDownButtonIsPressedWithNormalCaption)
{
    button_->SetCaption(QStringLiteral("Выход"));
    button_->SetDown(true);
    button_->setEnabled(false);
    const QImage image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 36, 1), Rgb(0x323232));
    EXPECT_EQ(PixelAt(image, 36, 2), Rgb(0x808080));
    EXPECT_GT(CountInFace(image, Rgb(0x000000)), 10);
    EXPECT_EQ(PixelAt(image, 36, 0), kParent);
}

TEST_F(ButtonPaint, CaptionEffectsUseTheSchemeShadow)
{
    button_->SetColorTexture(TColorTexture::ctTeal);
    button_->SetCaption(QStringLiteral("Считать"));
    const QRgb shadow = Rgb(0x6EA8A8);
    EXPECT_EQ(button_->ShadowColor(), shadow);
    EXPECT_EQ(CountInFace(button_->RenderImage(), shadow), 0);
    button_->SetKindFont(TBtnKindFont::bfShadow);
    EXPECT_GT(CountInFace(button_->RenderImage(), shadow), 10);
    EXPECT_EQ(CountInFace(button_->RenderImage(), Rgb(0xFFFFFF)), 0);
    button_->SetKindFont(TBtnKindFont::bfAuto);  // raised while up
    EXPECT_GT(CountInFace(button_->RenderImage(), Rgb(0xFFFFFF)), 10);
}

QImage TwoFrameGlyph(int frames)
{
    QImage glyph(16 * frames, 16, QImage::Format_RGB32);
    glyph.fill(qRgb(255, 0, 255));
    for (int frame = 0; frame < frames; ++frame)
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x)
                glyph.setPixel(frame * 16 + x, y, frame == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
    return glyph;
}

TEST_F(ButtonPaint, WideGlyphHoldsEnabledAndDisabledFrames)
{
    button_->SetGlyph(TwoFrameGlyph(2));
    QImage image = button_->RenderImage();
    const int left = (kW - 16) / 2;
    const int top = (kH - 16) / 2;
    EXPECT_EQ(PixelAt(image, left + 4, top + 4), Rgb(0xFF0000));
    EXPECT_EQ(PixelAt(image, left, top + 15), Rgb(0xAEAEAE));  // transparent: face row 18 shows
    button_->setEnabled(false);
    image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, left + 4, top + 4), Rgb(0x0000FF));

    button_->SetGlyph(TwoFrameGlyph(1));
    EXPECT_EQ(PixelAt(button_->RenderImage(), left + 4, top + 4), Rgb(0xFF0000));
}

TEST_F(ButtonPaint, GlyphMovesAsideForTheCaption)
{
    button_->SetGlyph(TwoFrameGlyph(1));
    button_->SetCaption(QStringLiteral("Ок"));
    button_->SetAlignment(TAlignment::taLeftJustify);
    EXPECT_EQ(PixelAt(button_->RenderImage(), 8 + 4, 7), Rgb(0xFF0000));
    button_->SetAlignment(TAlignment::taRightJustify);
    EXPECT_EQ(PixelAt(button_->RenderImage(), kW - 8 - 16 + 11, 7), Rgb(0xFF0000));
}

TEST_F(ButtonPaint, TinyButtonShowsOnlyTheParentColour)
{
    button_->resize(40, 5);
    const QImage image = button_->RenderImage();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(PixelAt(image, x, y), kParent);
}

TEST_F(ButtonPaint, DefaultAndW2KDifferOnlyInTheirSchemes)
{
    EXPECT_EQ(ButtonScheme(TColorTexture::ctNone).light, ButtonScheme(TColorTexture::ctDefault).light);
    button_->SetColorTexture(TColorTexture::ctW2K);
    EXPECT_EQ(PixelAt(button_->RenderImage(), 36, 2), Rgb(0xDEDEDE));
    EXPECT_EQ(PixelAt(button_->RenderImage(), 36, 20), Rgb(0x797979));
}

class LowColorPaint : public ButtonPaint {
protected:
    void SetUp() override
    {
        SetScreenColorDepthForTesting(8);
        ButtonPaint::SetUp();
    }
    void TearDown() override { SetScreenColorDepthForTesting(24); }
};

TEST_F(LowColorPaint, FlatButtonWithTwoBevels)
{
    ASSERT_FALSE(button_->Textured());
    EXPECT_EQ(button_->ShadowColor(), SystemColor(TSystemColor::scBtnShadow));
    const QRgb shadow = SystemColor(TSystemColor::scBtnShadow);
    const QRgb light = SystemColor(TSystemColor::sc3DLight);
    QImage image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 0, 0), SystemColor(TSystemColor::scBtnFace));
    EXPECT_EQ(PixelAt(image, 1, 1), Rgb(0xFFFFFF));
    EXPECT_EQ(PixelAt(image, kW - 2, kH - 2), Rgb(0x000000));
    EXPECT_EQ(PixelAt(image, 2, 2), light);
    EXPECT_EQ(PixelAt(image, kW - 3, kH - 3), shadow);
    EXPECT_EQ(PixelAt(image, 36, 10), SystemColor(TSystemColor::scBtnFace));

    button_->SetDown(true);
    image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 1, 1), Rgb(0x000000));
    EXPECT_EQ(PixelAt(image, kW - 2, kH - 2), Rgb(0xFFFFFF));
    EXPECT_EQ(PixelAt(image, 2, 2), shadow);
}

TEST_F(LowColorPaint, FocusRingAndDisabledEdges)
{
    Focus();
    QImage image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 0, 0), Rgb(0x0000FF));
    EXPECT_EQ(PixelAt(image, kW - 1, kH - 1), Rgb(0x0000FF));
    EXPECT_EQ(PixelAt(image, kW - 2, kH - 2), Rgb(0x000080));
    button_->SetSelectKind(TKindSelect::ksRed);
    image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 0, 0), Rgb(0xFF0000));
    EXPECT_EQ(PixelAt(image, kW - 2, kH - 2), Rgb(0x800000));

    button_->setEnabled(false);
    image = button_->RenderImage();
    EXPECT_EQ(PixelAt(image, 0, 0), SystemColor(TSystemColor::scBtnFace));
    EXPECT_EQ(PixelAt(image, kW - 2, kH - 2), SystemColor(TSystemColor::scBtnShadow));
}

TEST_F(LowColorPaint, SchemeChangeKeepsFlatColours)
{
    button_->SetColorTexture(TColorTexture::ctTeal);
    EXPECT_EQ(button_->ColorTexture(), TColorTexture::ctTeal);
    EXPECT_EQ(button_->ShadowColor(), SystemColor(TSystemColor::scBtnShadow));
    EXPECT_EQ(button_->FacePalette()[15], 0u);
}

}  // namespace
}  // namespace torv
