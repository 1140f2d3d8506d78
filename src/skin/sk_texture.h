#pragma once
// Background textures of the skinned form: 32 x 32 tiles of per-pixel colour offsets
// that turn a plain colour into sand, canvas, abrasive paper, granite or leather.

#include <QImage>
#include <QRgb>

#include <array>
#include <cstddef>
#include <cstdint>

#include "skin/sk_types.h"

namespace torv {

constexpr int kTileSize = 32;

struct TTileOffset {
    std::int16_t red = 0;
    std::int16_t green = 0;
    std::int16_t blue = 0;
};

// The largest and the smallest (negative) offset of one channel in a tile.
struct TChannelBounds {
    int largest = 0;
    int smallest = 0;
};

struct TTextureTile {
    // Stored column after column: the offsets of pixel (x, y) are entry x * 32 + y.
    std::array<TTileOffset, kTileSize * kTileSize> entries{};
    TChannelBounds red;
    TChannelBounds green;
    TChannelBounds blue;

    const TTileOffset& OffsetAt(int x, int y) const { return entries[static_cast<std::size_t>(x * kTileSize + y)]; }
};

// The tile of a texture; nullptr for itNone.
const TTextureTile* TextureTile(TInvoiceTexture texture);

// Fills `image` (made 32 x 32) with `base` minus the tile's offsets. The base
// channels are first pulled in far enough that no offset leaves 0 ... 255.
// Fails only without an image.
bool MakeTextureTile(QImage* image, const TTextureTile& tile, QRgb base);
// The same for a texture by name; itNone has no tile and fails.
bool MakeTextureTile(QImage* image, TInvoiceTexture texture, QRgb base);

}  // namespace torv
