// The skinned form: frame lines, window shape, caption-button layout and linking,
// dragging, the window menu, the window commands and the low-colour fallbacks.
#include "skin/sk_form.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
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
#include "sk_form_fixture.h"

namespace torv {
namespace {

using namespace sk_form_test;

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
    main.form->SetKindCaption(TKindCaption::kcNone);
    {
        SCOPED_TRACE("active classic");
        ExpectFrame(main.form->RenderFrame(), {Rgb(0x000000), Rgb(0xC0C0C0), Rgb(0xFFFFFF)});
    }
}

TEST(SkFormFrame, TextureFillsTheBackgroundUnlessLowColour)
{
    MainLikeForm main;
    main.form->SetColor(Rgb(0xEFEFEF));
    main.form->SetTexture(TInvoiceTexture::itSand);
    const QImage sand = main.form->RenderFrame();
    bool grained = false;
    for (int x = 11; x < 43; ++x)
        grained |= PixelAt(sand, x, 100) != PixelAt(sand, 10, 100);
    EXPECT_TRUE(grained);
    // The 32 x 32 tile repeats from the window's corner.
    EXPECT_EQ(PixelAt(sand, 100, 100), PixelAt(sand, 132, 132));
    main.form->SetTexture(TInvoiceTexture::itNone);
    EXPECT_EQ(PixelAt(main.form->RenderFrame(), 101, 100), Rgb(0xEFEFEF));

    SetScreenColorDepthForTesting(8);
    TSkForm lowColour;
    lowColour.SetTexture(TInvoiceTexture::itSand);
    lowColour.SetKindCaption(TKindCaption::kcSimple);
    SetScreenColorDepthForTesting(24);
    EXPECT_EQ(lowColour.Texture(), TInvoiceTexture::itNone);
    EXPECT_EQ(lowColour.KindCaption(), TKindCaption::kcNone);
    EXPECT_FALSE(lowColour.Shaped());
}

TEST(SkFormShape, RoundedPolygonCutsTheTopCorners)
{
    MainLikeForm main;
    EXPECT_TRUE(main.form->Shaped());
    const QRegion mask = main.form->mask();
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, 400, 210));
    const QPoint inside[] = {{5, 0},   {3, 1},   {2, 2},   {1, 3},     {0, 5},   {394, 0},  {396, 1},
                             {397, 2}, {398, 3}, {399, 5}, {399, 209}, {0, 209}, {200, 100}};
    const QPoint outside[] = {{4, 0}, {0, 0}, {2, 1}, {0, 4}, {395, 0}, {399, 0}, {397, 1}, {399, 3}, {400, 100}};
    for (QPoint p : inside)
        EXPECT_TRUE(mask.contains(p)) << p.x() << "," << p.y();
    for (QPoint p : outside)
        EXPECT_FALSE(mask.contains(p)) << p.x() << "," << p.y();

    main.form->SetFixedWidth(503);
    EXPECT_EQ(main.form->mask().boundingRect(), QRect(0, 0, 503, 210));
    EXPECT_TRUE(main.form->mask().contains(QPoint(497, 0)));
    EXPECT_FALSE(main.form->mask().contains(QPoint(498, 0)));

    main.form->SetKindCaption(TKindCaption::kcNone);
    EXPECT_TRUE(main.form->mask().isEmpty());
    main.form->SetKindCaption(TKindCaption::kcLines);
    EXPECT_FALSE(main.form->mask().contains(QPoint(0, 0)));
}

TEST(SkFormButtons, LayoutAtTheRightOfTheCaption)
{
    MainLikeForm main;
    EXPECT_EQ(main.close->geometry(), QRect(371, 5, 21, 21));
    EXPECT_EQ(main.minimize->geometry(), QRect(348, 5, 21, 21));
    EXPECT_EQ(main.form->BorderIcons(), TBorderIcons(TBorderIcon::biSystemMenu | TBorderIcon::biMinimize));
    EXPECT_EQ(main.minimize->Designation(), TDesignation::dMinimize);
    EXPECT_EQ(main.close->Designation(), TDesignation::dClose);
    EXPECT_EQ(main.close->TextureColor(), TColorTexture::ctSilver);

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
    EXPECT_EQ(PixelAt(wide, 502, 28), Rgb(0x7B8890));
    EXPECT_EQ(PixelAt(wide, 415, 27), Rgb(0xA2B5D4));  // bar, just before W - 87
    EXPECT_EQ(PixelAt(wide, 460, 27), Rgb(0xCECFD6));  // the tab under the buttons
    main.form->SetFixedWidth(398);
    EXPECT_EQ(main.close->pos(), QPoint(369, 5));
    EXPECT_EQ(main.minimize->pos(), QPoint(346, 5));
}

