// The skinned form: frame lines, caption strip and junction pixels, caption text
// position, window shape, caption-button layout and linking, dragging, the window
// menu, the window commands and the low-colour fallbacks.
#include "skin/sk_form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QWhatsThis>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "skin/sk_canvas.h"
#include "skin/sk_form_caption.h"
#include "skin/sk_sys_btn.h"

namespace torv {
namespace {

constexpr char16_t kMainCaption[] = u"Программатор частоты передатчиков ТОРВ 1.4.6";

QRgb Px(const QImage& image, int x, int y)
{
    return image.pixel(x, y) | 0xFF000000u;
}

// Waits for the window system to deliver a state the test needs.
bool WaitFor(const std::function<bool()>& done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A form dressed as the main window: 400 x 210, kcSimple, minimize and close buttons.
struct MainLikeForm {
    explicit MainLikeForm(int width = 400, bool maximizeButton = false)
    {
        QFont font(QStringLiteral("Liberation Sans"));
        font.setPixelSize(11);
        form->setFont(font);
        form->SetCaption(QString::fromUtf16(kMainCaption));
        form->SetFixedWidth(width);
        form->SetFixedHeight(210);
        form->SetKindCaption(kcSimple);
        form->SetBtnMin(minimize);
        form->SetBtnCls(close);
        if (maximizeButton)
            form->SetBtnMax(maximize);
        form->FinishLayout();
    }

    bool Activate()
    {
        form->show();
        form->activateWindow();
        return WaitFor([&] { return form->Active(); });
    }

    std::unique_ptr<TSkForm> form = std::make_unique<TSkForm>();
    TSkSysBtn* minimize = new TSkSysBtn(form.get());
    TSkSysBtn* close = new TSkSysBtn(form.get());
    TSkSysBtn* maximize = new TSkSysBtn(form.get());
};

void Mouse(TSkForm& form, QEvent::Type type, Qt::MouseButton button, QPoint at,
           Qt::MouseButtons held = Qt::NoButton)
{
    if (held == Qt::NoButton && type != QEvent::MouseButtonRelease)
        held = button;
    QMouseEvent event(type, QPointF(at), QPointF(form.mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(&form, &event);
}

QIcon SquareIcon(Qt::GlobalColor color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(color);
    return QIcon(pixmap);
}

QRect InkBounds(const QImage& image, const QRect& area, QRgb color)
{
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Px(image, x, y) == color)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The frame lines, from the outer edge inwards, on a row of the left and right frame
// and on a column of the bottom frame.
void ExpectFrame(const QImage& frame, const TFrameColors& c)
{
    const int y = 100;
    const QRgb left[] = {c.dark, c.light, c.middle, c.middle, c.dark};
    const QRgb right[] = {c.dark, c.middle, c.middle, c.light, c.dark};
    const QRgb bottom[] = {c.dark, c.middle, c.middle, c.light, c.dark};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(Px(frame, k, y), left[k]) << "left " << k;
        EXPECT_EQ(Px(frame, 399 - k, y), right[k]) << "right " << k;
        EXPECT_EQ(Px(frame, 200, 209 - k), bottom[k]) << "bottom " << k;
    }
    // The inner outline closes the inner area on top, and its corners meet.
    EXPECT_EQ(Px(frame, 200, 29), c.dark);
    EXPECT_EQ(Px(frame, 4, 205), c.dark);
    EXPECT_EQ(Px(frame, 395, 205), c.dark);
    EXPECT_EQ(Px(frame, 395, 40), c.dark);
    // Outer corners, and the bevel where the bottom lines meet the sides.
    EXPECT_EQ(Px(frame, 0, 209), c.dark);
    EXPECT_EQ(Px(frame, 399, 209), c.dark);
    EXPECT_EQ(Px(frame, 1, 208), c.middle);
    EXPECT_EQ(Px(frame, 398, 208), c.middle);
    EXPECT_EQ(Px(frame, 396, 206), c.light);
    EXPECT_EQ(Px(frame, 200, 100), Rgb(0xEFEFEF));
}

TEST(SkFormFrame, LinesOfA400x210FormInBothStates)
{
    MainLikeForm main;
    main.form->SetColor(Rgb(0xEFEFEF));
    {
        SCOPED_TRACE("inactive");
        ExpectFrame(main.form->RenderFrame(), {Rgb(0x808080), Rgb(0xC0C0C0), Rgb(0xFFFFFF)});
    }
    ASSERT_TRUE(main.Activate());
    {
        SCOPED_TRACE("active");
        ExpectFrame(main.form->RenderFrame(), {Rgb(0x63657B), Rgb(0xADA6BD), Rgb(0xFEFEFE)});
    }
    main.form->SetKindCaption(kcNone);
    {
        SCOPED_TRACE("active classic");
        ExpectFrame(main.form->RenderFrame(), {Rgb(0x000000), Rgb(0xC0C0C0), Rgb(0xFFFFFF)});
    }
}

TEST(SkFormFrame, TextureFillsTheBackgroundUnlessLowColour)
{
    MainLikeForm main;
    main.form->SetColor(Rgb(0xEFEFEF));
    main.form->SetTexture(itSand);
    const QImage sand = main.form->RenderFrame();
    bool grained = false;
    for (int x = 11; x < 43; ++x)
        grained |= Px(sand, x, 100) != Px(sand, 10, 100);
    EXPECT_TRUE(grained);
    // The 32 x 32 tile repeats from the window's corner.
    EXPECT_EQ(Px(sand, 100, 100), Px(sand, 132, 132));
    main.form->SetTexture(itNone);
    EXPECT_EQ(Px(main.form->RenderFrame(), 101, 100), Rgb(0xEFEFEF));

    SetScreenColorDepthForTesting(8);
    TSkForm lowColour;
    lowColour.SetTexture(itSand);
    lowColour.SetKindCaption(kcSimple);
    SetScreenColorDepthForTesting(24);
    EXPECT_EQ(lowColour.Texture(), itNone);
    EXPECT_EQ(lowColour.KindCaption(), kcNone);
    EXPECT_FALSE(lowColour.Shaped());
}

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
        EXPECT_EQ(Px(twoStrip, 44, row), Rgb(color)) << row;
        EXPECT_EQ(Px(twoStrip, 312, row), Rgb(color)) << row;  // last column before R = 87
        EXPECT_EQ(Px(threeStrip, 289, row), Rgb(color)) << row;  // last column before R = 110
    }
    // The silver tab: its fill repeats the right cap's first column from W - R + 45 on.
    const std::pair<int, unsigned> tab[] = {{0, 0x7B8791}, {2, 0xE3E5E8}, {14, 0xC2C3CA}, {28, 0xBABEC4}};
    for (auto [row, color] : tab) {
        EXPECT_EQ(Px(threeStrip, 335, row), Rgb(color)) << row;
        EXPECT_EQ(Px(threeStrip, 354, row), Rgb(color)) << row;
        EXPECT_EQ(Px(twoStrip, 357, row), Rgb(color)) << row;  // the transition piece's last column
    }
    // Every row passes from blue to silver once, inside the transition piece.
    for (const auto& [strip, left] : {std::pair{&twoStrip, 313}, std::pair{&threeStrip, 290}}) {
        for (int row = 1; row < 28; ++row) {
            int changes = 0;
            for (int x = left - 1; x < left + 45; ++x)
                changes += Px(*strip, x, row) == BarFillColor(row, false) &&
                           Px(*strip, x + 1, row) != BarFillColor(row, false);
            EXPECT_EQ(changes, 1) << "row " << row << " from " << left;
        }
    }
    // x = 312 lies before the transition with two buttons and on the tab with three.
    EXPECT_EQ(Px(twoStrip, 312, 14), Rgb(0xA3B9D6));
    EXPECT_EQ(Px(threeStrip, 312, 14), Rgb(0xC2C3CA));
}

TEST(SkFormCaption, ActiveFillColours)
{
    MainLikeForm main;
    main.form->SetCaption(QString());
    ASSERT_TRUE(main.Activate());
    const QImage frame = main.form->RenderFrame();
    EXPECT_EQ(Px(frame, 100, 0), Rgb(0x535295));
    EXPECT_EQ(Px(frame, 100, 2), Rgb(0x4395CC));
    EXPECT_EQ(Px(frame, 100, 23), Rgb(0x4C82BC));
    EXPECT_EQ(Px(frame, 357, 2), Rgb(0xFDFDFD));
    EXPECT_EQ(Px(frame, 357, 12), Rgb(0xB8C4D1));
    EXPECT_EQ(Px(frame, 357, 28), Rgb(0xC0C4D0));
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
        EXPECT_EQ(Px(inactive, c.x, c.y), Rgb(c.inactive)) << c.x << "," << c.y;
        EXPECT_EQ(Px(active, c.x, c.y), Rgb(c.active)) << c.x << "," << c.y;
    }
    // Below the bands the frame lines carry on.
    const TFrameColors lines = FrameColors(true, true);
    EXPECT_EQ(Px(active, 2, 39), lines.middle);
    EXPECT_EQ(Px(active, w - 4, 39), lines.light);
}

TEST(SkFormCaption, ClassicBarOfKcNone)
{
    MainLikeForm main(400, true);
    main.form->SetCaption(QString());
    main.form->SetKindCaption(kcNone);
    const QImage inactive = main.form->RenderFrame();
    ASSERT_TRUE(main.Activate());
    const QImage active = main.form->RenderFrame();
    const std::tuple<int, unsigned, unsigned> rows[] = {
        {0, 0x808080, 0x000000},  {1, 0xFFFFFF, 0xFFFFFF},  {2, 0xC0C0C0, 0xC0C0C0}, {3, 0x000000, 0x808080},
        {4, 0x808080, 0x000080},  {14, 0x808080, 0x000080}, {24, 0x808080, 0x000080}, {25, 0xFFFFFF, 0xFFFFFF},
        {26, 0xC0C0C0, 0xC0C0C0}, {27, 0xC0C0C0, 0xC0C0C0}, {28, 0x808080, 0x000000}};
    for (auto [row, off, on] : rows) {
        for (int x : {15, 200, 383}) {  // the fill runs from 15 to W - 17
            EXPECT_EQ(Px(inactive, x, row), Rgb(off)) << x << "," << row;
            EXPECT_EQ(Px(active, x, row), Rgb(on)) << x << "," << row;
        }
    }
    // The ends carry the classic frame's rim up into the caption; no junction bands.
    const TFrameColors lines = FrameColors(true, false);
    for (int y : {10, 30, 100}) {
        EXPECT_EQ(Px(active, 0, y), lines.dark) << y;
        EXPECT_EQ(Px(active, 1, y), lines.light) << y;
        EXPECT_EQ(Px(active, 2, y), lines.middle) << y;
        EXPECT_EQ(Px(active, 399, y), lines.dark) << y;
        EXPECT_EQ(Px(active, 396, y), lines.light) << y;
    }
    EXPECT_FALSE(main.form->Shaped());
    EXPECT_TRUE(main.form->mask().isEmpty());
    // Classic buttons: 19 x 19, 20 pixels apart, 4 from the right edge.
    EXPECT_EQ(main.close->geometry(), QRect(376, 5, 19, 19));
    EXPECT_EQ(main.maximize->pos(), QPoint(356, 5));
    EXPECT_EQ(main.minimize->pos(), QPoint(336, 5));
    EXPECT_EQ(main.close->TextureColor(), ctNone);
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
    EXPECT_EQ(Px(main.form->RenderFrame(), 10, 10), Rgb(0xFF0000));
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
    main.form->SetKindCaption(kcNone);
    EXPECT_FALSE(InkBounds(main.form->RenderFrame(), bar, Rgb(0xC0C0C0)).isEmpty());
    ASSERT_TRUE(main.Activate());
    EXPECT_FALSE(InkBounds(main.form->RenderFrame(), bar, Rgb(0xFFFFFF)).isEmpty());
}

TEST(SkFormCaption, OtherKindsKeepTheirFillsAndPieceAtW140)
{
    std::vector<QImage> pieces;
    for (TKindCaption kind : {kcEmblem, kcPoints, kcLines}) {
        MainLikeForm main;
        main.form->SetCaption(QString());
        main.form->SetKindCaption(kind);
        const QImage frame = main.form->RenderFrame();
        for (int row : {0, 14, 28}) {
            EXPECT_EQ(Px(frame, 259, row), Rgb(row == 14 ? 0xA3B9D6 : 0x8B9DC7)) << kind << " " << row;  // W - 141
            EXPECT_EQ(Px(frame, 309, row), Rgb(row == 14 ? 0xC2C3CA : row == 0 ? 0x7B8791 : 0xBABEC4))
                << kind << " " << row;  // W - 91
        }
        pieces.push_back(frame.copy(260, 0, 50, 29));
    }
    EXPECT_NE(pieces[0], pieces[1]);
    EXPECT_NE(pieces[1], pieces[2]);
}

TEST(SkFormShape, RoundedPolygonCutsTheTopCorners)
{
    MainLikeForm main;
    EXPECT_TRUE(main.form->Shaped());
    const QRegion mask = main.form->mask();
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 400, 210));
    const QPoint inside[] = {{5, 0}, {3, 1}, {2, 2}, {1, 3}, {0, 5}, {394, 0}, {396, 1}, {397, 2},
                             {398, 3}, {399, 5}, {399, 209}, {0, 209}, {200, 100}};
    const QPoint outside[] = {{4, 0}, {0, 0}, {2, 1}, {0, 4}, {395, 0}, {399, 0}, {397, 1}, {399, 3}, {400, 100}};
    for (QPoint p : inside)
        EXPECT_TRUE(mask.contains(p)) << p.x() << "," << p.y();
    for (QPoint p : outside)
        EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();

    main.form->SetFixedWidth(503);
    EXPECT_EQ(main.form->mask().boundingRect(), QRect(0, 0, 503, 210));
    EXPECT_TRUE(main.form->mask().contains(QPoint(497, 0)));
    EXPECT_FALSE(main.form->mask().contains(QPoint(498, 0)));

    main.form->SetKindCaption(kcNone);
    EXPECT_TRUE(main.form->mask().isEmpty());
    main.form->SetKindCaption(kcLines);
    EXPECT_FALSE(main.form->mask().contains(QPoint(0, 0)));
}

