#pragma once
// TSkButton: a push button drawn entirely by the skin - a rounded body with a
// vertical gradient from a colour scheme, an optional glyph, a caption with an
// optional raised, lowered or shadowed effect, a toggle mode with simple grouping and
// a coloured ring that marks keyboard focus.

#include <QImage>
#include <QRgb>
#include <QString>
#include <QWidget>

#include <array>

#include "skin/sk_types.h"

class QKeyEvent;

namespace torv {

// The colours a scheme gives a button: light, mid and dark build the face palette,
// dark is also the shadow colour, and `selection` is the focus ring of ksDefault.
struct TButtonScheme {
    QRgb light;
    QRgb mid;
    QRgb dark;
    QRgb selection;
};

TButtonScheme ButtonScheme(TColorTexture texture);

// The scheme a button takes from its parent's colour (ParentColor True).
// `highlight` is the system highlight colour, which tells the olive desktop scheme
// from the blue one.
TColorTexture ColorTextureForParentColor(QRgb parentColor, QRgb highlight);

using TFacePalette = std::array<QRgb, 16>;

// 16 face colours from light through mid to dark.
TFacePalette MakeFacePalette(QRgb light, QRgb mid, QRgb dark);

class TSkButton : public QWidget {
    Q_OBJECT

public:
    explicit TSkButton(QWidget* parent = nullptr);

    bool Down() const { return down_; }
    void SetDown(bool down);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& caption);
    TColorTexture ColorTexture() const { return colorTexture_; }
    void SetColorTexture(TColorTexture texture);
    TBtnUpDownStyle Style() const { return style_; }
    void SetStyle(TBtnUpDownStyle style);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int groupIndex) { groupIndex_ = groupIndex; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment alignment);
    TKindSelect SelectKind() const { return selectKind_; }
    void SetSelectKind(TKindSelect kind);
    QRgb ColorParent() const { return colorParent_; }
    void SetColorParent(QRgb color);
    QImage Glyph() const { return glyph_; }
    void SetGlyph(const QImage& glyph);
    TBtnKindFont KindFont() const { return kindFont_; }
    void SetKindFont(TBtnKindFont kindFont);
    bool ParentColor() const { return parentColor_; }
    // True: ColorParent and ColorTexture follow the parent's background colour.
    void SetParentColor(bool follow);
    bool TabStop() const { return focusPolicy() != Qt::NoFocus; }
    // Only a tab stop is reached with the Tab key; a mouse press never takes the focus.
    void SetTabStop(bool tabStop);

    QRgb ShadowColor() const { return shadowColor_; }
    QRgb SelectionColor() const { return selectionColor_; }
    const TFacePalette& FacePalette() const { return facePalette_; }
    // Textured drawing (screen colour depth of 16 or more when the button was made).
    bool Textured() const { return TexturedMode(colorDepth_); }

    // A click as a left mouse click gives it, for assistive tools: the button goes down
    // and up again (a toggle button changes state) and OnClick is raised. Nothing
    // happens while the button is disabled.
    void Click();

    // The button as it would be painted now.
    QImage RenderImage() const;
    // The same into `image`, which is reused when it already has the button's size.
    void Render(QImage& image) const;

signals:
    // Left-button click, or Space / Enter (once per key repeat).
    void OnClick(TSkButton* sender);
    // The second press of a double click, which raises no OnClick of its own.
    void OnDblClick(TSkButton* sender);
    // Raised after the button's own key handling.
    void OnKeyDown(TSkButton* sender, QKeyEvent* event);
    void OnKeyUp(TSkButton* sender, QKeyEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void Press();
    void ReleaseOthersInGroup();
    void FollowParentColor();

    bool down_ = false;
    QImage glyph_;
    QString caption_;
    TColorTexture colorTexture_ = TColorTexture::ctDefault;
    TBtnUpDownStyle style_ = TBtnUpDownStyle::bNormal;
    int groupIndex_ = 0;
    TAlignment alignment_ = TAlignment::taCenter;
    TKindSelect selectKind_ = TKindSelect::ksDefault;
    bool parentColor_ = false;
    QRgb colorParent_;
    QRgb shadowColor_;
    QRgb selectionColor_;
    TFacePalette facePalette_{};
    bool focused_ = false;
    int colorDepth_;
    TBtnKindFont kindFont_ = TBtnKindFont::bfNone;

    bool leftPressed_ = false;  // a left press that may still end in a click
    QImage offscreen_;          // reused between paints
};

}  // namespace torv
