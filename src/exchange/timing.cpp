#include "exchange/timing.h"

#include <algorithm>
#include <atomic>

namespace torv::timing {
namespace {
std::atomic<int> gDivisor{1};
}

void SetDivisorForTesting(int divisor)
{
    gDivisor = divisor < 0 ? 1 : divisor;
}

int Scaled(int ms)
{
    const int divisor = gDivisor.load();
    if (divisor == 0)
        return 0;
    return ms > 0 ? std::max(ms / divisor, 1) : ms;
}

}  // namespace torv::timing