TEST(SkFormButtons, LayoutAtTheRightOfTheCaption)
{
    MainLikeForm main;
    EXPECT_EQ(main.close->geometry(), QRect(371, 5, 21, 21));
    EXPECT_EQ(main.minimize->geometry(), QRect(348, 5, 21, 21));
    EXPECT_EQ(main.form->BorderIcons(), TBorderIcons(biSystemMenu | biMinimize));
    EXPECT_EQ(main.minimize->Designation(), dMinimize);
    EXPECT_EQ(main.close->Designation(), dClose);
    EXPECT_EQ(main.close->TextureColor(), ctSilver);

    MainLikeForm three(400, true);
    EXPECT_EQ(three.close->pos(), QPoint(371, 5));
    EXPECT_EQ(three.maximize->pos(), QPoint(348, 5));
    EXPECT_EQ(three.minimize->pos(), QPoint(325, 5));

    // The width of the grid-mode window and the legacy one.
    main.form->SetFixedWidth(503);
    EXPECT_EQ(main.form->size(), QSize(503, 210));
    EXPECT_EQ(main.close->pos(), QPoint(474, 5));
    EXPECT_EQ(main.minimize->pos(), QPoint(451, 5));
    // The strip and the junction follow the new width.
    const QImage wide = main.form->RenderFrame();
    EXPECT_EQ(Px(wide, 502, 28), Rgb(0x7B8890));
    EXPECT_EQ(Px(wide, 415, 27), Rgb(0xA2B5D4));  // bar, just before W - 87
    EXPECT_EQ(Px(wide, 460, 27), Rgb(0xCECFD6));  // the tab under the buttons
    main.form->SetFixedWidth(398);
    EXPECT_EQ(main.close->pos(), QPoint(369, 5));
    EXPECT_EQ(main.minimize->pos(), QPoint(346, 5));
}

