#include "skin/sk_texture.h"

#include "skin/sk_canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace torv {
namespace {

// A noise value per tile pixel, roughly within -1 ... 1, indexed like the tile.
using Field = std::array<double, kTileSize * kTileSize>;

int Wrap(int v)
{
    return ((v % kTileSize) + kTileSize) % kTileSize;
}

double& WrappedAt(Field& field, int x, int y)
{
    return At(field, Wrap(x) * kTileSize + Wrap(y));
}

double WrappedAt(const Field& field, int x, int y)
{
    return At(field, Wrap(x) * kTileSize + Wrap(y));
}

// Deterministic per-pixel randomness in 0 ... 1 (a 64-bit mixing hash).
double Hash(int x, int y, std::uint64_t seed)
{
    std::uint64_t h = seed * 0x9E3779B97F4A7C15ul + static_cast<std::uint64_t>(Wrap(x)) * 0xBF58476D1CE4E5B9ul +
                      static_cast<std::uint64_t>(Wrap(y)) * 0x94D049BB133111EBul;
    h ^= h >> 30;
    h *= 0xBF58476D1CE4E5B9ul;
    h ^= h >> 27;
    h *= 0x94D049BB133111EBul;
    h ^= h >> 31;
    return static_cast<double>(h >> 11) / static_cast<double>(1ul << 53);
}

Field Generate(const std::function<double(int, int)>& value)
{
    Field field{};
    for (int x = 0; x < kTileSize; ++x)
        for (int y = 0; y < kTileSize; ++y)
            WrappedAt(field, x, y) = value(x, y);
    return field;
}

Field WhiteNoise(std::uint64_t seed)
{
    return Generate([seed](int x, int y) { return Hash(x, y, seed) * 2.0 - 1.0; });
}

// A 3 x 3 blur with the centre weighted `centre` times a neighbour; wraps at the edges.
Field Blur(const Field& field, double centre)
{
    return Generate([&](int x, int y) {
        double sum = 0.0;
        for (int dx = -1; dx <= 1; ++dx)
            for (int dy = -1; dy <= 1; ++dy)
                sum += WrappedAt(field, x + dx, y + dy) * (dx == 0 && dy == 0 ? centre : 1.0);
        return sum / (8.0 + centre);
    });
}

// Smooth noise with one random value every `cell` pixels, interpolated with a cosine
// ease; `cell` divides the tile size so the tile repeats seamlessly.
Field ValueNoise(int cell, std::uint64_t seed)
{
    return Generate([cell, seed](int x, int y) {
        const auto ease = [](double t) { return (1.0 - std::cos(t * std::numbers::pi)) / 2.0; };
        const int cx = x / cell;
        const int cy = y / cell;
        const double tx = ease(static_cast<double>(x % cell) / cell);
        const double ty = ease(static_cast<double>(y % cell) / cell);
        const auto corner = [&](int i, int j) { return Hash((cx + i) * cell, (cy + j) * cell, seed) * 2.0 - 1.0; };
        const double top = corner(0, 0) + (corner(1, 0) - corner(0, 0)) * tx;
        const double bottom = corner(0, 1) + (corner(1, 1) - corner(0, 1)) * tx;
        return top + (bottom - top) * ty;
    });
}

Field Sand()
{
    const Field fine = Blur(WhiteNoise(11), 4.0);
    return Generate([&](int x, int y) {
        const double grain = Hash(x, y, 12);
        const double speck = grain > 0.94 ? 1.6 : (grain < 0.05 ? -1.2 : 0.0);
        return WrappedAt(fine, x, y) * 2.0 + speck;
    });
}

// Plain weave: 4-pixel threads, warp and weft alternately on top.
Field Canvas()
{
    static constexpr double kProfile[4] = {-0.9, 0.35, 1.0, 0.45};
    const Field noise = WhiteNoise(21);
    return Generate([&](int x, int y) {
        const bool warpOnTop = ((x / 4) + (y / 4)) % 2 == 0;
        const double thread = warpOnTop ? kProfile[x % 4] : kProfile[y % 4];
        return thread + 0.25 * WrappedAt(noise, x, y);
    });
}

// Sharp grit; each channel mixes a shared grain with its own, so the grit is faintly coloured.
Field Abrasive(std::uint64_t channelSeed)
{
    const Field shared = WhiteNoise(31);
    const Field own = WhiteNoise(channelSeed);
    return Generate([&](int x, int y) {
        const double v = 0.8 * WrappedAt(shared, x, y) + 0.2 * WrappedAt(own, x, y);
        return v * std::abs(v);
    });
}

// Mottled blotches with scattered light and dark crystals.
Field Granite()
{
    const Field blotches = ValueNoise(8, 41);
    const Field fine = ValueNoise(4, 42);
    return Generate([&](int x, int y) {
        const double crystal = Hash(x, y, 43);
        const double speck = crystal > 0.95 ? 1.4 : (crystal < 0.06 ? -1.0 : 0.0);
        return 0.5 * WrappedAt(blotches, x, y) + 0.3 * WrappedAt(fine, x, y) + speck;
    });
}

// Raised cells separated by dark creases: distances to scattered points, wrapped.
Field Leather()
{
    constexpr int kCells = 14;
    double px[kCells];
    double py[kCells];
    for (int i = 0; i < kCells; ++i) {
        px[i] = Hash(i, 0, 51) * kTileSize;
        py[i] = Hash(i, 1, 51) * kTileSize;
    }
    const Field noise = WhiteNoise(52);
    return Generate([&](int x, int y) {
        double nearest = 1e9;
        double second = 1e9;
        for (int i = 0; i < kCells; ++i) {
            const double dx = std::min(std::abs(x - px[i]), kTileSize - std::abs(x - px[i]));
            const double dy = std::min(std::abs(y - py[i]), kTileSize - std::abs(y - py[i]));
            const double d = std::hypot(dx, dy);
            if (d < nearest) {
                second = nearest;
                nearest = d;
            } else if (d < second) {
                second = d;
            }
        }
        const double crease = std::min(second - nearest, 3.0) / 3.0;  // 0 on a crease
        return crease - 0.1 * nearest / 8.0 + 0.15 * WrappedAt(noise, x, y);
    });
}

// Scales a field so that its largest value becomes `bounds.largest` and its smallest
// `bounds.smallest`, keeping zero at zero.
template <typename Member>
void StoreChannel(TTextureTile& tile, Member member, const Field& field, TChannelBounds bounds)
{
    double mean = 0.0;
    for (double v : field)
        mean += v;
    mean /= static_cast<double>(field.size());
    double high = 0.0;
    double low = 0.0;
    for (double v : field) {
        high = std::max(high, v - mean);
        low = std::min(low, v - mean);
    }
    for (std::size_t i = 0; i < field.size(); ++i) {
        const double v = field[i] - mean;
        const double scaled = v >= 0.0 ? v / high * bounds.largest : v / low * bounds.smallest;
        tile.entries[i].*member = static_cast<std::int16_t>(std::lround(scaled));
    }
}

TTextureTile MakeTile(const Field& red, const Field& green, const Field& blue, TChannelBounds redBounds,
                      TChannelBounds greenBounds, TChannelBounds blueBounds)
{
    TTextureTile tile;
    tile.red = redBounds;
    tile.green = greenBounds;
    tile.blue = blueBounds;
    StoreChannel(tile, &TTileOffset::red, red, redBounds);
    StoreChannel(tile, &TTileOffset::green, green, greenBounds);
    StoreChannel(tile, &TTileOffset::blue, blue, blueBounds);
    return tile;
}

TTextureTile MakeGreyTile(const Field& field, TChannelBounds red, TChannelBounds green, TChannelBounds blue)
{
    return MakeTile(field, field, field, red, green, blue);
}

const std::array<TTextureTile, 5>& Tiles()
{
    static const std::array<TTextureTile, 5> tiles = [] {
        const Field sand = Sand();
        const Field canvas = Canvas();
        const Field granite = Granite();
        const Field leather = Leather();
        return std::array<TTextureTile, 5>{
            MakeGreyTile(sand, {48, -30}, {45, -29}, {48, -30}),
            MakeGreyTile(canvas, {76, -26}, {79, -25}, {76, -26}),
            MakeTile(Abrasive(32), Abrasive(33), Abrasive(34), {38, -32}, {29, -26}, {29, -21}),
            MakeGreyTile(granite, {100, -48}, {100, -48}, {100, -48}),
            MakeGreyTile(leather, {81, -50}, {81, -50}, {81, -50}),
        };
    }();
    return tiles;
}

// Pulls a base channel in so that base - offset stays within 0 ... 255.
int FitChannel(int channel, TChannelBounds bounds)
{
    if (channel < bounds.largest)
        return bounds.largest;
    if (channel - bounds.smallest >= 256)
        return 255 + bounds.smallest;
    return channel;
}

}  // namespace

