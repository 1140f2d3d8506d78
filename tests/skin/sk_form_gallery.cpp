// Renders skinned forms into one PNG for looking at them closely: the main window's
// 400 x 210 kcSimple frame active and inactive, the same at 398 and 503 pixels wide,
// the emblem, points and lines captions, kcNone, and the glyphs of the window menu,
// with 4x enlargements of the caption's joins. Rendering honours the window shape, so
// the cut corners show the sheet colour.
// Usage: sk_form_gallery <output.png>
#include <QApplication>
#include <QPainter>

#include <cstdio>
#include <vector>

#include "event_loop.h"
#include "skin/sk_canvas.h"
#include "skin/sk_form.h"
#include "skin/sk_form_caption.h"
#include "skin/sk_sys_btn.h"
#include "torv_version.h"

namespace {

using namespace torv;

constexpr QRgb kSheetColor = 0xFF2E7D32;  // a green that no part of the skin uses
constexpr int kZoom = 4;
constexpr int kGap = 12;

struct FormSample {
    const char* label;
    int width;
    TKindCaption kind;
    bool active;
    bool maximizeButton;
};

constexpr FormSample kSamples[] = {
    {"kcSimple 400 active", 400, TKindCaption::kcSimple, true, false},
    {"kcSimple 400 inactive", 400, TKindCaption::kcSimple, false, false},
    {"kcSimple 398 active", 398, TKindCaption::kcSimple, true, false},
    {"kcSimple 503 active, three buttons", 503, TKindCaption::kcSimple, true, true},
    {"kcEmblem active", 400, TKindCaption::kcEmblem, true, false},
    {"kcPoints inactive", 400, TKindCaption::kcPoints, false, false},
    {"kcLines active", 400, TKindCaption::kcLines, true, false},
    {"kcNone active", 400, TKindCaption::kcNone, true, true},
    {"kcNone inactive", 400, TKindCaption::kcNone, false, true},
};

QImage Shoot(const FormSample& sample, QWidget& other)
{
    TSkForm form;
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    form.setFont(font);
    form.SetCaption(QStringLiteral("Программатор частоты передатчиков ТОРВ " TORV_VERSION));
    form.SetFixedWidth(sample.width);
    form.SetFixedHeight(210);
    form.SetKindCaption(sample.kind);
    auto* minimize = new TSkSysBtn(&form);
    auto* close = new TSkSysBtn(&form);
    form.SetBtnMin(minimize);
    form.SetBtnCls(close);
    if (sample.maximizeButton)
        form.SetBtnMax(new TSkSysBtn(&form));
    form.FinishLayout();
    form.show();
    QWidget* target = sample.active ? static_cast<QWidget*>(&form) : &other;
    target->activateWindow();
    // The window system delivers the activation change.
    testing::RunUntil([&] { return form.Active() == sample.active; }, 2000);
    if (form.Active() != sample.active)
        std::fprintf(stderr, "sk_form_gallery: %s: activation not delivered\n", sample.label);

    QImage shot(form.size(), QImage::Format_ARGB32);
    shot.fill(kSheetColor);
    form.render(&shot);
    return shot;
}

void Label(QPainter& painter, int x, int y, const QString& text)
{
    painter.setPen(Qt::white);
    painter.drawText(x, y + 12, text);
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: sk_form_gallery <output.png>\n");
        return 2;
    }
    QWidget other;  // takes the activation while an inactive form is shot
    other.setGeometry(0, 0, 50, 50);
    other.show();

    std::vector<QImage> shots;
    for (const FormSample& sample : kSamples)
        shots.push_back(Shoot(sample, other));

    // Enlarged: the left and right ends of the caption with their junctions, and the
    // transition piece, of the active and inactive main window.
    const QRect leftEnd(0, 0, 48, 44);
    const auto rightEnd = [](int width) { return QRect(width - 48, 0, 48, 44); };
    const QRect transition(400 - 87 - 4, 0, 53, 30);
    const int zoomHeight = 44 * kZoom;

    const int formsHeight = static_cast<int>(shots.size() + 1) / 2 * (210 + 20 + kGap);
    const int glyphTop = formsHeight;
    const int zoomTop = glyphTop + 16 * kZoom + 30;
    QImage sheet(2 * (503 + kGap) + kGap, zoomTop + 2 * (zoomHeight + 20 + kGap), QImage::Format_RGB32);
    sheet.fill(kSheetColor);
    QPainter painter(&sheet);
    for (size_t i = 0; i < shots.size(); ++i) {
        const int x = kGap + static_cast<int>(i % 2) * (503 + kGap);
        const int y = static_cast<int>(i / 2) * (210 + 20 + kGap);
        Label(painter, x, y, QString::fromUtf8(kSamples[i].label));
        painter.drawImage(x, y + 20, shots[i]);
    }

    int x = kGap;
    Label(painter, x, glyphTop, QStringLiteral("menu glyphs, enabled and disabled, on the menu grey"));
    for (int glyph = 0; glyph <= static_cast<int>(TMenuGlyph::mgRestore); ++glyph) {
        for (bool enabled : {true, false}) {
            const QImage image = MenuGlyph(static_cast<TMenuGlyph>(glyph), enabled, 0xFFEFEFEF);
            painter.drawImage(QRect(x, glyphTop + 20, 16 * kZoom, 16 * kZoom), image);
            x += 16 * kZoom + 6;
        }
        x += 10;
    }

    for (int index = 0; index < 2; ++index) {
        const QImage& shot = At(shots, index);
        const int y = zoomTop + index * (zoomHeight + 20 + kGap);
        const QString state = index == 0 ? QStringLiteral("active") : QStringLiteral("inactive");
        Label(painter, kGap, y, state + QStringLiteral(": left end, transition, right end (x4)"));
        int zx = kGap;
        for (const QRect& part : {leftEnd, transition, rightEnd(shot.width())}) {
            const QImage crop = shot.copy(part);
            painter.drawImage(QRect(zx, y + 20, crop.width() * kZoom, crop.height() * kZoom), crop);
            zx += crop.width() * kZoom + kGap;
        }
    }
    painter.end();
    if (!sheet.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "sk_form_gallery: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