TEST(SkFormButtons, BorderIconsShowAndHideLinkedButtons)
{
    MainLikeForm main;
    ASSERT_TRUE(main.Activate());
    EXPECT_TRUE(main.minimize->OwnEnabled());
    main.form->SetBorderIcons(TBorderIcon::biSystemMenu);
    EXPECT_FALSE(main.minimize->isVisibleTo(main.form.get()));
    EXPECT_FALSE(main.minimize->OwnEnabled());
    EXPECT_EQ(main.form->VisibleButtonCount(), 1);
    // Help has no button.
    main.form->SetBorderIcons(TBorderIcon::biSystemMenu | TBorderIcon::biMinimize | TBorderIcon::biHelp);
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
    EXPECT_FALSE(main.form->BorderIcons().testFlag(TBorderIcon::biHelp));
    // Already carrying the designation and scheme does not let a wrong size through.
    small->SetDesignationAndTexture(TDesignation::dHelp, TColorTexture::ctSilver);
    main.form->SetBtnHlp(small);
    EXPECT_EQ(main.form->BtnHlp(), nullptr);
    EXPECT_FALSE(main.form->BorderIcons().testFlag(TBorderIcon::biHelp));

    main.form->SetBtnMin(nullptr);
    EXPECT_EQ(main.form->BtnMin(), nullptr);
    EXPECT_FALSE(main.form->BorderIcons().testFlag(TBorderIcon::biMinimize));
    EXPECT_EQ(main.form->VisibleButtonCount(), 1);
    emit main.minimize->OnClick(main.minimize);  // no longer runs the form's command
    EXPECT_FALSE(main.form->isMinimized());

    delete main.close;
    EXPECT_EQ(main.form->BtnCls(), nullptr);
    EXPECT_EQ(main.form->VisibleButtonCount(), 0);
}

TEST(SkFormButtons, AButtonThatOutlivesItsFormNoLongerRunsItsCommand)
{
    TSkSysBtn button;
    auto form = std::make_unique<TSkForm>();
    form->SetBtnCls(&button);
    ASSERT_EQ(form->BtnCls(), &button);
    int closes = 0;
    QObject scope;
    QObject::connect(form.get(), &TSkForm::OnClsClick, &scope, [&] { ++closes; });
    emit button.OnClick(&button);
    EXPECT_EQ(closes, 1);
    form.reset();
    emit button.OnClick(&button);  // a call into the destroyed form would be a use after free
    EXPECT_EQ(closes, 1);
}

TEST(SkFormButtons, LowColourUsesClassicButtons)
{
    SetScreenColorDepthForTesting(8);
    MainLikeForm main;
    SetScreenColorDepthForTesting(24);
    EXPECT_EQ(main.form->KindCaption(), TKindCaption::kcNone);
    EXPECT_EQ(main.close->TextureColor(), TColorTexture::ctNone);
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
    ASSERT_TRUE(testing::RunUntil([&] { return !main.form->Active(); }));
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
    form.SetKindCaption(TKindCaption::kcSimple);
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
    form.SetBorderIcons(TBorderIcon::biSystemMenu | TBorderIcon::biMinimize | TBorderIcon::biMaximize |
                        TBorderIcon::biHelp);
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {21, 22});
    ASSERT_NE(form.WindowMenu(), nullptr);
    EXPECT_EQ(
        ActionTexts(*form.WindowMenu()),
        QStringList({QStringLiteral("&Восстановить (off)"), QStringLiteral("&Подсказка"), QStringLiteral("&Развернуть"),
                     QStringLiteral("&Свернуть"), QStringLiteral("-"), QStringLiteral("&Закрыть   ALt + F4")}));

    TSkForm* minimizedBy = nullptr;
    int closes = 0;
    QObject scope;
    QObject::connect(&form, &TSkForm::OnMinClick, &scope, [&](TSkForm* sender) { minimizedBy = sender; });
    QObject::connect(&form, &TSkForm::OnClsClick, &scope, [&] { ++closes; });
    form.WindowMenu()->actions().at(3)->trigger();
    EXPECT_EQ(minimizedBy, &form);
    EXPECT_EQ(form.WindowMenu(), nullptr);  // any command closes the menu

    form.SetBorderIcons(TBorderIcon::biSystemMenu);
    Mouse(form, QEvent::MouseButtonRelease, Qt::LeftButton, {6, 7});
    ASSERT_NE(form.WindowMenu(), nullptr);
    EXPECT_EQ(ActionTexts(*form.WindowMenu()), QStringList({QStringLiteral("&Закрыть   ALt + F4")}));
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
    ASSERT_TRUE(testing::RunUntil([&] { return !main.form->Active(); }));
    EXPECT_EQ(main.form->WindowMenu(), nullptr);
}

