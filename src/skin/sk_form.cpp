#include "skin/sk_form.h"

#include <QLayout>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QShortcut>
#include <QWhatsThis>

#include <algorithm>

#include "skin/sk_accessible.h"
#include "skin/sk_canvas.h"
#include "skin/sk_form_caption.h"
#include "skin/sk_gdi.h"
#include "skin/sk_sys_btn_images.h"
#include "skin/sk_texture.h"

namespace torv {
namespace {

constexpr QPoint kNoDrag(-1, -1);
constexpr QSize kDefaultSize(300, 200);
constexpr QRect kIconArea(6, 7, 16, 16);
constexpr QPoint kWindowMenuOffset(5, 30);
constexpr int kButtonTop = 5;
constexpr int kCaptionTextIndent = 8;
constexpr QRgb kTransparent = 0;

struct TButtonRoleInfo {
    TBorderIcon icon;
    TDesignation designation;
};

// Indexed by the form's button roles: close, maximize, minimize, help.
constexpr TButtonRoleInfo kButtonRoles[] = {{TBorderIcon::biSystemMenu, TDesignation::dClose},
                                            {TBorderIcon::biMaximize, TDesignation::dMaximize},
                                            {TBorderIcon::biMinimize, TDesignation::dMinimize},
                                            {TBorderIcon::biHelp, TDesignation::dHelp}};

struct TFrameLine {
    int x1;
    int y1;
    int x2;
    int y2;
};

// The 5-pixel frame on the left, right and bottom: an outer and an inner dark
// outline with light and middle lines between them.
void DrawFrameLines(TCanvas& canvas, int width, int height, const TFrameColors& colors)
{
    const int L = 0;
    const int T = kCaptionHeight;
    const int R = width - 1;
    const int B = height - 1;
    const TFrameLine dark[] = {{L, T, L, B},
                               {L, B, R, B},
                               {R, B, R, T - 1},
                               {L + 4, T, R - 3, T},
                               {L + 4, T, L + 4, B - 4},
                               {L + 4, B - 4, R - 4, B - 4},
                               {R - 4, B - 4, R - 4, T}};
    const TFrameLine light[] = {{L + 1, T, L + 1, B}, {L + 1, B - 3, R - 1, B - 3}, {R - 3, B - 4, R - 3, T - 1}};
    const TFrameLine middle[] = {{L + 3, T, L + 3, B - 2},     {L + 2, T, L + 2, B - 1},
                                 {L + 1, B - 1, R - 1, B - 1}, {L + 2, B - 2, R - 1, B - 2},
                                 {R - 1, B - 1, R - 1, T - 1}, {R - 2, B - 3, R - 2, T - 1}};
    const auto draw = [&](const auto& lines, QRgb color) {
        for (const TFrameLine& line : lines)
            DrawLine(canvas, line.x1, line.y1, line.x2, line.y2, color);
    };
    draw(dark, colors.dark);
    draw(light, colors.light);
    draw(middle, colors.middle);
}

// The caption text and the shadow drawn one pixel below and right of it.
struct TCaptionTextColors {
    QRgb text;
    QRgb shadow;
};

TCaptionTextColors CaptionTextColors(bool active, bool styled)
{
    if (active)
        return {styled ? Rgb(0xE8E8F2) : Rgb(0xFFFFFF), Rgb(0x000000)};
    return {styled ? Rgb(0xD9E0E6) : Rgb(0xC0C0C0), Rgb(0x808080)};
}

QFont CaptionFont(const QFont& formFont)
{
    QFont font = formFont;
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

}  // namespace

TFrameColors FrameColors(bool active, bool styled)
{
    if (!active)
        return {Rgb(0x808080), Rgb(0xC0C0C0), Rgb(0xFFFFFF)};
    if (styled)
        return {Rgb(0x63657B), Rgb(0xADA6BD), Rgb(0xFEFEFE)};
    return {Rgb(0x000000), Rgb(0xC0C0C0), Rgb(0xFFFFFF)};
}

TSkForm::TSkForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), dragOrigin_(kNoDrag), fixedSize_(kDefaultSize)
{
    InstallSkinAccessibility();
    setAttribute(Qt::WA_OpaquePaintEvent);
    setContentsMargins(kSkFormInnerMargins);
    ApplyFixedSize();
    // The window system's own key for the window menu, which a frameless window lacks.
    connect(new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this), &QShortcut::activated, this,
            [this] { OpenWindowMenu(); });
}

void TSkForm::SetFixedWidth(int width)
{
    fixedSize_.setWidth(std::clamp(width, 0, QWIDGETSIZE_MAX));
    ApplyFixedSize();
}