TEST(SkFormButtons, BorderIconsShowAndHideLinkedButtons)
{
    MainLikeForm main;
    ASSERT_TRUE(main.Activate());
    EXPECT_TRUE(main.minimize->OwnEnabled());
    main.form->SetBorderIcons(biSystemMenu);
    EXPECT_FALSE(main.minimize->isVisibleTo(main.form.get()));
    EXPECT_FALSE(main.minimize->OwnEnabled());
    EXPECT_EQ(main.form->VisibleButtonCount(), 1);
    main.form->SetBorderIcons(biSystemMenu | biMinimize | biHelp);  // help has no button
    EXPECT_EQ(main.minimize->pos(), QPoint(348, 5));
    EXPECT_TRUE(main.minimize->OwnEnabled());
}

TEST(SkFormButtons, LinkingRefusedAndUnlinked)
{
    MainLikeForm main;
    auto* small = new TSkSysBtn(main.form.get());
    small->setMaximumSize(19, 19);
    main.form->SetBtnHlp(small);
    EXPECT_EQ(main.form->BtnHlp(), nullptr);
    EXPECT_FALSE(main.form->BorderIcons().testFlag(biHelp));
    // Already carrying the designation and scheme does not let a wrong size through.
    small->SetDesignationAndTexture(dHelp, ctSilver);
    main.form->SetBtnHlp(small);
    EXPECT_EQ(main.form->BtnHlp(), nullptr);
    EXPECT_FALSE(main.form->BorderIcons().testFlag(biHelp));

    main.form->SetBtnMin(nullptr);
    EXPECT_EQ(main.form->BtnMin(), nullptr);
    EXPECT_FALSE(main.form->BorderIcons().testFlag(biMinimize));
    EXPECT_EQ(main.form->VisibleButtonCount(), 1);

    delete main.close;
    EXPECT_EQ(main.form->BtnCls(), nullptr);
    EXPECT_EQ(main.form->VisibleButtonCount(), 0);
}

