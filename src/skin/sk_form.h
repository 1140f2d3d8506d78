#pragma once
// TSkForm: the base of skinned top-level windows. The window system's frame and
// caption are taken away; the form draws its own: a fixed outer size, a 29-pixel
// caption strip with the caption text, a 5-pixel frame on the left, right and bottom,
// rounded top corners cut into the window's shape, an optional background texture,
// dragging by the caption, up to four linked caption buttons and a small window menu
// opened from the form's icon.
//
// A derived form creates its children at their positions relative to the inner area
// and calls FinishLayout() at the end of its constructor. It may override paintEvent()
// to draw on top, calling TSkForm::paintEvent() first.

#include <QCursor>
#include <QFlags>
#include <QIcon>
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QRgb>
#include <QWidget>

#include <array>
#include <optional>

#include "skin/sk_sys_btn.h"
#include "skin/sk_types.h"

namespace torv {

enum class TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
using TBorderIcons = QFlags<TBorderIcon>;
Q_DECLARE_OPERATORS_FOR_FLAGS(TBorderIcons)

// The inner area handed to the form's children lies this far inside the outer size.
constexpr QMargins kSkFormInnerMargins(5, 29, 5, 5);

// The colours of the three frame lines.
struct TFrameColors {
    QRgb dark;
    QRgb middle;
    QRgb light;
};

// Active and styled (textured mode with a caption kind other than kcNone) select
// the colour set of the frame lines.
TFrameColors FrameColors(bool active, bool styled);

class TSkForm : public QWidget {
    Q_OBJECT

public:
    explicit TSkForm(QWidget* parent = nullptr);

    // The outer size; setting either applies it to the window at once.
    int FixedWidth() const { return fixedSize_.width(); }
    void SetFixedWidth(int width);
    int FixedHeight() const { return fixedSize_.height(); }
    void SetFixedHeight(int height);

    // In low-colour mode the caption kind is always kcNone and the texture itNone.
    TKindCaption KindCaption() const { return kindCaption_; }
    void SetKindCaption(TKindCaption kind);
    TInvoiceTexture Texture() const { return texture_; }
    void SetTexture(TInvoiceTexture texture);
    bool Moveable() const { return moveable_; }
    void SetMoveable(bool moveable) { moveable_ = moveable; }

    // Linking a caption button gives it its designation and scheme, binds its click
    // to the matching window command and adds the matching border icon; a button
    // that cannot take its scheme's size is not linked. nullptr unlinks.
    TSkSysBtn* BtnCls() const { return buttons_[kClose]; }
    void SetBtnCls(TSkSysBtn* button) { LinkButton(kClose, button); }
    TSkSysBtn* BtnMax() const { return buttons_[kMaximize]; }
    void SetBtnMax(TSkSysBtn* button) { LinkButton(kMaximize, button); }
    TSkSysBtn* BtnMin() const { return buttons_[kMinimize]; }
    void SetBtnMin(TSkSysBtn* button) { LinkButton(kMinimize, button); }
    TSkSysBtn* BtnHlp() const { return buttons_[kHelp]; }
    void SetBtnHlp(TSkSysBtn* button) { LinkButton(kHelp, button); }

    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons icons);

    // The caption text, which is also the window title.
    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    // The icon shown at the left of the caption, which opens the window menu. None by default.
    QIcon Icon() const { return icon_; }
    void SetIcon(const QIcon& icon);
    // The background colour (the palette's window colour).
    QRgb Color() const;
    void SetColor(QRgb color);

    // Applies the outer size, moves the children (but the caption buttons) from
    // inner-area to window coordinates once, and lays out the caption buttons.
    void FinishLayout();

    // Window commands: each closes the window menu, fires its event, then acts.
    void Minimize();      // minimizes, or restores a minimized window
    void Maximize();      // maximizes, or restores a maximized window
    void Help();          // enters context-help mode
    void CloseCommand();  // asks the window to close

    // The activation as last reported; chooses the active or inactive drawing.
    bool Active() const { return active_; }
    // True while the window has the rounded outline (see mask()).
    bool Shaped() const { return shaped_; }
    QRect CaptionArea() const { return QRect(0, 0, width(), kSkFormInnerMargins.top()); }
    // (6, 7) to (22, 23), or empty without an icon.
    QRect IconArea() const;
    // Where the caption text's shadow is drawn; the text itself lies one pixel up and left.
    QRect CaptionTextBox() const;
    // The press position of a drag in progress, or (-1, -1).
    QPoint DragOrigin() const { return dragOrigin_; }
    // The window menu while it exists.
    QMenu* WindowMenu() const { return windowMenu_; }
    // Items of the derived form, shown in the window menu between the window commands
    // and "Закрыть"; the form keeps them.
    void SetWindowMenuItems(const QList<QAction*>& items) { menuItems_ = items; }
    // Opens the window menu with its top-left corner at the global position (by default
    // where the icon opens it). Besides the icon, a right-click on the caption opens it
    // at the pointer, and Alt+Space at its usual place.
    void OpenWindowMenu(std::optional<QPoint> at = std::nullopt);
    int VisibleButtonCount() const;

    // The form's own picture (background, frame, caption strip, icon and caption
    // text) as paintEvent() draws it; the children paint themselves on top.
    QImage RenderFrame() const;

signals:
    // Raised by the window commands above before they act.
    void OnMinClick(TSkForm* sender);
    void OnMaxClick(TSkForm* sender);
    void OnClsClick(TSkForm* sender);
    void OnHlpClick(TSkForm* sender);

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The caption buttons in layout order, from the right end of the caption. Left
    // unscoped on purpose: a role is the index into buttons_ and the table of roles.
    enum TButtonRole { kClose, kMaximize, kMinimize, kHelp, kRoleCount };

    bool Styled() const;
    void LinkButton(TButtonRole role, TSkSysBtn* button);
    void RunCommand(TButtonRole role);
    void ApplyFixedSize();
    void SizeChanged();
    void LayoutCaptionButtons();
    void ApplyActiveLookToButtons();
    void MakeShape();
    void ShiftChildrenIntoInnerArea();
    void DestroyWindowMenu();
    void StartDrag(QPoint origin);
    void EndDrag();

    void PaintBackground(QImage& image) const;
    void PaintIcon(QImage& image) const;
    void PaintCaptionText(QImage& image) const;

    bool shaped_ = false;
    bool active_ = false;
    bool moveable_ = true;
    QPoint dragOrigin_;
    TKindCaption kindCaption_ = TKindCaption::kcNone;
    TInvoiceTexture texture_ = TInvoiceTexture::itNone;
    TBorderIcons borderIcons_;
    // The border icons and width of the last caption-button layout; none forces the next.
    std::optional<TBorderIcons> laidOutIcons_;
    int laidOutWidth_ = -1;
    // The size of the last window shape made (its kind is shaped_); invalid when none.
    QSize shapeSize_;
    QSize fixedSize_;
    bool childShiftPending_ = true;
    QCursor savedCursor_;
    bool hadOwnCursor_ = false;
    QIcon icon_;
    std::array<QPointer<TSkSysBtn>, kRoleCount> buttons_;
    QPointer<QMenu> windowMenu_;
    QList<QAction*> menuItems_;
};

}  // namespace torv