void TSkForm::SetFixedHeight(int height)
{
    fixedSize_.setHeight(std::clamp(height, 0, QWIDGETSIZE_MAX));
    ApplyFixedSize();
}

void TSkForm::SetKindCaption(TKindCaption kind)
{
    if (!TexturedMode())
        kind = TKindCaption::kcNone;
    if (kind == kindCaption_)
        return;
    kindCaption_ = kind;
    laidOutIcons_.reset();  // the buttons' step, margin and scheme depend on the kind
    LayoutCaptionButtons();
    MakeShape();
    update();
}

void TSkForm::SetTexture(TInvoiceTexture texture)
{
    if (!TexturedMode())
        texture = TInvoiceTexture::itNone;
    if (texture == texture_)
        return;
    texture_ = texture;
    update();
}

void TSkForm::SetBorderIcons(TBorderIcons icons)
{
    borderIcons_ = icons;
    LayoutCaptionButtons();
    update();
}

void TSkForm::SetIcon(const QIcon& icon)
{
    icon_ = icon;
    setWindowIcon(icon);
    update();
}

QRgb TSkForm::Color() const
{
    return palette().color(QPalette::Window).rgb();
}

void TSkForm::SetColor(QRgb color)
{
    QPalette colors = palette();
    colors.setColor(QPalette::Window, QColor::fromRgb(color));
    setPalette(colors);
}

void TSkForm::FinishLayout()
{
    ApplyFixedSize();
    if (childShiftPending_) {
        ShiftChildrenIntoInnerArea();
        childShiftPending_ = false;
    }
    laidOutIcons_.reset();
    LayoutCaptionButtons();
}

void TSkForm::Minimize()
{
    DestroyWindowMenu();
    emit OnMinClick(this);
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    else
        showMinimized();
}

void TSkForm::Maximize()
{
    DestroyWindowMenu();
    emit OnMaxClick(this);
    const bool restore = isMaximized();
    if (restore)
        setWindowState(windowState() & ~Qt::WindowMaximized);
    else
        showMaximized();
    if (borderIcons_.testFlag(TBorderIcon::biMaximize) && BtnMax())
        BtnMax()->SetDesignation(restore ? TDesignation::dMaximize : TDesignation::dRestore);
}

void TSkForm::Help()
{
    DestroyWindowMenu();
    emit OnHlpClick(this);
    QWhatsThis::enterWhatsThisMode();
}

void TSkForm::CloseCommand()
{
    DestroyWindowMenu();
    emit OnClsClick(this);
    close();
}

QRect TSkForm::IconArea() const
{
    return icon_.isNull() ? QRect() : kIconArea;
}

QRect TSkForm::CaptionTextBox() const
{
    const int textHeight = QFontMetrics(CaptionFont(font())).height();
    const int left = kCaptionTextIndent + (IconArea().isEmpty() ? 0 : kIconArea.width()) + 1;
    const int right = width() + 1;
    const int top = (kCaptionHeight - textHeight) / 2 + 1;
    return QRect(left, top, right - left, textHeight);
}

int TSkForm::VisibleButtonCount() const
{
    return static_cast<int>(std::count_if(buttons_.begin(), buttons_.end(), [this](const QPointer<TSkSysBtn>& button) {
        return button && button->isVisibleTo(this);
    }));
}

QImage TSkForm::RenderFrame() const
{
    QImage image(size(), QImage::Format_RGB32);
    if (image.isNull())
        return image;
    PaintBackground(image);
    TCanvas canvas(image);
    DrawFrameLines(canvas, width(), height(), FrameColors(active_, Styled()));
    DrawCaptionStrip(canvas, width(), kindCaption_, active_, VisibleButtonCount());
    PaintIcon(image);
    PaintCaptionText(image);
    return image;
}

void TSkForm::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ActivationChange:
        active_ = isActiveWindow();
        if (!active_)
            DestroyWindowMenu();
        ApplyActiveLookToButtons();
        update();
        break;
    case QEvent::WindowTitleChange: update(); break;
    default: break;
    }
    QWidget::changeEvent(event);
}

void TSkForm::resizeEvent(QResizeEvent* event)
{
    SizeChanged();
    QWidget::resizeEvent(event);
}

void TSkForm::paintEvent(QPaintEvent*)
{
    // Every paint brings the visible caption buttons in line with the form's activation.
    for (TSkSysBtn* button : buttons_)
        if (button && button->isVisibleTo(this))
            button->SetOwnEnabled(active_);
    QPainter painter(this);
    painter.drawImage(0, 0, RenderFrame());
}