TEST(SkFormButtons, LowColourUsesClassicButtons)
{
    SetScreenColorDepthForTesting(8);
    MainLikeForm main;
    SetScreenColorDepthForTesting(24);
    EXPECT_EQ(main.form->KindCaption(), kcNone);
    EXPECT_EQ(main.close->TextureColor(), ctNone);
    EXPECT_EQ(main.close->geometry(), QRect(376, 5, 19, 19));
    EXPECT_EQ(main.minimize->pos(), QPoint(356, 5));
}

TEST(SkFormButtons, ActivationSwitchesTheirEnabledLook)
{
    MainLikeForm main;
    EXPECT_FALSE(main.close->OwnEnabled());
    ASSERT_TRUE(main.Activate());
    EXPECT_TRUE(main.close->OwnEnabled());
    EXPECT_TRUE(main.minimize->OwnEnabled());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return !main.form->Active(); }));
    EXPECT_FALSE(main.close->OwnEnabled());
    EXPECT_FALSE(main.minimize->OwnEnabled());
    // Each paint sets them again, whatever changed them in between.
    main.close->SetOwnEnabled(true);
    main.form->grab();
    EXPECT_FALSE(main.close->OwnEnabled());
}

TEST(SkFormLayout, ChildrenAreShiftedIntoTheInnerAreaOnce)
{
    TSkForm form;
    auto* label = new QLabel(QStringLiteral("x"), &form);
    label->move(10, 20);
    auto* button = new TSkSysBtn(&form);
    button->move(1, 1);
    form.SetFixedWidth(200);
    form.FinishLayout();
    EXPECT_EQ(label->pos(), QPoint(15, 49));
    EXPECT_EQ(button->pos(), QPoint(1, 1));
    form.FinishLayout();
    EXPECT_EQ(label->pos(), QPoint(15, 49));
    EXPECT_EQ(form.contentsRect(), QRect(5, 29, 190, form.height() - 34));
}