TEST(SkFormCommands, CaptionButtonsRunTheWindowCommands)
{
    MainLikeForm main(400, true);
    ASSERT_TRUE(main.Activate());
    TSkForm& form = *main.form;
    form.SetBorderIcons(TBorderIcon::biSystemMenu | TBorderIcon::biMinimize | TBorderIcon::biMaximize);
    std::vector<QString> events;
    QObject scope;
    QObject::connect(&form, &TSkForm::OnMaxClick, &scope,
                     [&](TSkForm* sender) { events.push_back(sender == &form ? "max" : "?"); });
    QObject::connect(&form, &TSkForm::OnMinClick, &scope, [&] { events.push_back("min"); });
    QObject::connect(&form, &TSkForm::OnClsClick, &scope, [&] { events.push_back("close"); });
    QObject::connect(&form, &TSkForm::OnHlpClick, &scope, [&] { events.push_back("help"); });

    emit main.maximize->OnClick(main.maximize);
    EXPECT_TRUE(form.isMaximized());
    EXPECT_EQ(main.maximize->Designation(), TDesignation::dRestore);
    emit main.maximize->OnClick(main.maximize);
    EXPECT_FALSE(form.isMaximized());
    EXPECT_EQ(main.maximize->Designation(), TDesignation::dMaximize);

    emit main.minimize->OnClick(main.minimize);
    EXPECT_TRUE(form.isMinimized());
    form.Minimize();
    EXPECT_FALSE(form.isMinimized());

    form.Help();
    EXPECT_TRUE(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();

    emit main.close->OnClick(main.close);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(events, (std::vector<QString>{"max", "max", "min", "min", "help", "close"}));
}

TEST(SkFormGlyphs, PicturesOnTheMenuBackground)
{
    const QRgb background = Rgb(0xEFEFEF);
    for (TMenuGlyph glyph : {TMenuGlyph::mgClose, TMenuGlyph::mgHelp, TMenuGlyph::mgMaximize, TMenuGlyph::mgMinimize,
                             TMenuGlyph::mgRestore}) {
        for (bool enabled : {true, false}) {
            const QImage image = MenuGlyph(glyph, enabled, background);
            ASSERT_EQ(image.size(), QSize(16, 16));
            EXPECT_EQ(PixelAt(image, 0, 0), background);
            int black = 0;
            int grey = 0;
            for (int y = 0; y < 16; ++y)
                for (int x = 0; x < 16; ++x) {
                    black += PixelAt(image, x, y) == Rgb(0x000000);
                    grey += PixelAt(image, x, y) == Rgb(0x808080);
                }
            const bool sameWhenDisabled = glyph == TMenuGlyph::mgClose || glyph == TMenuGlyph::mgHelp;
            EXPECT_EQ(black > 0, enabled || sameWhenDisabled) << static_cast<int>(glyph) << enabled;
            const bool greyExpected = glyph == TMenuGlyph::mgHelp || (!enabled && !sameWhenDisabled);
            EXPECT_EQ(grey > 0, greyExpected) << static_cast<int>(glyph) << enabled;
        }
    }
    EXPECT_EQ(MenuGlyph(TMenuGlyph::mgClose, true, background), MenuGlyph(TMenuGlyph::mgClose, false, background));
    EXPECT_EQ(qAlpha(MenuGlyph(TMenuGlyph::mgMinimize, true, 0).pixel(0, 0)), 0);
}

}  // namespace
}  // namespace torv
