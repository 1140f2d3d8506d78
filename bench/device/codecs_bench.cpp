// Throughput of the frequency codecs over every 12.5 kHz channel of the 146-174 MHz band.
#include <benchmark/benchmark.h>

#include <vector>

#include "device/frequency_codec.h"

namespace {

std::vector<double> BandChannels()
{
    std::vector<double> channels;
    for (int k = 0; k < 2241; ++k)
        channels.push_back((146000000.0 + 12500.0 * k) / 1000000.0);
    return channels;
}

void BM_FindLegacyDivisors_Band(benchmark::State& state)
{
    const std::vector<double> channels = BandChannels();
    for (auto _ : state)
        for (double mhz : channels)
            benchmark::DoNotOptimize(torv::FindLegacyDivisors(mhz));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(channels.size()));
}
BENCHMARK(BM_FindLegacyDivisors_Band)->Unit(benchmark::kMicrosecond);

void BM_EncodeGrid_Band(benchmark::State& state)
{
    const std::vector<double> channels = BandChannels();
    for (auto _ : state)
        for (double mhz : channels)
            benchmark::DoNotOptimize(torv::EncodeGrid(mhz, 10));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(channels.size()));
}
BENCHMARK(BM_EncodeGrid_Band)->Unit(benchmark::kMicrosecond);

}  // namespace