TEST(SkFormLayout, OddSizesDoNotBreakPainting)
{
    TSkForm form;
    form.SetKindCaption(kcSimple);
    for (QSize size : {QSize(0, 0), QSize(1, 1), QSize(30, 10), QSize(89, 40), QSize(140, 35)}) {
        form.SetFixedWidth(size.width());
        form.SetFixedHeight(size.height());
        EXPECT_EQ(form.RenderFrame().size(), size);
    }
    form.SetFixedWidth(-5);
    EXPECT_EQ(form.FixedWidth(), 0);
    EXPECT_TRUE(form.RenderFrame().isNull());
}

TEST(SkFormDrag, StartsOnlyInTheCaption)
{
    MainLikeForm main;
    TSkForm& form = *main.form;
    Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, {50, 29});
    EXPECT_EQ(form.DragOrigin(), QPoint(-1, -1));
    EXPECT_NE(form.cursor().shape(), Qt::PointingHandCursor);
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {50, 29});

    Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, {50, 28});
    EXPECT_EQ(form.DragOrigin(), QPoint(50, 28));
    EXPECT_EQ(form.cursor().shape(), Qt::PointingHandCursor);
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {50, 28});
    EXPECT_EQ(form.DragOrigin(), QPoint(-1, -1));
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);

    Mouse(form, QEvent::MouseButtonPress, Qt::RightButton, {50, 10});
    EXPECT_EQ(form.DragOrigin(), QPoint(-1, -1));
    form.SetMoveable(false);
    Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, {50, 10});
    EXPECT_EQ(form.DragOrigin(), QPoint(-1, -1));
}

