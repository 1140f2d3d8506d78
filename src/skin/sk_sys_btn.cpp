#include "skin/sk_sys_btn.h"

#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include "skin/sk_accessible.h"

namespace torv {

TSkSysBtn::TSkSysBtn(QWidget* parent) : QWidget(parent)
{
    InstallSkinAccessibility();
    setFocusPolicy(Qt::NoFocus);
    resize(21, 21);
}

bool TSkSysBtn::SetDesignationAndTexture(TDesignation designation, TColorTexture texture)
{
    if (designation == designation_ && texture == textureColor_)
        return true;
    designation_ = designation;
    textureColor_ = texture;
    // Nothing is painted for dNone, so whatever lies behind the button shows through.
    setAttribute(Qt::WA_OpaquePaintEvent, designation != TDesignation::dNone);
    if (designation == TDesignation::dNone)
        return true;

    const int side = SysBtnImageSide(texture);
    paintingSuppressed_ = true;
    resize(side, side);
    paintingSuppressed_ = false;
    if (size() != QSize(side, side))
        return false;
    if (isVisible())
        update();
    return true;
}

void TSkSysBtn::SetOwnEnabled(bool enabled)
{
    if (ownEnabled_ == enabled)
        return;
    ownEnabled_ = enabled;
    update();
}

TSysBtnState TSkSysBtn::State() const
{
    if (!ownEnabled_)
        return TSysBtnState::sbDisabled;
    if (pressed_)
        return TSysBtnState::sbPressed;
    return hot_ ? TSysBtnState::sbHot : TSysBtnState::sbNormal;
}

QImage TSkSysBtn::RenderImage() const
{
    return SysBtnImage(textureColor_, designation_, State());
}

void TSkSysBtn::paintEvent(QPaintEvent*)
{
    if (paintingSuppressed_ || designation_ == TDesignation::dNone)
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, RenderImage());
}

void TSkSysBtn::SetHot(bool hot)
{
    if (hot_ == hot)
        return;
    hot_ = hot;
    update();
}

void TSkSysBtn::SetPressed(bool pressed)
{
    pressed_ = pressed;
    update();
}

void TSkSysBtn::enterEvent(QEnterEvent* event)
{
    SetHot(true);
    QWidget::enterEvent(event);
}

void TSkSysBtn::leaveEvent(QEvent* event)
{
    SetHot(false);
    QWidget::leaveEvent(event);
}

void TSkSysBtn::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        SetPressed(true);
}

void TSkSysBtn::mouseDoubleClickEvent(QMouseEvent*)
{
    // The second press of a double click is not a click and does not press the button.
}

void TSkSysBtn::Click()
{
    if (ownEnabled_ && isEnabled())
        emit OnClick(this);
}

void TSkSysBtn::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const bool click = pressed_ && ownEnabled_ && rect().contains(event->position().toPoint());
    SetPressed(false);
    if (click)
        emit OnClick(this);
}

}  // namespace torv
