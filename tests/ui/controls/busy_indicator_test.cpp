#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include <array>
#include <chrono>
#include <map>
#include <set>
#include <stdexcept>
#include <thread>

#include "event_loop.h"
#include "ui/controls/busy_indicator.h"

namespace torv {
namespace {

using namespace std::chrono_literals;
using testing::RunUntil;

// Block colours from row 3 to row 9, front block first.
constexpr std::array<std::array<QRgb, 7>, 4> kBlockColours = {{
    {0xD0D0D0, 0xBBBBBB, 0xACACAC, 0x9C9C9C, 0xA6A6A6, 0xBBBBBB, 0xD0D0D0},
    {0xE2E2E2, 0xD0D0D0, 0xBBBBBB, 0xACACAC, 0xBBBBBB, 0xD0D0D0, 0xD0D0D0},
    {0xE9E9E9, 0xE2E2E2, 0xD0D0D0, 0xD0D0D0, 0xD0D0D0, 0xE2E2E2, 0xE5E5E5},
    {0xF8F8F8, 0xF1F1F1, 0xE9E9E9, 0xE5E5E5, 0xE9E9E9, 0xF1F1F1, 0xF1F1F1},
}};
constexpr QRgb kWhite = 0xFFFFFF;

QRgb Colour(const QImage& image, int x, int y)
{
    return image.pixel(x, y) & 0xFFFFFFu;
}

bool InInterior(int x, int y)
{
    return x >= 3 && x <= 147 && y >= 3 && y <= 10;
}

// Checks the trough's interior: the blocks given (slot -> block, 0 = front) in their
// shading, white everywhere else.
void ExpectInterior(const QImage& picture, const std::map<int, int>& blocks)
{
    for (int y = 3; y <= 10; ++y) {
        for (int x = 3; x <= 147; ++x) {
            QRgb expected = kWhite;
            for (const auto& [slot, block] : blocks) {
                const int left = 4 + 8 * slot;
                if (x >= left && x < left + 6 && y <= 9)
                    expected = kBlockColours[static_cast<std::size_t>(block)][static_cast<std::size_t>(y - 3)];
            }
            ASSERT_EQ(Colour(picture, x, y), expected) << "at " << x << "," << y;
        }
    }
}

// Checks a horizontal or vertical line of one colour, end points included.
void ExpectLine(const QImage& picture, int x0, int y0, int x1, int y1, QRgb colour)
{
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x)
            ASSERT_EQ(Colour(picture, x, y), colour) << "at " << x << "," << y;
    }
}

std::vector<QImage> ComposeInOrder()
{
    TFrameComposer composer(BuildProgressFrames());
    std::vector<QImage> pictures;
    for (int n = 0; n < composer.FrameCount(); ++n)
        pictures.push_back(composer.Compose(n).copy());
    return pictures;
}

TEST(BusyIndicatorFrames, EmptyTroughHasItsOutlineInnerLinesAndWhiteInterior)
{
    const QImage trough = ComposeInOrder().front();
    ASSERT_EQ(trough.size(), QSize(150, 13));
    ExpectLine(trough, 2, 0, 147, 0, 0x878787);  // outline, between the corners
    ExpectLine(trough, 2, 12, 147, 12, 0x878787);
    ExpectLine(trough, 0, 2, 0, 10, 0x878787);
    ExpectLine(trough, 149, 2, 149, 10, 0x878787);
    ExpectLine(trough, 1, 1, 148, 1, 0xCCCCCC);  // top and left inner shadow
    ExpectLine(trough, 1, 1, 1, 11, 0xCCCCCC);
    ExpectLine(trough, 2, 2, 148, 2, 0xF2F2F2);  // inner line on all four sides
    ExpectLine(trough, 2, 11, 148, 11, 0xF2F2F2);
    ExpectLine(trough, 2, 2, 2, 11, 0xF2F2F2);
    ExpectLine(trough, 148, 2, 148, 11, 0xF2F2F2);
    // Softened corners.
    for (const auto [x, y, dx, dy] :
         {std::array{0, 0, 1, 1}, std::array{149, 0, -1, 1}, std::array{0, 12, 1, -1}, std::array{149, 12, -1, -1}}) {
        EXPECT_EQ(Colour(trough, x, y), 0xCCCCCCu);
        EXPECT_EQ(Colour(trough, x + dx, y), 0x969696u);
        EXPECT_EQ(Colour(trough, x, y + dy), 0x969696u);
    }
    ExpectInterior(trough, {});
}

