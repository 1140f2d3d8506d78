#pragma once
// The busy indicator: the panel "Подождите минуточку ..." with its moving grey bar.
// The bar's 23 frames are drawn in code from a 16-colour palette; a clock thread of
// the bar's own advances and composes them every 100 ms, so the bar keeps moving
// while the main thread is blocked (it is then painted through RepaintNow).

#include <QImage>
#include <QWidget>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

class QLabel;

namespace torv {

constexpr int kProgressWidth = 150;
constexpr int kProgressHeight = 13;
constexpr int kProgressFrameCount = 23;
// Palette index whose pixels leave the picture below them unchanged.
constexpr int kTransparentIndex = 15;

// The animation's palette; entry 15 (FF00FF) marks transparent pixels.
const std::array<QRgb, 16>& ProgressPalette();

// The frames as stored, 8-bit indexed with ProgressPalette(): frame 0 is the empty
// trough; frames 1-22 cover the trough's interior (the train and white) and leave
// its outline transparent.
std::vector<QImage> BuildProgressFrames();

// Keeps the picture of the last composed frame and draws the next frame over it.
class TFrameComposer {
public:
    // Throws std::invalid_argument unless there is a frame and frame 0 is opaque.
    explicit TFrameComposer(std::vector<QImage> frames);

    int FrameCount() const { return static_cast<int>(frames_.size()); }
    // The picture that frame n leaves on the screen (RGB32, no transparent colour).
    const QImage& Compose(int n);

private:
    void DrawOver(int n);

    std::vector<QImage> frames_;
    std::vector<bool> opaque_;
    QImage picture_;
    int pictureFrame_ = -1;
};

// `Progress`: the animated bar, 150 x 13. The clock starts at frame 0 when the bar is
// first shown and runs on, also while it is hidden, until the bar is destroyed.
class TGifAnimator : public QWidget {
    Q_OBJECT

public:
    explicit TGifAnimator(QWidget* parent = nullptr);
    ~TGifAnimator() override;

    // The frame the clock has reached.
    int FrameIndex() const { return frameIndex_.load(); }
    // The frame shown by the latest paint (-1 before the first paint).
    int PaintedFrame() const { return paintedFrame_.load(); }

    // Paints the current frame at once without running any other event; meant for
    // the wait hook of a write that blocks the main thread.
    void RepaintNow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void RunClock(std::stop_token stop);
    void Advance();

    std::mutex surfaceLock_;  // guards composer_ and the picture it holds
    TFrameComposer composer_;
    std::atomic<int> frameIndex_{0};
    std::atomic<int> paintedFrame_{-1};
    std::atomic<bool> updatePosted_{false};
    std::jthread clock_;
};

// `InfoPanel`: 185 x 63, button face with a raised 1-pixel bevel, holding the label
// "Подождите минуточку ..." and the bar.
class TBusyPanel : public QWidget {
    Q_OBJECT

public:
    explicit TBusyPanel(QWidget* parent = nullptr);

    // Maroon, the colour of the panel's text.
    static constexpr QRgb kTextColor = 0xFF800000u;

    TGifAnimator* Progress() const { return progress_; }
    QLabel* Label() const { return label_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* label_;
    TGifAnimator* progress_;
};

}  // namespace torv
