#include "ui/ui_style.h"

#include <QApplication>
#include <QFont>
#include <QStyle>
#include <QStyleFactory>

namespace torv {

void ApplyProgrammerStyle(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    application.setPalette(application.style()->standardPalette());
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    application.setFont(font);
}

}  // namespace torv
