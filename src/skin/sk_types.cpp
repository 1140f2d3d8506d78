#include "skin/sk_types.h"

#include <QGuiApplication>
#include <QPalette>
#include <QScreen>

#include <optional>

namespace torv {
namespace {

constexpr int kTrueColorDepth = 24;

std::optional<int>& StoredDepth()
{
    static std::optional<int> depth;
    return depth;
}

}  // namespace

int ScreenColorDepth()
{
    std::optional<int>& depth = StoredDepth();
    if (!depth) {
        const QScreen* screen =
            qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? QGuiApplication::primaryScreen() : nullptr;
        if (screen == nullptr)
            return kTrueColorDepth;  // not stored: the screen is read once it exists
        depth = screen->depth();
    }
    return *depth;
}

void SetScreenColorDepthForTesting(int bitsPerPixel)
{
    StoredDepth() = bitsPerPixel;
}

bool TexturedMode(int colorDepth)
{
    return colorDepth >= 16;
}

bool TexturedMode()
{
    return TexturedMode(ScreenColorDepth());
}

QRgb SystemColor(TSystemColor color)
{
    const QPalette palette = QGuiApplication::palette();
    QPalette::ColorRole role = QPalette::Button;
    switch (color) {
    case TSystemColor::scBtnFace: role = QPalette::Button; break;
    case TSystemColor::scBtnShadow: role = QPalette::Dark; break;
    case TSystemColor::sc3DLight: role = QPalette::Midlight; break;
    case TSystemColor::scHighlight: role = QPalette::Highlight; break;
    case TSystemColor::scBtnText: role = QPalette::ButtonText; break;
    case TSystemColor::scWindowText: role = QPalette::WindowText; break;
    }
    return palette.color(QPalette::Active, role).rgb();
}

}  // namespace torv
