#include "production/unit_request.h"

#include "device/parameters.h"

namespace torv {

WriteRequest RequestWith(const ParameterBlock& block, ProgrammingExchange& exchange, bool gridEditEnabled)
{
    return RequestToWriteBack(block, exchange.Info(), exchange.Block(), gridEditEnabled);
}

WriteRequest RequestFor(const WantedFrequencies& wanted, ProgrammingExchange& exchange)
{
    WriteRequest request = RequestWith(exchange.Block(), exchange, wanted.gridEditEnabled);
    request.first = wanted.f1;
    // The second frequency stays as read unless asked otherwise; one that cannot be
    // decoded takes the first's value, as the window's field would.
    if (!DecodeParameterBlock(exchange.Block(), request.deviceType).secondHz)
        request.second = request.first;
    if (wanted.f2) {
        request.second = *wanted.f2;
        request.secondEnabled = true;
    }
    if (wanted.noF2)
        request.secondEnabled = false;
    if (wanted.grid25kHz)
        request.grid25kHz = *wanted.grid25kHz;
    return request;
}

}  // namespace torv
