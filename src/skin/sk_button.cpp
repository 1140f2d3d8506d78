#include "skin/sk_button.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include "skin/sk_accessible.h"
#include "skin/sk_button_paint.h"
#include "skin/sk_canvas.h"
#include "skin/sk_gdi.h"

namespace torv {
namespace {

constexpr QRgb kInitialSelection = Rgb(0x4C4CBF);
// The highlight colour of the olive desktop scheme: it tells that scheme from the blue
// one, whose button face is the same.
constexpr QRgb kOliveHighlight = Rgb(0x93A070);

bool IsClickKey(const QKeyEvent* event)
{
    const int key = event->key();
    const bool clickKey = key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
    const Qt::KeyboardModifiers held = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    return clickKey && held == Qt::NoModifier;
}

}  // namespace

TButtonScheme ButtonScheme(TColorTexture texture)
{
    switch (texture) {
    case TColorTexture::ctNone:
    case TColorTexture::ctDefault: break;
    case TColorTexture::ctTeal: return {Rgb(0xD2E6E6), Rgb(0xA8CACA), Rgb(0x6EA8A8), Rgb(0x5E8E8E)};
    case TColorTexture::ctOlive: return {Rgb(0xDDDDC6), Rgb(0xBFBF90), Rgb(0x8C8C6D), Rgb(0xA5B27B)};
    case TColorTexture::ctBlue: return {Rgb(0xD0D0E8), Rgb(0xA1A1D2), Rgb(0x71719E), Rgb(0x3B7EC5)};
    case TColorTexture::ctXP: return {Rgb(0xF7F2ED), Rgb(0xEFEBDE), Rgb(0xADAA9C), Rgb(0x0059E5)};
    case TColorTexture::ctSilver: return {Rgb(0xF6F2ED), Rgb(0xE6DCE6), Rgb(0x9C9EA5), Rgb(0xADA6BD)};
    case TColorTexture::ctGreen: return {Rgb(0xEBF4EB), Rgb(0xC8DEC8), Rgb(0x7F8D7F), Rgb(0x00C300)};
    case TColorTexture::ctW2K: return {Rgb(0xDEDEDE), Rgb(0xD4D0C8), Rgb(0x797979), Rgb(0x4C4CBF)};
    }
    return {Rgb(0xDFDFDF), Rgb(0xC0C0C0), Rgb(0x808080), Rgb(0x4C4CBF)};
}

TColorTexture ColorTextureForParentColor(QRgb parentColor, QRgb highlight)
{
    switch (parentColor & 0xFFFFFFu) {
    case 0xBFBF90: return TColorTexture::ctOlive;
    case 0xD4D0C8: return TColorTexture::ctW2K;
    case 0xC8DEC8: return TColorTexture::ctGreen;
    case 0xA8CACA: return TColorTexture::ctTeal;
    case 0xA1A1D2: return TColorTexture::ctBlue;
    case 0xECE9D8: return SameColor(highlight, kOliveHighlight) ? TColorTexture::ctOlive : TColorTexture::ctXP;
    case 0xEFEBDE: return TColorTexture::ctXP;
    case 0xE0DFE3:
    case 0xE6DCE6: return TColorTexture::ctSilver;
    default: return TColorTexture::ctDefault;
    }
}

TFacePalette MakeFacePalette(QRgb light, QRgb mid, QRgb dark)
{
    const auto step = [](QRgb from, QRgb to, int k, int parts) {
        const auto channel = [&](int f, int t) { return f + MulDiv(k, t - f, parts); };
        return qRgb(channel(qRed(from), qRed(to)), channel(qGreen(from), qGreen(to)), channel(qBlue(from), qBlue(to)));
    };
    TFacePalette palette{};
    for (int k = 0; k < 16; ++k) {
        if (SameColor(mid, dark))
            At(palette, k) = step(light, mid, k, 15);
        else
            At(palette, k) = k < 8 ? step(light, mid, k, 7) : step(mid, dark, k - 8, 7);
    }
    return palette;
}

TSkButton::TSkButton(QWidget* parent)
    : QWidget(parent),
      colorParent_(SystemColor(TSystemColor::scBtnFace)),
      shadowColor_(ButtonScheme(TColorTexture::ctDefault).dark),
      selectionColor_(kInitialSelection),
      colorDepth_(ScreenColorDepth())
{
    InstallSkinAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setForegroundRole(QPalette::ButtonText);
    resize(75, 23);
    if (Textured()) {
        const TButtonScheme scheme = ButtonScheme(colorTexture_);
        facePalette_ = MakeFacePalette(scheme.light, scheme.mid, scheme.dark);
    } else {
        shadowColor_ = SystemColor(TSystemColor::scBtnShadow);
    }
}

void TSkButton::SetDown(bool down)
{
    if (down_ == down)
        return;
    down_ = down;
    update();
}

void TSkButton::SetCaption(const QString& caption)
{
    if (caption_ == caption)
        return;
    caption_ = caption;
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void TSkButton::SetColorTexture(TColorTexture texture)
{
    if (!Textured()) {
        facePalette_ = {};
        shadowColor_ = SystemColor(TSystemColor::scBtnShadow);
        colorTexture_ = texture;
        update();
        return;
    }
    if (colorTexture_ == texture)
        return;
    colorTexture_ = texture;
    const TButtonScheme scheme = ButtonScheme(texture);
    shadowColor_ = scheme.dark;
    facePalette_ = MakeFacePalette(scheme.light, scheme.mid, scheme.dark);
    update();
}

void TSkButton::SetStyle(TBtnUpDownStyle style)
{
    if (style_ == style)
        return;
    style_ = style;
    update();
}

void TSkButton::SetAlignment(TAlignment alignment)
{
    if (alignment_ == alignment)
        return;
    alignment_ = alignment;
    update();
}

void TSkButton::SetSelectKind(TKindSelect kind)
{
    if (selectKind_ == kind)
        return;
    selectKind_ = kind;
    selectionColor_ = kind == TKindSelect::ksRed ? kRedSelection : ButtonScheme(colorTexture_).selection;
    update();
}

void TSkButton::SetColorParent(QRgb color)
{
    color |= 0xFF000000u;
    if (colorParent_ == color)
        return;
    colorParent_ = color;
    update();
}

void TSkButton::SetGlyph(const QImage& glyph)
{
    glyph_ = glyph.isNull() ? QImage() : glyph.convertToFormat(QImage::Format_RGB32);
    update();
}

void TSkButton::SetKindFont(TBtnKindFont kindFont)
{
    if (kindFont_ == kindFont)
        return;
    kindFont_ = kindFont;
    update();
}

void TSkButton::SetParentColor(bool follow)
{
    if (parentColor_ == follow)
        return;
    parentColor_ = follow;
    if (follow)
        FollowParentColor();
}

void TSkButton::SetTabStop(bool tabStop)
{
    setFocusPolicy(tabStop ? Qt::TabFocus : Qt::NoFocus);
}

void TSkButton::FollowParentColor()
{
    const QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    const QRgb color = parent->palette().color(parent->backgroundRole()).rgb();
    SetColorParent(color);
    SetColorTexture(Textured() ? ColorTextureForParentColor(color, SystemColor(TSystemColor::scHighlight))
                               : TColorTexture::ctNone);
}

QImage TSkButton::RenderImage() const
{
    QImage image;
    Render(image);
    return image;
}

void TSkButton::Render(QImage& image) const
{
    if (image.size() != size() || image.format() != QImage::Format_RGB32)
        image = QImage(size(), QImage::Format_RGB32);
    if (image.isNull())
        return;
    TButtonPaintState state;
    state.down = down_;
    state.enabled = isEnabled();
    state.focused = focused_;
    state.colorParent = colorParent_;
    state.shadowColor = shadowColor_;
    state.selectionColor = selectionColor_;
    state.fontColor = palette().color(QPalette::Active, foregroundRole()).rgb();  // the same when disabled
    state.facePalette = facePalette_;
    state.glyph = glyph_;
    state.caption = caption_;
    state.font = font();
    state.alignment = alignment_;
    state.kindFont = kindFont_;
    TCanvas canvas(image);
    if (Textured())
        PaintButtonTextured(canvas, state);
    else
        PaintButtonLowColor(canvas, state);
}

void TSkButton::paintEvent(QPaintEvent*)
{
    Render(offscreen_);
    if (offscreen_.isNull() && Textured() && !size().isEmpty()) {
        colorDepth_ = 4;  // no off-screen image: flat drawing for the rest of the button's life
        SetColorTexture(colorTexture_);
        return;
    }
    QPainter painter(this);
    if (offscreen_.isNull())
        painter.fillRect(rect(), QColor::fromRgb(SystemColor(TSystemColor::scBtnFace)));
    else
        painter.drawImage(0, 0, offscreen_);
}

void TSkButton::Press()
{
    if (style_ == TBtnUpDownStyle::bNormal) {
        down_ = true;
    } else {
        down_ = !down_;
        if (down_ && groupIndex_ != 0)
            ReleaseOthersInGroup();
    }
    update();
}

void TSkButton::Click()
{
    if (!isEnabled())
        return;
    Press();
    if (style_ == TBtnUpDownStyle::bNormal)
        SetDown(false);
    emit OnClick(this);
}

void TSkButton::ReleaseOthersInGroup()
{
    QWidget* parent = parentWidget();
    if (parent == nullptr)
        return;
    for (TSkButton* other : parent->findChildren<TSkButton*>(Qt::FindDirectChildrenOnly))
        if (other != this && other->Down())
            other->SetDown(false);
}

void TSkButton::mousePressEvent(QMouseEvent* event)
{
    leftPressed_ = event->button() == Qt::LeftButton;
    Press();
}

void TSkButton::mouseDoubleClickEvent(QMouseEvent* event)
{
    leftPressed_ = false;
    Press();
    if (event->button() == Qt::LeftButton)
        emit OnDblClick(this);
}

void TSkButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        leftPressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton)
        leftPressed_ = false;
    if (style_ == TBtnUpDownStyle::bNormal)
        SetDown(false);
    if (click)
        emit OnClick(this);
}

void TSkButton::keyPressEvent(QKeyEvent* event)
{
    if (IsClickKey(event)) {
        emit OnClick(this);
        Press();
    }
    emit OnKeyDown(this, event);
}

void TSkButton::keyReleaseEvent(QKeyEvent* event)
{
    // An automatic repeat arrives as a release and a press; only the real release lifts the button.
    if (!event->isAutoRepeat() && IsClickKey(event) && style_ == TBtnUpDownStyle::bNormal)
        SetDown(false);
    emit OnKeyUp(this, event);
}

void TSkButton::focusInEvent(QFocusEvent* event)
{
    focused_ = true;
    update();
    QWidget::focusInEvent(event);
}

void TSkButton::focusOutEvent(QFocusEvent* event)
{
    focused_ = false;
    update();
    QWidget::focusOutEvent(event);
}

void TSkButton::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::EnabledChange:
        if (!isEnabled())
            focused_ = false;
        update();
        break;
    case QEvent::PaletteChange:
    case QEvent::ParentChange:
        if (parentColor_)
            FollowParentColor();
        break;
    default: break;
    }
    QWidget::changeEvent(event);
}

}  // namespace torv
