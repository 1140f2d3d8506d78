#include "exchange/timing.h"

#include <algorithm>
#include <atomic>

namespace torv::timing {
namespace {
std::atomic<int> gDivisor{1};
}

void SetDivisorForTesting(int divisor)
{
    gDivisor = std::max(divisor, 1);
}

int Scaled(int ms)
{
    return ms > 0 ? std::max(ms / gDivisor.load(), 1) : ms;
}

}  // namespace torv::timing