TEST(BusyIndicatorFrames, TrainEntersMovesAndLeaves)
{
    const std::vector<QImage> pictures = ComposeInOrder();
    ASSERT_EQ(pictures.size(), 23u);
    // Frame 1: the front block alone at x = 4-9; frame 5: the whole train, front at
    // x = 36-41, slot 0 empty again; frame 21: only the rear block, at x = 140-145.
    ExpectLine(pictures[1], 4, 6, 9, 6, 0x9C9C9C);
    ExpectLine(pictures[1], 10, 3, 147, 10, kWhite);
    ExpectLine(pictures[5], 36, 6, 41, 6, 0x9C9C9C);
    ExpectLine(pictures[5], 12, 6, 17, 6, 0xE5E5E5);
    ExpectLine(pictures[5], 3, 3, 11, 10, kWhite);
    ExpectLine(pictures[21], 140, 3, 145, 3, 0xF8F8F8);
    ExpectLine(pictures[21], 3, 3, 139, 10, kWhite);
    EXPECT_EQ(pictures[22], pictures[0]);
    // Every frame from 1 to 21: front block in slot k - 1, the train behind it.
    for (int k = 1; k <= 21; ++k) {
        std::map<int, int> blocks;
        for (int block = 0; block < 4; ++block) {
            if (k - 1 - block >= 0 && k - 1 - block <= 17)
                blocks[k - 1 - block] = block;
        }
        SCOPED_TRACE(k);
        ExpectInterior(pictures[static_cast<std::size_t>(k)], blocks);
        // The outline is never drawn over.
        for (int y = 0; y < 13; ++y) {
            for (int x = 0; x < 150; ++x) {
                if (!InInterior(x, y)) {
                    ASSERT_EQ(pictures[static_cast<std::size_t>(k)].pixel(x, y), pictures[0].pixel(x, y));
                }
            }
        }
    }
}

TEST(BusyIndicatorFrames, TransparentColourNeverReachesThePicture)
{
    const std::vector<QImage> frames = BuildProgressFrames();
    EXPECT_EQ(frames.front().colorTable().value(15) & 0xFFFFFFu, 0xFF00FFu);
    bool laterFramesUseTransparency = false;
    for (std::size_t n = 1; n < frames.size(); ++n)
        laterFramesUseTransparency = laterFramesUseTransparency || frames[n].pixelIndex(0, 0) == kTransparentIndex;
    EXPECT_TRUE(laterFramesUseTransparency);  // so the check below is about composition

    const std::vector<QImage> inOrder = ComposeInOrder();
    for (const QImage& picture : inOrder) {
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_NE(Colour(picture, x, y), 0xFF00FFu) << x << "," << y;
        }
    }
    // Jumping to a frame rebuilds it from the last opaque one: same picture.
    TFrameComposer composer(BuildProgressFrames());
    for (const int n : {7, 3, 22, 12, 13, 0, 21})
        EXPECT_EQ(composer.Compose(n), inOrder[static_cast<std::size_t>(n)]) << n;
}

TEST(BusyIndicatorFrames, ComposerRefusesAnAnimationWithoutAnOpaqueFirstFrame)
{
    std::vector<QImage> frames = BuildProgressFrames();
    frames.erase(frames.begin());
    EXPECT_THROW(TFrameComposer{frames}, std::invalid_argument);
    EXPECT_THROW(TFrameComposer{{}}, std::invalid_argument);
}

