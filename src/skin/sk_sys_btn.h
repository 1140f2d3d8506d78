#pragma once
// TSkSysBtn: a caption button of a skinned form (close, maximize, minimize, help,
// restore) showing a stored image chosen by its scheme, its kind and its state.

#include <QImage>
#include <QWidget>

#include "skin/sk_sys_btn_images.h"
#include "skin/sk_types.h"

namespace torv {

class TSkSysBtn : public QWidget {
    Q_OBJECT

public:
    explicit TSkSysBtn(QWidget* parent = nullptr);

    TColorTexture TextureColor() const { return textureColor_; }
    bool SetTextureColor(TColorTexture texture) { return SetDesignationAndTexture(designation_, texture); }
    TDesignation Designation() const { return designation_; }
    bool SetDesignation(TDesignation designation) { return SetDesignationAndTexture(designation, textureColor_); }
    // Sets both and resizes the button to its image set's size (21, or 19 for ctNone).
    // Fails when the button cannot take that size.
    bool SetDesignationAndTexture(TDesignation designation, TColorTexture texture);

    // The button's own enabled flag: False shows the disabled image and ignores
    // clicks, while hot and pressed still follow the mouse. Separate from isEnabled().
    bool OwnEnabled() const { return ownEnabled_; }
    void SetOwnEnabled(bool enabled);

    bool Hot() const { return hot_; }
    bool Pressed() const { return pressed_; }
    TSysBtnState State() const;

    // A click as a left mouse click gives it, for assistive tools: OnClick, unless the
    // button or its own enabled flag is off.
    void Click();

    // The image painted now; null while nothing is drawn (dNone).
    QImage RenderImage() const;

signals:
    void OnClick(TSkSysBtn* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void SetHot(bool hot);
    void SetPressed(bool pressed);

    bool pressed_ = false;
    bool hot_ = false;
    bool ownEnabled_ = true;
    TDesignation designation_ = TDesignation::dNone;
    TColorTexture textureColor_ = TColorTexture::ctNone;
    bool paintingSuppressed_ = false;
};

}  // namespace torv
