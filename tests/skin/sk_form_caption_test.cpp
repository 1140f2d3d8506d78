// The skinned form's caption: fill columns, colours and junction pixels of the strip,
// the classic bar, and where the caption text and its shadow are drawn.
#include <gtest/gtest.h>

#include "sk_form_fixture.h"

namespace torv {
namespace {

using namespace sk_form_test;

TEST(SkFormCaption, FillColumnsAndTransitionForTwoAndThreeButtons)
{
    MainLikeForm two;
    MainLikeForm three(400, true);
    two.form->SetCaption(QString());
    three.form->SetCaption(QString());
    ASSERT_EQ(two.form->VisibleButtonCount(), 2);
    ASSERT_EQ(three.form->VisibleButtonCount(), 3);
    EXPECT_EQ(TransitionOffset(0), 64);
    EXPECT_EQ(TransitionOffset(1), 64);
    EXPECT_EQ(TransitionOffset(4), 133);
    const QImage twoStrip = two.form->RenderFrame();
    const QImage threeStrip = three.form->RenderFrame();

    // The blue bar repeats the left cap's last column; values as the table gives them.
    const std::pair<int, unsigned> bar[] = {
        {0, 0x8B9DC7}, {1, 0xB5C9DA}, {14, 0xA3B9D6}, {27, 0xA2B5D4}, {28, 0x8B9DC7}};
    for (auto [row, color] : bar) {
        EXPECT_EQ(PixelAt(twoStrip, 44, row), Rgb(color)) << row;
        EXPECT_EQ(PixelAt(twoStrip, 312, row), Rgb(color)) << row;    // last column before R = 87
        EXPECT_EQ(PixelAt(threeStrip, 289, row), Rgb(color)) << row;  // last column before R = 110
    }
    // The silver tab: its fill repeats the right cap's first column from W - R + 45 on.
    const std::pair<int, unsigned> tab[] = {{0, 0x7B8791}, {2, 0xE3E5E8}, {14, 0xC2C3CA}, {28, 0xBABEC4}};
    for (auto [row, color] : tab) {
        EXPECT_EQ(PixelAt(threeStrip, 335, row), Rgb(color)) << row;
        EXPECT_EQ(PixelAt(threeStrip, 354, row), Rgb(color)) << row;
        EXPECT_EQ(PixelAt(twoStrip, 357, row), Rgb(color)) << row;  // the transition piece's last column
    }
    // Every row passes from blue to silver once, inside the transition piece.
    for (const auto& [strip, left] : {std::pair{&twoStrip, 313}, std::pair{&threeStrip, 290}}) {
        for (int row = 1; row < 28; ++row) {
            int changes = 0;
            for (int x = left - 1; x < left + 45; ++x)
                changes += PixelAt(*strip, x, row) == BarFillColor(row, false) &&
                           PixelAt(*strip, x + 1, row) != BarFillColor(row, false);
            EXPECT_EQ(changes, 1) << "row " << row << " from " << left;
        }
    }
    // x = 312 lies before the transition with two buttons and on the tab with three.
    EXPECT_EQ(PixelAt(twoStrip, 312, 14), Rgb(0xA3B9D6));
    EXPECT_EQ(PixelAt(threeStrip, 312, 14), Rgb(0xC2C3CA));
}

TEST(SkFormCaption, ActiveFillColours)
{
    MainLikeForm main;
    main.form->SetCaption(QString());
    ASSERT_TRUE(main.Activate());
    const QImage frame = main.form->RenderFrame();
    EXPECT_EQ(PixelAt(frame, 100, 0), Rgb(0x535295));
    EXPECT_EQ(PixelAt(frame, 100, 2), Rgb(0x4395CC));
    EXPECT_EQ(PixelAt(frame, 100, 23), Rgb(0x4C82BC));
    EXPECT_EQ(PixelAt(frame, 357, 2), Rgb(0xFDFDFD));
    EXPECT_EQ(PixelAt(frame, 357, 12), Rgb(0xB8C4D1));
    EXPECT_EQ(PixelAt(frame, 357, 28), Rgb(0xC0C4D0));
}

struct JunctionCase {
    int x;
    int y;
    unsigned inactive;
    unsigned active;
};

TEST(SkFormCaption, JunctionBandsJoinTheStripToTheFrame)
{
    const int w = 400;
    const JunctionCase cases[] = {
        {0, 29, 0x8B9DC7, 0x535295},     {0, 37, 0x8B9DC7, 0x535295},     {1, 33, 0xA4B0D2, 0x5563A2},
        {2, 33, 0xA5B5D4, 0x546DAB},     {3, 37, 0xA2BBD7, 0x5275B1},     {4, 29, 0x8B9DC7, 0x535295},
        {4, 38, 0x8B9DC7, 0x535295},     {0, 38, 0x8B9DC7, 0x535295},     {3, 38, 0x8B9DC7, 0x535295},
        {w - 1, 28, 0x7B8890, 0x767D98}, {w - 1, 37, 0x7B8890, 0x767D98}, {w - 5, 38, 0x7B8890, 0x767D98},
        {w - 1, 38, 0x7B8890, 0x767D98}, {w - 2, 30, 0xC8CAD0, 0xE5E8EC}, {w - 3, 30, 0xCECFD6, 0xEBEBEE},
        {w - 4, 37, 0xDCDFE3, 0xFDFDFD}, {w - 5, 29, 0xBABEC4, 0xC0C4D0}, {w - 5, 37, 0xBABEC4, 0xC0C4D0}};
    MainLikeForm main;
    const QImage inactive = main.form->RenderFrame();
    ASSERT_TRUE(main.Activate());
    const QImage active = main.form->RenderFrame();
    for (const JunctionCase& c : cases) {
        EXPECT_EQ(PixelAt(inactive, c.x, c.y), Rgb(c.inactive)) << c.x << "," << c.y;
        EXPECT_EQ(PixelAt(active, c.x, c.y), Rgb(c.active)) << c.x << "," << c.y;
    }
    // Below the bands the frame lines carry on.
    const TFrameColors lines = FrameColors(true, true);
    EXPECT_EQ(PixelAt(active, 2, 39), lines.middle);
    EXPECT_EQ(PixelAt(active, w - 4, 39), lines.light);
}

TEST(SkFormCaption, ClassicBarOfKcNone)
{
    MainLikeForm main(400, true);
    main.form->SetCaption(QString());
    main.form->SetKindCaption(TKindCaption::kcNone);
    const QImage inactive = main.form->RenderFrame();
    ASSERT_TRUE(main.Activate());
    const QImage active = main.form->RenderFrame();
    const std::tuple<int, unsigned, unsigned> rows[] = {
        {0, 0x808080, 0x000000},  {1, 0xFFFFFF, 0xFFFFFF},  {2, 0xC0C0C0, 0xC0C0C0},  {3, 0x000000, 0x808080},
        {4, 0x808080, 0x000080},  {14, 0x808080, 0x000080}, {24, 0x808080, 0x000080}, {25, 0xFFFFFF, 0xFFFFFF},
        {26, 0xC0C0C0, 0xC0C0C0}, {27, 0xC0C0C0, 0xC0C0C0}, {28, 0x808080, 0x000000}};
    for (auto [row, off, on] : rows) {
        for (int x : {15, 200, 383}) {  // the fill runs from 15 to W - 17
            EXPECT_EQ(PixelAt(inactive, x, row), Rgb(off)) << x << "," << row;
            EXPECT_EQ(PixelAt(active, x, row), Rgb(on)) << x << "," << row;
        }
    }
    // The ends carry the classic frame's rim up into the caption; no junction bands.
    const TFrameColors lines = FrameColors(true, false);
    for (int y : {10, 30, 100}) {
        EXPECT_EQ(PixelAt(active, 0, y), lines.dark) << y;
        EXPECT_EQ(PixelAt(active, 1, y), lines.light) << y;
        EXPECT_EQ(PixelAt(active, 2, y), lines.middle) << y;
        EXPECT_EQ(PixelAt(active, 399, y), lines.dark) << y;
        EXPECT_EQ(PixelAt(active, 396, y), lines.light) << y;
    }
    EXPECT_FALSE(main.form->Shaped());
    EXPECT_TRUE(main.form->mask().isEmpty());
    // Classic buttons: 19 x 19, 20 pixels apart, 4 from the right edge.
    EXPECT_EQ(main.close->geometry(), QRect(376, 5, 19, 19));
    EXPECT_EQ(main.maximize->pos(), QPoint(356, 5));
    EXPECT_EQ(main.minimize->pos(), QPoint(336, 5));
    EXPECT_EQ(main.close->TextureColor(), TColorTexture::ctNone);
}

TEST(SkFormCaption, TextBoxFollowsTheFontHeight)
{
    MainLikeForm main;
    QFont bold = main.form->font();
    bold.setBold(true);
    const int th = QFontMetrics(bold).height();
    const QRect box = main.form->CaptionTextBox();
    EXPECT_EQ(box.topLeft(), QPoint(9, (29 - th) / 2 + 1));
    EXPECT_EQ(box.height(), th);
    EXPECT_EQ(box.right(), 400);
    if (th == 13) {
        EXPECT_EQ(box.topLeft(), QPoint(9, 9));
    }

    // An icon moves the text 16 pixels right.
    main.form->SetIcon(SquareIcon(Qt::red));
    EXPECT_EQ(main.form->CaptionTextBox().left(), 25);
    EXPECT_EQ(PixelAt(main.form->RenderFrame(), 10, 10), Rgb(0xFF0000));
}

TEST(SkFormCaption, TextAndShadowAreDrawnAtTheBox)
{
    MainLikeForm main;
    main.form->SetCaption(QStringLiteral("W"));
    ASSERT_TRUE(main.Activate());
    const QImage frame = main.form->RenderFrame();
    const QRect box = main.form->CaptionTextBox();

    // Where "  W" puts its ink when drawn at (0, 0) in the same font.
    QFont bold = main.form->font();
    bold.setBold(true);
    QImage reference(100, 40, QImage::Format_RGB32);
    reference.fill(Qt::white);
    TCanvas canvas(reference);
    canvas.DrawText(0, 0, QStringLiteral("  W"), bold, Rgb(0x000000));
    const QRect ink = InkBounds(reference, reference.rect(), Rgb(0x000000));
    ASSERT_FALSE(ink.isEmpty());

    const QRect strip(0, 0, 300, 29);
    const QRect text = InkBounds(frame, strip, Rgb(0xE8E8F2));
    EXPECT_EQ(text, ink.translated(box.topLeft() - QPoint(1, 1)));
    // The black shadow shows one pixel below and right of the text.
    const QRect shadow = InkBounds(frame, strip, Rgb(0x000000));
    EXPECT_EQ(shadow.bottomRight(), text.bottomRight() + QPoint(1, 1));

    // An empty caption draws nothing visible.
    main.form->SetCaption(QString());
    EXPECT_TRUE(InkBounds(main.form->RenderFrame(), strip, Rgb(0xE8E8F2)).isEmpty());
}

TEST(SkFormCaption, InactiveAndClassicTextColours)
{
    MainLikeForm main;
    const QRect strip(0, 0, 300, 29);
    EXPECT_FALSE(InkBounds(main.form->RenderFrame(), strip, Rgb(0xD9E0E6)).isEmpty());
    EXPECT_FALSE(InkBounds(main.form->RenderFrame(), strip, Rgb(0x808080)).isEmpty());
    // Inside the classic bar's body, clear of its rims.
    const QRect bar(5, 4, 300, 21);
    main.form->SetKindCaption(TKindCaption::kcNone);
    EXPECT_FALSE(InkBounds(main.form->RenderFrame(), bar, Rgb(0xC0C0C0)).isEmpty());
    ASSERT_TRUE(main.Activate());
    EXPECT_FALSE(InkBounds(main.form->RenderFrame(), bar, Rgb(0xFFFFFF)).isEmpty());
}

TEST(SkFormCaption, OtherKindsKeepTheirFillsAndPieceAtW140)
{
    std::vector<QImage> pieces;
    for (TKindCaption kind : {TKindCaption::kcEmblem, TKindCaption::kcPoints, TKindCaption::kcLines}) {
        MainLikeForm main;
        main.form->SetCaption(QString());
        main.form->SetKindCaption(kind);
        const QImage frame = main.form->RenderFrame();
        for (int row : {0, 14, 28}) {
            EXPECT_EQ(PixelAt(frame, 259, row), Rgb(row == 14 ? 0xA3B9D6 : 0x8B9DC7))
                << static_cast<int>(kind) << " " << row;  // W - 141
            EXPECT_EQ(PixelAt(frame, 309, row), Rgb(row == 14  ? 0xC2C3CA
                                                    : row == 0 ? 0x7B8791
                                                               : 0xBABEC4))
                << static_cast<int>(kind) << " " << row;  // W - 91
        }
        pieces.push_back(frame.copy(260, 0, 50, 29));
    }
    EXPECT_NE(pieces[0], pieces[1]);
    EXPECT_NE(pieces[1], pieces[2]);
}

}  // namespace
}  // namespace torv
