#include "skin/sk_texture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace torv {
namespace {

using enum TInvoiceTexture;

struct Bounds {
    TInvoiceTexture texture;
    TChannelBounds red, green, blue;
};

const Bounds kBounds[] = {
    {itSand, {48, -30}, {45, -29}, {48, -30}},     {itCanvas, {76, -26}, {79, -25}, {76, -26}},
    {itAbrasive, {38, -32}, {29, -26}, {29, -21}}, {itGranite, {100, -48}, {100, -48}, {100, -48}},
    {itLeather, {81, -50}, {81, -50}, {81, -50}},
};

template <typename Member>
void ExpectChannelSpans(const TTextureTile& tile, Member member, TChannelBounds bounds, const char* channel)
{
    int largest = -1000;
    int smallest = 1000;
    for (const TTileOffset& entry : tile.entries) {
        largest = std::max<int>(largest, entry.*member);
        smallest = std::min<int>(smallest, entry.*member);
    }
    EXPECT_EQ(largest, bounds.largest) << channel;
    EXPECT_EQ(smallest, bounds.smallest) << channel;
}

TEST(TextureTile, OffsetsSpanExactlyTheStatedBounds)
{
    for (const Bounds& expected : kBounds) {
        SCOPED_TRACE(static_cast<int>(expected.texture));
        const TTextureTile* tile = TextureTile(expected.texture);
        ASSERT_NE(tile, nullptr);
        EXPECT_EQ(tile->red.largest, expected.red.largest);
        EXPECT_EQ(tile->blue.smallest, expected.blue.smallest);
        ExpectChannelSpans(*tile, &TTileOffset::red, expected.red, "red");
        ExpectChannelSpans(*tile, &TTileOffset::green, expected.green, "green");
        ExpectChannelSpans(*tile, &TTileOffset::blue, expected.blue, "blue");
    }
    EXPECT_EQ(TextureTile(itNone), nullptr);
}

TEST(TextureTile, IsAGrainNotAFlatColour)
{
    for (const Bounds& expected : kBounds) {
        const TTextureTile* tile = TextureTile(expected.texture);
        std::set<int> values;
        for (const TTileOffset& entry : tile->entries)
            values.insert(entry.red);
        EXPECT_GE(values.size(), 20u) << static_cast<int>(expected.texture);
    }
}

// Checks that every pixel equals `base` minus its offset.
void ExpectBaseBeforeOffsets(TInvoiceTexture texture, QRgb color, int red, int green, int blue)
{
    QImage image;
    ASSERT_TRUE(MakeTextureTile(&image, texture, color));
    ASSERT_EQ(image.size(), QSize(32, 32));
    const TTextureTile& tile = *TextureTile(texture);
    for (int x = 0; x < 32; ++x) {
        for (int y = 0; y < 32; ++y) {
            const QRgb pixel = image.pixel(x, y);
            const TTileOffset& offset = tile.OffsetAt(x, y);
            ASSERT_EQ(qRed(pixel) + offset.red, red) << x << "," << y;
            ASSERT_EQ(qGreen(pixel) + offset.green, green) << x << "," << y;
            ASSERT_EQ(qBlue(pixel) + offset.blue, blue) << x << "," << y;
        }
    }
}

TEST(MakeTextureTile, PullsExtremeBaseColoursInSoNothingClips)
{
    ExpectBaseBeforeOffsets(itSand, Rgb(0xFFFFFF), 225, 226, 225);
    ExpectBaseBeforeOffsets(itSand, Rgb(0x000000), 48, 45, 48);
    ExpectBaseBeforeOffsets(itGranite, Rgb(0xFFFFFF), 207, 207, 207);
    ExpectBaseBeforeOffsets(itAbrasive, Rgb(0x0000FF), 38, 29, 234);
}

TEST(MakeTextureTile, MiddleColoursAreKept)
{
    ExpectBaseBeforeOffsets(itLeather, Rgb(0x8090A0), 0x80, 0x90, 0xA0);
    ExpectBaseBeforeOffsets(itCanvas, Rgb(0xD4D0C8), 0xD4, 0xD0, 0xC8);
}

TEST(MakeTextureTile, FailsWithoutImageOrTile)
{
    EXPECT_FALSE(MakeTextureTile(nullptr, itSand, Rgb(0x808080)));
    QImage image;
    EXPECT_FALSE(MakeTextureTile(&image, itNone, Rgb(0x808080)));
}

}  // namespace
}  // namespace torv
