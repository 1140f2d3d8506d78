#include "ui/controls/busy_indicator.h"

#include <QLabel>
#include <QPainter>

#include <chrono>
#include <stdexcept>

#include "ui/controls/accessible_controls.h"

namespace torv {
namespace {

using namespace std::chrono_literals;

constexpr auto kFrameDelay = 100ms;
constexpr auto kClockSleep = 10ms;

// Trough geometry: white interior, and the 18 slots the blocks stand in.
constexpr int kInteriorTop = 3;
constexpr int kInteriorBottom = 10;
constexpr int kInteriorLeft = 3;
constexpr int kInteriorRight = 147;
constexpr int kSlotCount = 18;
constexpr int kFirstSlotX = 4;
constexpr int kSlotPitch = 8;
constexpr int kBlockWidth = 6;
constexpr int kBlockTop = 3;
constexpr int kTrainLength = 4;

// Palette indices of the blocks from row 3 down to row 9, front block first.
constexpr int kBlockShading[kTrainLength][7] = {
    {7, 9, 10, 12, 11, 9, 7},
    {6, 7, 9, 10, 9, 7, 7},
    {4, 6, 7, 7, 7, 6, 5},
    {1, 3, 4, 5, 4, 3, 3},
};

// Palette indices of the trough's lines.
constexpr uchar kWhite = 0;
constexpr uchar kInnerLine = 2;    // F2F2F2 on all four sides
constexpr uchar kShadowLine = 8;   // CCCCCC along top and left; also the outline's corners
constexpr uchar kCornerSoft = 13;  // 969696 next to each corner
constexpr uchar kOutline = 14;     // 878787

const char kBusyText[] = "Подождите минуточку ...";

QImage BlankFrame(uchar index)
{
    QImage frame(kProgressWidth, kProgressHeight, QImage::Format_Indexed8);
    const std::array<QRgb, 16>& palette = ProgressPalette();
    frame.setColorTable(QList<QRgb>(palette.begin(), palette.end()));
    frame.fill(index);
    return frame;
}

void FillRect(QImage& frame, int left, int top, int right, int bottom, uchar index)
{
    for (int y = top; y <= bottom; ++y) {
        uchar* line = frame.scanLine(y);
        for (int x = left; x <= right; ++x)
            line[x] = index;
    }
}

void SetPixel(QImage& frame, int x, int y, uchar index)
{
    frame.scanLine(y)[x] = index;
}

QImage TroughFrame()
{
    constexpr int right = kProgressWidth - 1;
    constexpr int bottom = kProgressHeight - 1;
    QImage frame = BlankFrame(kWhite);
    FillRect(frame, 0, 0, right, 0, kOutline);
    FillRect(frame, 0, bottom, right, bottom, kOutline);
    FillRect(frame, 0, 0, 0, bottom, kOutline);
    FillRect(frame, right, 0, right, bottom, kOutline);
    // Rounded corners: the corner pixel light, its two outline neighbours softened.
    for (const auto [x, y, dx, dy] : {std::array{0, 0, 1, 1}, std::array{right, 0, -1, 1}, std::array{0, bottom, 1, -1},
                                      std::array{right, bottom, -1, -1}}) {
        SetPixel(frame, x, y, kShadowLine);
        SetPixel(frame, x + dx, y, kCornerSoft);
        SetPixel(frame, x, y + dy, kCornerSoft);
    }
    FillRect(frame, 1, 1, right - 1, 1, kShadowLine);
    FillRect(frame, 1, 1, 1, bottom - 1, kShadowLine);
    FillRect(frame, 2, 2, right - 1, 2, kInnerLine);
    FillRect(frame, 2, bottom - 1, right - 1, bottom - 1, kInnerLine);
    FillRect(frame, 2, 2, 2, bottom - 1, kInnerLine);
    FillRect(frame, right - 1, 2, right - 1, bottom - 1, kInnerLine);
    return frame;
}

// Frame k (1-22): the front block in slot k - 1, the rest of the train behind it,
// as far as those slots exist.
QImage TrainFrame(int k)
{
    QImage frame = BlankFrame(kTransparentIndex);
    FillRect(frame, kInteriorLeft, kInteriorTop, kInteriorRight, kInteriorBottom, kWhite);
    for (int block = 0; block < kTrainLength; ++block) {
        const int slot = k - 1 - block;
        if (slot < 0 || slot >= kSlotCount)
            continue;
        const int left = kFirstSlotX + kSlotPitch * slot;
        for (int row = 0; row < 7; ++row)
            FillRect(frame, left, kBlockTop + row, left + kBlockWidth - 1, kBlockTop + row,
                     static_cast<uchar>(kBlockShading[block][row]));
    }
    return frame;
}

bool HasTransparentPixel(const QImage& frame)
{
    for (int y = 0; y < frame.height(); ++y) {
        const uchar* line = frame.constScanLine(y);
        for (int x = 0; x < frame.width(); ++x) {
            if (line[x] == kTransparentIndex)
                return true;
        }
    }
    return false;
}

QFont PanelFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

}  // namespace

const std::array<QRgb, 16>& ProgressPalette()
{
    static const std::array<QRgb, 16> palette = {
        qRgb(0xFF, 0xFF, 0xFF), qRgb(0xF8, 0xF8, 0xF8), qRgb(0xF2, 0xF2, 0xF2), qRgb(0xF1, 0xF1, 0xF1),
        qRgb(0xE9, 0xE9, 0xE9), qRgb(0xE5, 0xE5, 0xE5), qRgb(0xE2, 0xE2, 0xE2), qRgb(0xD0, 0xD0, 0xD0),
        qRgb(0xCC, 0xCC, 0xCC), qRgb(0xBB, 0xBB, 0xBB), qRgb(0xAC, 0xAC, 0xAC), qRgb(0xA6, 0xA6, 0xA6),
        qRgb(0x9C, 0x9C, 0x9C), qRgb(0x96, 0x96, 0x96), qRgb(0x87, 0x87, 0x87), qRgb(0xFF, 0x00, 0xFF),
    };
    return palette;
}

std::vector<QImage> BuildProgressFrames()
{
    std::vector<QImage> frames;
    frames.reserve(kProgressFrameCount);
    frames.push_back(TroughFrame());
    for (int k = 1; k < kProgressFrameCount; ++k)
        frames.push_back(TrainFrame(k));
    return frames;
}

TFrameComposer::TFrameComposer(std::vector<QImage> frames) : frames_(std::move(frames))
{
    for (const QImage& frame : frames_)
        opaque_.push_back(!HasTransparentPixel(frame));
    if (frames_.empty() || !opaque_.front())
        throw std::invalid_argument("the first frame of an animation must be opaque");
}

const QImage& TFrameComposer::Compose(int n)
{
    if (n == pictureFrame_)
        return picture_;
    if (pictureFrame_ < 0 || n != pictureFrame_ + 1) {
        // Rebuild from the latest earlier frame that covers the whole picture.
        int base = n;
        while (!opaque_[static_cast<std::size_t>(base)])
            --base;
        picture_ = QImage(frames_.front().size(), QImage::Format_RGB32);
        for (int k = base; k < n; ++k)
            DrawOver(k);
    }
    DrawOver(n);
    pictureFrame_ = n;
    return picture_;
}

void TFrameComposer::DrawOver(int n)
{
    const QImage& frame = frames_[static_cast<std::size_t>(n)];
    const std::array<QRgb, 16>& palette = ProgressPalette();
    for (int y = 0; y < frame.height(); ++y) {
        const uchar* source = frame.constScanLine(y);
        auto* target = reinterpret_cast<QRgb*>(picture_.scanLine(y));
        for (int x = 0; x < frame.width(); ++x) {
            if (source[x] != kTransparentIndex)
                target[x] = palette[source[x]];
        }
    }
}

TGifAnimator::TGifAnimator(QWidget* parent) : QWidget(parent), composer_(BuildProgressFrames())
{
    InstallAccessibleControls();
    setFixedSize(kProgressWidth, kProgressHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

TGifAnimator::~TGifAnimator()
{
    // The clock posts to this object: stop it before the widget is torn down.
    clock_.request_stop();
    if (clock_.joinable())
        clock_.join();
}

void TGifAnimator::RepaintNow()
{
    // repaint() paints and flushes this widget synchronously; unlike processing
    // events it lets no timer, port event or input run in the middle of a write.
    repaint();
}

void TGifAnimator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const std::lock_guard lock(surfaceLock_);
    const int frame = frameIndex_.load();
    painter.drawImage(0, 0, composer_.Compose(frame));
    paintedFrame_ = frame;
}

void TGifAnimator::showEvent(QShowEvent*)
{
    if (!clock_.joinable())
        clock_ = std::jthread([this](std::stop_token stop) { RunClock(stop); });
}

void TGifAnimator::RunClock(std::stop_token stop)
{
    using Clock = std::chrono::steady_clock;
    Clock::time_point due = Clock::now() + kFrameDelay;
    while (!stop.stop_requested()) {
        std::this_thread::sleep_for(kClockSleep);
        const Clock::time_point now = Clock::now();
        if (now < due)
            continue;
        // After a stall (a suspended machine) go on from now rather than catching up.
        due = (now - due < kFrameDelay) ? due + kFrameDelay : now + kFrameDelay;
        Advance();
    }
}

void TGifAnimator::Advance()
{
    {
        const std::lock_guard lock(surfaceLock_);
        const int next = (frameIndex_.load() + 1) % composer_.FrameCount();
        composer_.Compose(next);
        frameIndex_ = next;
    }
    // Qt paints on the main thread only: ask it for a paint, once until it has run.
    if (!updatePosted_.exchange(true)) {
        QMetaObject::invokeMethod(
            this,
            [this] {
                updatePosted_ = false;
                update();
            },
            Qt::QueuedConnection);
    }
}

TBusyPanel::TBusyPanel(QWidget* parent)
    : QWidget(parent), label_(new QLabel(QString::fromUtf8(kBusyText), this)), progress_(new TGifAnimator(this))
{
    InstallAccessibleControls();
    setFixedSize(185, 63);
    setAttribute(Qt::WA_OpaquePaintEvent);
    label_->setGeometry(19, 12, 148, 13);
    label_->setFont(PanelFont());
    QPalette labelPalette = label_->palette();
    labelPalette.setColor(QPalette::WindowText, QColor::fromRgb(kTextColor));
    label_->setPalette(labelPalette);
    progress_->move(17, 32);
}

void TBusyPanel::paintEvent(QPaintEvent*)
{
    // Button face inside a raised bevel: light on top and left, shadow on the
    // right and bottom (the shadow owns the top-right and bottom-left pixels).
    QPainter painter(this);
    const int w = width();
    const int h = height();
    painter.fillRect(rect(), palette().color(QPalette::Button));
    const QColor light = palette().color(QPalette::Light);
    const QColor shadow = palette().color(QPalette::Dark);
    painter.fillRect(0, 0, w - 1, 1, light);
    painter.fillRect(0, 0, 1, h - 1, light);
    painter.fillRect(w - 1, 0, 1, h, shadow);
    painter.fillRect(0, h - 1, w, 1, shadow);
}

}  // namespace torv
