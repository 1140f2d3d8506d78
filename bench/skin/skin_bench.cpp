// Cost of one paint of a 73 x 23 push button and of one caption button.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFont>
#include <QImage>
#include <QPainter>

#include "skin/sk_button.h"
#include "skin/sk_sys_btn.h"
#include "skin/sk_texture.h"

namespace {

using namespace torv;

void SetUpReadButton(TSkButton& button)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    button.setFont(font);
    button.resize(73, 23);
    button.SetCaption(QStringLiteral("Считать"));
}

// The button's own drawing into its reused off-screen image, as paintEvent does.
void BM_PushButtonRender(benchmark::State& state)
{
    TSkButton button;
    SetUpReadButton(button);
    button.SetKindFont(static_cast<TBtnKindFont>(state.range(0)));
    QImage image;
    for (auto _ : state) {
        button.Render(image);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_PushButtonRender)
    ->Arg(static_cast<int>(TBtnKindFont::bfNone))
    ->Arg(static_cast<int>(TBtnKindFont::bfRaised))
    ->Unit(benchmark::kMicrosecond);

// The whole paint event, including Qt's own painting set-up, onto an image.
void BM_PushButtonPaintEvent(benchmark::State& state)
{
    TSkButton button;
    SetUpReadButton(button);
    QImage target(73, 23, QImage::Format_RGB32);
    for (auto _ : state) {
        button.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_PushButtonPaintEvent)->Unit(benchmark::kMicrosecond);

void BM_CaptionButtonPaintEvent(benchmark::State& state)
{
    TSkSysBtn button;
    button.SetDesignationAndTexture(TDesignation::dClose, TColorTexture::ctSilver);
    QImage target(21, 21, QImage::Format_RGB32);
    for (auto _ : state) {
        button.render(&target);
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(BM_CaptionButtonPaintEvent)->Unit(benchmark::kMicrosecond);

void BM_TextureTile(benchmark::State& state)
{
    QImage image;
    for (auto _ : state) {
        MakeTextureTile(&image, TInvoiceTexture::itGranite, qRgb(0xD4, 0xD0, 0xC8));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_TextureTile)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