void TSkForm::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && moveable_ && CaptionArea().contains(at))
        StartDrag(at);
    else
        EndDrag();
    QWidget::mousePressEvent(event);
}

void TSkForm::mouseMoveEvent(QMouseEvent* event)
{
    const bool dragging = dragOrigin_ != kNoDrag && moveable_ && event->buttons().testFlag(Qt::LeftButton) &&
                          CaptionArea().contains(event->position().toPoint());
    // The window is placed from the pointer's screen position, so that the press
    // position stays under the pointer however late the window system reports moves.
    if (dragging)
        move(event->globalPosition().toPoint() - dragOrigin_);
    else
        EndDrag();
    QWidget::mouseMoveEvent(event);
}

void TSkForm::mouseReleaseEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (IconArea().contains(at))
        OpenWindowMenu();
    else if (event->button() == Qt::RightButton && CaptionArea().contains(at))
        OpenWindowMenu(event->globalPosition().toPoint());
    else
        DestroyWindowMenu();
    EndDrag();
    QWidget::mouseReleaseEvent(event);
}

bool TSkForm::Styled() const
{
    return TexturedMode() && kindCaption_ != TKindCaption::kcNone;
}

void TSkForm::LinkButton(TButtonRole role, TSkSysBtn* button)
{
    if (buttons_[role] == button)
        return;
    if (buttons_[role])
        disconnect(buttons_[role], &TSkSysBtn::OnClick, this, nullptr);
    buttons_[role] = nullptr;
    // A button that keeps a size other than the scheme's is refused, also when it
    // already had the designation and scheme (the setter then changes nothing).
    const TColorTexture scheme = TColorTexture::ctSilver;
    const int side = SysBtnImageSide(scheme);
    const bool linked = button && button->SetDesignationAndTexture(kButtonRoles[role].designation, scheme) &&
                        button->size() == QSize(side, side);
    if (linked) {
        buttons_[role] = button;
        button->hide();
        button->SetOwnEnabled(false);
        disconnect(button, &TSkSysBtn::OnClick, this, nullptr);  // a button runs one command
        connect(button, &TSkSysBtn::OnClick, this, [this, role] { RunCommand(role); });
    }
    borderIcons_.setFlag(kButtonRoles[role].icon, linked);
    laidOutIcons_.reset();
    LayoutCaptionButtons();
    update();
}

void TSkForm::RunCommand(TButtonRole role)
{
    switch (role) {
    case kClose: CloseCommand(); break;
    case kMaximize: Maximize(); break;
    case kMinimize: Minimize(); break;
    case kHelp: Help(); break;
    case kRoleCount: break;
    }
}

void TSkForm::ApplyFixedSize()
{
    setFixedSize(fixedSize_);
    // A hidden window gets its resize event only when shown; the frame follows now.
    SizeChanged();
}

void TSkForm::SizeChanged()
{
    LayoutCaptionButtons();
    MakeShape();
    update();
}

void TSkForm::LayoutCaptionButtons()
{
    if (laidOutIcons_ == borderIcons_ && laidOutWidth_ == width())
        return;
    const bool styled = Styled();
    const int step = styled ? 23 : 20;
    const int margin = styled ? 6 : 4;
    const TColorTexture scheme = styled ? TColorTexture::ctSilver : TColorTexture::ctNone;
    int x = width() - margin;
    for (std::size_t role = 0; role < buttons_.size(); ++role) {
        TSkSysBtn* button = buttons_[role];
        if (!button)
            continue;
        const bool takesPart = borderIcons_.testFlag(kButtonRoles[role].icon);
        if (takesPart) {
            x -= step;
            button->move(x, kButtonTop);
        }
        button->setVisible(takesPart);
        if (button->TextureColor() != scheme)
            button->SetDesignationAndTexture(kButtonRoles[role].designation, scheme);
    }
    ApplyActiveLookToButtons();
    laidOutIcons_ = borderIcons_;
    laidOutWidth_ = width();
}

void TSkForm::ApplyActiveLookToButtons()
{
    // An inactive window's caption buttons show their disabled look and ignore clicks.
    for (TSkSysBtn* button : buttons_)
        if (button)
            button->SetOwnEnabled(active_ && button->isVisibleTo(this));
}

void TSkForm::MakeShape()
{
    const bool rounded = kindCaption_ != TKindCaption::kcNone;
    if (shapeSize_ == size() && shaped_ == rounded)
        return;
    if (rounded)
        setMask(QRegion(FormShapePolygon(width(), height()), Qt::WindingFill));
    else
        clearMask();
    shaped_ = rounded;
    shapeSize_ = size();
}

