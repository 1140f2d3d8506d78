// Renders every push-button scheme and state and every caption-button image into one
// PNG, with a zoomed copy of the caption buttons, for looking at them closely.
// Usage: skin_gallery <output.png>
#include <QApplication>
#include <QFocusEvent>
#include <QFont>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "skin/sk_button.h"
#include "skin/sk_sys_btn_images.h"
#include "skin/sk_types.h"

namespace {

using namespace torv;
using enum TBtnKindFont;
using enum TColorTexture;
using enum TDesignation;
using enum TKindSelect;
using enum TSysBtnState;

constexpr int kZoom = 3;
constexpr int kLabelWidth = 90;
constexpr QRgb kSheetColor = 0xFFD4D0C8;

const char* const kSchemeNames[] = {"ctNone", "ctDefault", "ctTeal",  "ctOlive", "ctBlue",
                                    "ctXP",   "ctSilver",  "ctGreen", "ctW2K"};

struct ButtonLook {
    const char* name;
    bool down;
    bool enabled;
    bool focused;
    TKindSelect select;
    TBtnKindFont kindFont;
};

constexpr ButtonLook kLooks[] = {
    {"up", false, true, false, ksDefault, bfNone},         {"down", true, true, false, ksDefault, bfNone},
    {"focus", false, true, true, ksDefault, bfNone},       {"focus down", true, true, true, ksDefault, bfNone},
    {"red focus", false, true, true, ksRed, bfNone},       {"disabled", false, false, false, ksDefault, bfAuto},
    {"dis. down", true, false, false, ksDefault, bfAuto},  {"raised", false, true, false, ksDefault, bfRaised},
    {"lowered", false, true, false, ksDefault, bfLowered}, {"shadow", false, true, false, ksDefault, bfShadow},
};

QImage ArrowGlyph()
{
    // Two 16 x 16 frames: enabled (green arrow) and disabled (grey arrow) on a magenta key.
    QImage glyph(32, 16, QImage::Format_RGB32);
    glyph.fill(qRgb(255, 0, 255));
    for (int frame = 0; frame < 2; ++frame)
        for (int y = 3; y < 13; ++y)
            for (int x = 3; x <= 3 + (y < 8 ? y - 3 : 12 - y) * 2; ++x)
                glyph.setPixel(frame * 16 + x, y, frame == 0 ? qRgb(0, 128, 0) : qRgb(128, 128, 128));
    return glyph;
}

QImage RenderButton(TColorTexture scheme, const ButtonLook& look, const QFont& font, bool glyph)
{
    QWidget parent;
    TSkButton button(&parent);
    button.resize(73, 23);
    button.setFont(font);
    button.SetColorParent(kSheetColor);
    button.SetCaption(glyph ? QStringLiteral("Запись") : QStringLiteral("Считать"));
    button.SetColorTexture(scheme);
    button.SetSelectKind(look.select);
    button.SetKindFont(look.kindFont);
    button.SetDown(look.down);
    button.setEnabled(look.enabled);
    if (glyph)
        button.SetGlyph(ArrowGlyph());
    if (look.focused) {
        // Render through a focus-in event so the button paints its ring.
        QFocusEvent focusIn(QEvent::FocusIn);
        QApplication::sendEvent(&button, &focusIn);
    }
    return button.RenderImage();
}

void DrawLabel(QPainter& painter, int x, int y, const QString& text)
{
    painter.setPen(Qt::black);
    painter.drawText(QRect(x, y, kLabelWidth, 23), Qt::AlignVCenter | Qt::AlignLeft, text);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: skin_gallery <output.png>\n");
        return 2;
    }
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);

    const int cell = 80;
    const int lookCount = static_cast<int>(std::size(kLooks));
    const int buttonRows = 9 + 1 + 2;  // schemes, a glyph row, two low-colour rows
    const int buttonsHeight = 20 + buttonRows * 28;
    const int setsTop = buttonsHeight + 10;
    const int setsHeight = 8 * 26 + 20;
    const int zoomTop = setsTop + setsHeight;
    const int zoomHeight = 8 * (21 * kZoom + 6) + 20;
    const int zoomWidth = 4 + 20 * (21 * kZoom + 2) + 5 * 8;
    QImage sheet(std::max(kLabelWidth + lookCount * cell + 10, zoomWidth), zoomTop + zoomHeight, QImage::Format_RGB32);
    sheet.fill(kSheetColor);
    QPainter painter(&sheet);
    painter.setFont(font);

    for (int i = 0; i < lookCount; ++i)
        DrawLabel(painter, kLabelWidth + i * cell, 0, QString::fromLatin1(kLooks[i].name));
    int y = 20;
    for (int scheme = 0; scheme <= static_cast<int>(ctW2K); ++scheme, y += 28) {
        DrawLabel(painter, 4, y, QString::fromLatin1(kSchemeNames[scheme]));
        for (int i = 0; i < lookCount; ++i)
            painter.drawImage(kLabelWidth + i * cell, y,
                              RenderButton(static_cast<TColorTexture>(scheme), kLooks[i], font, false));
    }
    DrawLabel(painter, 4, y, QStringLiteral("glyph"));
    for (int i = 0; i < lookCount; ++i)
        painter.drawImage(kLabelWidth + i * cell, y, RenderButton(ctDefault, kLooks[i], font, true));
    y += 28;
    SetScreenColorDepthForTesting(8);
    for (int glyph = 0; glyph < 2; ++glyph, y += 28) {
        DrawLabel(painter, 4, y, QStringLiteral("low colour"));
        for (int i = 0; i < lookCount; ++i)
            painter.drawImage(kLabelWidth + i * cell, y, RenderButton(ctDefault, kLooks[i], font, glyph == 1));
    }
    SetScreenColorDepthForTesting(24);

    // Caption-button images: one row per set, five kinds of four states each.
    const TColorTexture setSchemes[] = {ctNone, ctDefault, ctTeal, ctOlive, ctBlue, ctXP, ctSilver, ctGreen};
    for (int set = 0; set < 8; ++set) {
        const int rowY = setsTop + set * 26;
        const int zoomY = zoomTop + set * (21 * kZoom + 6);
        DrawLabel(painter, 4, rowY, QStringLiteral("set %1").arg(set));
        int x = kLabelWidth;
        int zoomX = 4;
        for (int kind = static_cast<int>(dClose); kind <= static_cast<int>(dRestore); ++kind) {
            for (int state = static_cast<int>(sbNormal); state <= static_cast<int>(sbDisabled); ++state) {
                const QImage& image =
                    SysBtnImage(setSchemes[set], static_cast<TDesignation>(kind), static_cast<TSysBtnState>(state));
                painter.drawImage(x, rowY, image);
                painter.drawImage(QRect(zoomX, zoomY, image.width() * kZoom, image.height() * kZoom), image);
                x += 24;
                zoomX += 21 * kZoom + 2;
            }
            x += 8;
            zoomX += 8;
        }
    }
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "skin_gallery: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