const TTextureTile* TextureTile(TInvoiceTexture texture)
{
    if (texture < TInvoiceTexture::itSand || texture > TInvoiceTexture::itLeather)
        return nullptr;
    return &At(Tiles(), static_cast<int>(texture) - static_cast<int>(TInvoiceTexture::itSand));
}

bool MakeTextureTile(QImage* image, const TTextureTile& tile, QRgb base)
{
    if (image == nullptr)
        return false;
    *image = QImage(kTileSize, kTileSize, QImage::Format_RGB32);
    if (image->isNull())
        return false;
    const int red = FitChannel(qRed(base), tile.red);
    const int green = FitChannel(qGreen(base), tile.green);
    const int blue = FitChannel(qBlue(base), tile.blue);
    TCanvas canvas(*image);
    for (int x = 0; x < kTileSize; ++x) {
        for (int y = 0; y < kTileSize; ++y) {
            const TTileOffset& offset = tile.OffsetAt(x, y);
            canvas.SetPixel(x, y,
                            qRgb(std::clamp(red - offset.red, 0, 255), std::clamp(green - offset.green, 0, 255),
                                 std::clamp(blue - offset.blue, 0, 255)));
        }
    }
    return true;
}

bool MakeTextureTile(QImage* image, TInvoiceTexture texture, QRgb base)
{
    const TTextureTile* tile = TextureTile(texture);
    return tile != nullptr && MakeTextureTile(image, *tile, base);
}

}  // namespace torv