TEST(SkFormDrag, MovesWithThePointerAndEndsOutsideTheCaption)
{
    MainLikeForm main;
    TSkForm& form = *main.form;
    form.move(100, 100);
    Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, {50, 10});
    Mouse(form, QEvent::MouseMove, Qt::NoButton, {70, 15}, Qt::LeftButton);
    EXPECT_EQ(form.pos(), QPoint(120, 105));
    EXPECT_EQ(form.DragOrigin(), QPoint(50, 10));
    // A fast move that leaves the caption ends the drag and gives the cursor back.
    Mouse(form, QEvent::MouseMove, Qt::NoButton, {50, 60}, Qt::LeftButton);
    EXPECT_EQ(form.pos(), QPoint(120, 105));
    EXPECT_EQ(form.DragOrigin(), QPoint(-1, -1));
    EXPECT_EQ(form.cursor().shape(), Qt::ArrowCursor);
    Mouse(form, QEvent::MouseMove, Qt::NoButton, {60, 10}, Qt::LeftButton);
    EXPECT_EQ(form.pos(), QPoint(120, 105));

    // The form's own cursor comes back after a drag.
    form.setCursor(Qt::CrossCursor);
    Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, {50, 10});
    Mouse(form, QEvent::MouseButtonPress, Qt::LeftButton, {51, 10});  // a second press keeps the saved one
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {51, 10});
    EXPECT_EQ(form.cursor().shape(), Qt::CrossCursor);
}

QStringList ActionTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text() + (action->isEnabled() ? "" : " (off)"));
    return texts;
}

TEST(SkFormMenu, OpensFromTheIconAreaOnly)
{
    MainLikeForm main;
    TSkForm& form = *main.form;
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {10, 10});
    EXPECT_EQ(form.WindowMenu(), nullptr);  // no icon, no icon area

    form.SetIcon(SquareIcon(Qt::blue));
    EXPECT_EQ(form.IconArea(), QRect(6, 7, 16, 16));
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {10, 10});
    ASSERT_NE(form.WindowMenu(), nullptr);
    EXPECT_EQ(ActionTexts(*form.WindowMenu()),
              QStringList({QStringLiteral("&Восстановить (off)"), QStringLiteral("&Свернуть"), QStringLiteral("-"),
                           QStringLiteral("&Закрыть   ALt + F4")}));
    EXPECT_FALSE(form.WindowMenu()->actions().front()->icon().isNull());

    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {30, 10});
    EXPECT_EQ(form.WindowMenu(), nullptr);
}

