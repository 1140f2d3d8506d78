#include "ui/controls/readout_panel.h"

#include <QAccessible>
#include <QPainter>

#include "skin/sk_types.h"
#include "ui/controls/accessible_controls.h"

namespace torv {

TReadoutPanel::TReadoutPanel(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption)
{
    InstallAccessibleControls();
}

void TReadoutPanel::SetCaption(const QString& caption)
{
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void TReadoutPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), QColor::fromRgb(SystemColor(TSystemColor::sc3DLight)));
    painter.setPen(QColor::fromRgb(SystemColor(TSystemColor::scBtnText)));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter, caption_);
}

}  // namespace torv
