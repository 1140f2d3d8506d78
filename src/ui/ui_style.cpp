#include "ui/ui_style.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

#include "ui/ui_texts.h"

namespace torv {
namespace {

// Between the face (#EFEFEF) and the white highlight edge, so that the read-outs stand
// out light from the face and the lines drawn on them keep their contrast.
constexpr QRgb kLight3D = 0xF8F8F8;

}  // namespace

void ApplyProgrammerStyle(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette palette = application.style()->standardPalette();
    palette.setColor(QPalette::Midlight, QColor::fromRgb(kLight3D));
    application.setPalette(palette);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setPixelSize(11);
    application.setFont(font);
}

void PrepareProgrammerApplication(QApplication& application)
{
    // Not the display name: Qt would append that to every window's caption.
    QApplication::setApplicationName(QString::fromUtf8(ui_texts::kApplicationTitle));
    ApplyProgrammerStyle(application);
    // Without the translation file the prompts still set their button texts themselves.
    InstallQtRussianTexts(application);
}

void InstallQtRussianTexts(QApplication& application)
{
    auto* translator = new QTranslator(&application);
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
    else
        delete translator;
}

}  // namespace torv