TEST(SkFormMenu, ItemsFollowBorderIconsAndRunTheCommands)
{
    MainLikeForm main(400, true);
    TSkForm& form = *main.form;
    form.SetIcon(SquareIcon(Qt::blue));
    form.SetBorderIcons(biSystemMenu | biMinimize | biMaximize | biHelp);
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {21, 22});
    ASSERT_NE(form.WindowMenu(), nullptr);
    EXPECT_EQ(ActionTexts(*form.WindowMenu()),
              QStringList({QStringLiteral("&Восстановить (off)"), QStringLiteral("&Подсказка"),
                           QStringLiteral("&Развернуть"), QStringLiteral("&Свернуть"), QStringLiteral("-"),
                           QStringLiteral("&Закрыть   ALt + F4")}));

    TSkForm* minimizedBy = nullptr;
    form.OnMinClick = [&](TSkForm* sender) { minimizedBy = sender; };
    form.WindowMenu()->actions().at(3)->trigger();
    EXPECT_EQ(minimizedBy, &form);
    EXPECT_EQ(form.WindowMenu(), nullptr);  // any command closes the menu

    form.SetBorderIcons(biSystemMenu);
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {6, 7});
    ASSERT_NE(form.WindowMenu(), nullptr);
    EXPECT_EQ(ActionTexts(*form.WindowMenu()), QStringList({QStringLiteral("&Закрыть   ALt + F4")}));
    int closes = 0;
    form.OnClsClick = [&](TSkForm*) { ++closes; };
    form.WindowMenu()->actions().front()->trigger();
    EXPECT_EQ(closes, 1);
    QApplication::processEvents();
}

TEST(SkFormMenu, DeactivationClosesTheMenu)
{
    MainLikeForm main;
    main.form->SetIcon(SquareIcon(Qt::blue));
    ASSERT_TRUE(main.Activate());
    Mouse(*main.form, QEvent::MouseButtonRelease, Qt::LeftButton, {10, 10});
    ASSERT_NE(main.form->WindowMenu(), nullptr);
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(WaitFor([&] { return !main.form->Active(); }));
    EXPECT_EQ(main.form->WindowMenu(), nullptr);
}

TEST(SkFormCommands, CaptionButtonsRunTheWindowCommands)
{
    MainLikeForm main(400, true);
    ASSERT_TRUE(main.Activate());
    TSkForm& form = *main.form;
    form.SetBorderIcons(biSystemMenu | biMinimize | biMaximize);
    std::vector<QString> events;
    form.OnMaxClick = [&](TSkForm* sender) { events.push_back(sender == &form ? "max" : "?"); };
    form.OnMinClick = [&](TSkForm*) { events.push_back("min"); };
    form.OnClsClick = [&](TSkForm*) { events.push_back("close"); };
    form.OnHlpClick = [&](TSkForm*) { events.push_back("help"); };

    ASSERT_TRUE(main.maximize->OnClick);
    main.maximize->OnClick(main.maximize);
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(main.maximize->Designation(), dRestore);
    main.maximize->OnClick(main.maximize);
    EXPECT_FALSE(form.isMaximized());
    EXPECT_EQ(main.maximize->Designation(), dMaximize);

    main.minimize->OnClick(main.minimize);
    EXPECT_TRUE(form.isMinimized());
    form.Minimize();
    EXPECT_FALSE(form.isMinimized());

    form.Help();
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();

    main.close->OnClick(main.close);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(events, (std::vector<QString>{"max", "max", "min", "min", "help", "close"}));
}

TEST(SkFormGlyphs, PicturesOnTheMenuBackground)
{
    const QRgb background = Rgb(0xEFEFEF);
    for (int glyph = mgClose; glyph <= mgRestore; ++glyph) {
        for (bool enabled : {true, false}) {
            const QImage image = MenuGlyph(static_cast<TMenuGlyph>(glyph), enabled, background);
            ASSERT_EQ(image.size(), QSize(16, 16));
            EXPECT_EQ(Px(image, 0, 0), background);
            int black = 0;
            int grey = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    black += Px(image, x, y) == Rgb(0x000000);
                    grey += Px(image, x, y) == Rgb(0x808080);
                }
            const bool sameWhenDisabled = glyph == mgClose || glyph == mgHelp;
            EXPECT_EQ(black > 0, enabled || sameWhenDisabled) << glyph << enabled;
            const bool greyExpected = glyph == mgHelp || (!enabled && !sameWhenDisabled);
            EXPECT_EQ(grey > 0, greyExpected) << glyph << enabled;
        }
    }
    EXPECT_EQ(MenuGlyph(mgClose, true, background), MenuGlyph(mgClose, false, background));
    EXPECT_EQ(qAlpha(MenuGlyph(mgMinimize, true, 0).pixel(0, 0)), 0);
}

}  // namespace
}  // namespace torv