void TSkForm::ShiftChildrenIntoInnerArea()
{
    const QPoint shift(kSkFormInnerMargins.left(), kSkFormInnerMargins.top());
    for (QObject* object : children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child == nullptr || child->isWindow() || qobject_cast<TSkSysBtn*>(child) != nullptr)
            continue;
        if (layout() != nullptr && layout()->indexOf(child) >= 0)
            continue;  // a layout already places it in the inner area
        child->move(child->pos() + shift);
    }
}

void TSkForm::OpenWindowMenu(std::optional<QPoint> at)
{
    if (!windowMenu_)
        windowMenu_ = new QMenu(this);
    windowMenu_->clear();
    const auto addItem = [this](const QString& text, bool enabled, TMenuGlyph glyph, void (TSkForm::*command)()) {
        QIcon icon;
        icon.addPixmap(QPixmap::fromImage(MenuGlyph(glyph, true, kTransparent)), QIcon::Normal);
        icon.addPixmap(QPixmap::fromImage(MenuGlyph(glyph, false, kTransparent)), QIcon::Disabled);
        QAction* action = windowMenu_->addAction(icon, text);
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, command);
    };
    const bool minimized = isMinimized();
    const bool maximized = isMaximized();
    if (borderIcons_ & (TBorderIcon::biMinimize | TBorderIcon::biMaximize))
        addItem(QStringLiteral("&Восстановить"), minimized || maximized, TMenuGlyph::mgRestore,
                maximized ? &TSkForm::Maximize : &TSkForm::Minimize);
    if (borderIcons_.testFlag(TBorderIcon::biHelp))
        addItem(QStringLiteral("&Подсказка"), true, TMenuGlyph::mgHelp, &TSkForm::Help);
    if (borderIcons_.testFlag(TBorderIcon::biMaximize))
        addItem(QStringLiteral("&Развернуть"), !maximized, TMenuGlyph::mgMaximize, &TSkForm::Maximize);
    if (borderIcons_.testFlag(TBorderIcon::biMinimize))
        addItem(QStringLiteral("&Свернуть"), !minimized, TMenuGlyph::mgMinimize, &TSkForm::Minimize);
    if (!windowMenu_->actions().isEmpty())
        windowMenu_->addSeparator();
    if (!menuItems_.isEmpty()) {
        windowMenu_->addActions(menuItems_);
        windowMenu_->addSeparator();
    }
    addItem(QStringLiteral("&Закрыть   ALt + F4"), true, TMenuGlyph::mgClose, &TSkForm::CloseCommand);
    windowMenu_->popup(at.value_or(mapToGlobal(kWindowMenuOffset)));
}

void TSkForm::DestroyWindowMenu()
{
    if (!windowMenu_)
        return;
    // Later, since a command may be running from one of the menu's own items.
    windowMenu_->hide();
    windowMenu_->deleteLater();
    windowMenu_ = nullptr;
}

void TSkForm::StartDrag(QPoint origin)
{
    if (dragOrigin_ == kNoDrag) {
        hadOwnCursor_ = testAttribute(Qt::WA_SetCursor);
        savedCursor_ = cursor();
        setCursor(Qt::PointingHandCursor);
    }
    dragOrigin_ = origin;
}

void TSkForm::EndDrag()
{
    if (dragOrigin_ == kNoDrag)
        return;
    if (hadOwnCursor_)
        setCursor(savedCursor_);
    else
        unsetCursor();
    dragOrigin_ = kNoDrag;
}

void TSkForm::PaintBackground(QImage& image) const
{
    QImage tile;
    if (TexturedMode() && texture_ != TInvoiceTexture::itNone && MakeTextureTile(&tile, texture_, Color())) {
        QPainter painter(&image);
        painter.fillRect(image.rect(), QBrush(tile));
    } else {
        image.fill(Color());
    }
}

void TSkForm::PaintIcon(QImage& image) const
{
    const QRect area = IconArea();
    if (area.isEmpty())
        return;
    QPainter painter(&image);
    painter.drawPixmap(area.topLeft(), icon_.pixmap(area.size()));
}

void TSkForm::PaintCaptionText(QImage& image) const
{
    const auto [textColor, shadowColor] = CaptionTextColors(active_, Styled());
    const QRect box = CaptionTextBox();
    const QString text = QStringLiteral("  ") + Caption();
    constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextExpandTabs;
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setLayoutDirection(layoutDirection());
    painter.setFont(CaptionFont(font()));
    painter.setPen(QColor::fromRgb(shadowColor));
    painter.drawText(box, kFlags, text);
    painter.setPen(QColor::fromRgb(textColor));
    painter.drawText(box.translated(-1, -1), kFlags, text);
}

}  // namespace torv