TEST(BusyIndicatorPanel, LayoutLabelAndLook)
{
    TBusyPanel panel;
    EXPECT_EQ(panel.size(), QSize(185, 63));
    EXPECT_EQ(panel.Label()->geometry(), QRect(19, 12, 148, 13));
    EXPECT_EQ(panel.Label()->text(), QString::fromUtf8("Подождите минуточку ..."));
    EXPECT_TRUE(panel.Label()->font().bold());
    EXPECT_EQ(panel.Label()->font().pixelSize(), 11);
    EXPECT_EQ(panel.Label()->palette().color(QPalette::WindowText), QColor(0x80, 0, 0));
    EXPECT_LE(panel.Label()->fontMetrics().horizontalAdvance(panel.Label()->text()), 148);
    EXPECT_EQ(panel.Progress()->geometry(), QRect(17, 32, 150, 13));

    const QImage shot = panel.grab().toImage();
    const QRgb face = panel.palette().color(QPalette::Button).rgb() & 0xFFFFFFu;
    EXPECT_EQ(Colour(shot, 0, 0), panel.palette().color(QPalette::Light).rgb() & 0xFFFFFFu);
    EXPECT_EQ(Colour(shot, 184, 62), panel.palette().color(QPalette::Dark).rgb() & 0xFFFFFFu);
    EXPECT_EQ(Colour(shot, 184, 0), panel.palette().color(QPalette::Dark).rgb() & 0xFFFFFFu);
    EXPECT_EQ(Colour(shot, 5, 50), face);
    EXPECT_EQ(shot.copy(17, 32, 150, 13).convertToFormat(QImage::Format_RGB32), ComposeInOrder().front());
    bool maroon = false;
    for (int y = 12; y < 25; ++y) {
        for (int x = 19; x < 167; ++x)
            maroon = maroon || Colour(shot, x, y) == 0x800000u;
    }
    EXPECT_TRUE(maroon) << "the label's text is not painted in maroon";
}

TEST(BusyIndicatorClock, StartsAtFrameZeroWhenFirstShownAndRunsOnWhileHidden)
{
    TBusyPanel panel;
    std::this_thread::sleep_for(250ms);
    QCoreApplication::processEvents();
    EXPECT_EQ(panel.Progress()->FrameIndex(), 0) << "the clock ran before the panel was shown";

    // The clock moves at most one frame every 100 ms from the show: however late the
    // first paint comes, a clock that started at frame 0 cannot be further on.
    const auto shownAt = std::chrono::steady_clock::now();
    const auto framesSinceShown = [&] {
        return static_cast<int>((std::chrono::steady_clock::now() - shownAt) / 100ms);
    };
    panel.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    ASSERT_TRUE(RunUntil([&] { return panel.Progress()->PaintedFrame() >= 0; }, 2000));
    EXPECT_LE(panel.Progress()->PaintedFrame(), framesSinceShown());
    EXPECT_TRUE(RunUntil([&] { return panel.Progress()->FrameIndex() >= 3; }, 3000));

    panel.hide();
    const int hiddenAt = panel.Progress()->FrameIndex();
    EXPECT_TRUE(RunUntil([&] { return panel.Progress()->FrameIndex() != hiddenAt; }, 2000));
    // Shown again, the bar goes on from where the clock is rather than from 0.
    panel.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&panel));
    EXPECT_TRUE(RunUntil([&] { return panel.Progress()->PaintedFrame() != 0; }, 2000));
}

TEST(BusyIndicatorClock, BarMovesWhileTheMainThreadIsBlocked)
{
    TBusyPanel panel;
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    QCoreApplication::processEvents();

    bool queuedEventRan = false;
    QTimer::singleShot(0, &panel, [&] { queuedEventRan = true; });
    const int before = panel.Progress()->FrameIndex();
    std::set<int> painted;
    // A direct write holding the main thread for 1500 ms, calling its wait hook every 100 ms.
    for (int tick = 0; tick < 15; ++tick) {
        std::this_thread::sleep_for(100ms);
        panel.Progress()->RepaintNow();
        painted.insert(panel.Progress()->PaintedFrame());
    }
    const int advanced = (panel.Progress()->FrameIndex() - before + kProgressFrameCount) % kProgressFrameCount;
    EXPECT_FALSE(queuedEventRan) << "another event ran inside the blocked write";
    EXPECT_GE(advanced, 8);
    EXPECT_GE(painted.size(), 8u) << "the bar was not painted while the main thread was blocked";
    QCoreApplication::processEvents();
    EXPECT_TRUE(queuedEventRan);
}

}  // namespace
}  // namespace torv
