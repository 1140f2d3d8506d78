#include "skin/sk_gdi.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QImage>

#include <vector>

#include "skin/sk_canvas.h"
#include "skin/sk_types.h"

namespace torv {
namespace {

TEST(MulDiv, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(3, 255, 15), 51);
    EXPECT_EQ(MulDiv(1, 3, 2), 2);
    EXPECT_EQ(MulDiv(1, -3, 2), -2);
    EXPECT_EQ(MulDiv(-5, 3, 2), -8);
    EXPECT_EQ(MulDiv(7, 10, 15), 5);  // 4.67
    EXPECT_EQ(MulDiv(7, -10, 15), -5);
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(BlendColor, MovesKFifteenthsOfTheWay)
{
    EXPECT_EQ(BlendColor(Rgb(0x123456), Rgb(0xABCDEF), 16, 0), Rgb(0x123456));
    EXPECT_EQ(BlendColor(Rgb(0x000000), Rgb(0xFFFFFF), 16, 3), Rgb(0x333333));
    EXPECT_EQ(BlendColor(Rgb(0xFFFFFF), Rgb(0x000000), 16, 3), Rgb(0xCCCCCC));
    // Channels move independently and in both directions: 255 - 136, 128 - 68, 0 + 68.
    EXPECT_EQ(BlendColor(Rgb(0xFF8000), Rgb(0x000080), 16, 8), Rgb(0x773C44));
    EXPECT_EQ(BlendColor(Rgb(0x000000), Rgb(0xFFFFFF), 16, 15), Rgb(0xFFFFFF));
}

TEST(BlendColor, HalfStepsRoundAwayFromZeroBothWays)
{
    EXPECT_EQ(BlendColor(Rgb(0x000000), Rgb(0x030303), 3, 1), Rgb(0x020202));
    EXPECT_EQ(BlendColor(Rgb(0x030303), Rgb(0x000000), 3, 1), Rgb(0x010101));
}

TEST(BlendColor, DegenerateStepsAndOvershootStayValid)
{
    EXPECT_EQ(BlendColor(Rgb(0x102030), Rgb(0xFFFFFF), 1, 0), Rgb(0x102030));
    EXPECT_EQ(BlendColor(Rgb(0x000000), Rgb(0xFFFFFF), 16, 30), Rgb(0xFFFFFF));
}

// The painted pixels of a line on a fresh 12 x 12 white image, in scan order.
std::vector<QPoint> LinePixels(int x1, int y1, int x2, int y2)
{
    QImage image(12, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(image);
    DrawLine(canvas, x1, y1, x2, y2, Rgb(0xFF0000));
    std::vector<QPoint> painted;
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            if (canvas.Pixel(x, y) == Rgb(0xFF0000))
                painted.emplace_back(x, y);
    return painted;
}

TEST(DrawLine, LeavesOutTheEndPointInEveryDirection)
{
    using P = std::vector<QPoint>;
    EXPECT_EQ(LinePixels(2, 5, 6, 5), (P{{2, 5}, {3, 5}, {4, 5}, {5, 5}}));
    EXPECT_EQ(LinePixels(6, 5, 2, 5), (P{{3, 5}, {4, 5}, {5, 5}, {6, 5}}));
    EXPECT_EQ(LinePixels(4, 1, 4, 4), (P{{4, 1}, {4, 2}, {4, 3}}));
    EXPECT_EQ(LinePixels(4, 4, 4, 1), (P{{4, 2}, {4, 3}, {4, 4}}));
    EXPECT_EQ(LinePixels(0, 0, 3, 3), (P{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_EQ(LinePixels(3, 0, 0, 3), (P{{3, 0}, {2, 1}, {1, 2}}));
    EXPECT_TRUE(LinePixels(5, 5, 5, 5).empty());
}

TEST(DrawLine, SteepLineTakesOnePixelPerRow)
{
    const std::vector<QPoint> painted = LinePixels(1, 0, 3, 6);
    ASSERT_EQ(painted.size(), 6u);
    for (int row = 0; row < 6; ++row)
        EXPECT_EQ(painted[static_cast<std::size_t>(row)].y(), row);
    EXPECT_EQ(painted.front(), QPoint(1, 0));
}

TEST(DrawLine, IsCutAtTheImageEdge)
{
    EXPECT_EQ(LinePixels(-5, 2, 3, 2).size(), 3u);
    EXPECT_EQ(LinePixels(10, 3, 40, 3).size(), 2u);
}

TEST(Canvas, DrawImageLeavesOutTheTransparentColourAndClips)
{
    QImage source(3, 2, QImage::Format_RGB32);
    source.fill(qRgb(255, 0, 255));
    source.setPixel(1, 0, qRgb(1, 2, 3));
    source.setPixel(2, 1, qRgb(4, 5, 6));
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::white);
    TCanvas canvas(target);
    canvas.DrawImage(2, 2, source, source.rect(), qRgb(255, 0, 255));
    EXPECT_EQ(canvas.Pixel(3, 2), Rgb(0x010203));
    EXPECT_EQ(canvas.Pixel(2, 2), Rgb(0xFFFFFF));  // transparent
    EXPECT_EQ(canvas.Pixel(2, 3), Rgb(0xFFFFFF));
    canvas.DrawImage(0, 0, source, QRect(1, 0, 2, 2));  // opaque, right part only
    EXPECT_EQ(canvas.Pixel(0, 0), Rgb(0x010203));
    EXPECT_EQ(canvas.Pixel(1, 1), Rgb(0x040506));
    EXPECT_EQ(canvas.Pixel(1, 0), Rgb(0xFF00FF));
    EXPECT_EQ(canvas.Pixel(-1, 0), Rgb(0x000000));
}

TEST(Canvas, TextIsDrawnInOneColourOnly)
{
    QImage image(60, 20, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(image);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    canvas.DrawText(2, 2, QStringLiteral("Выход"), font, Rgb(0x800000));
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) {
            const QRgb pixel = canvas.Pixel(x, y);
            EXPECT_TRUE(pixel == Rgb(0xFFFFFF) || pixel == Rgb(0x800000)) << x << "," << y;
            inked += pixel == Rgb(0x800000) ? 1 : 0;
        }
    }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(canvas.Pixel(1, 1), Rgb(0xFFFFFF));
}

}  // namespace
}  // namespace torv
