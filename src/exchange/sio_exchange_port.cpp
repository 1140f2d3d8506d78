#include "exchange/sio_exchange_port.h"

#include <algorithm>
#include <array>
#include <exception>

#include "exchange/programming_exchange.h"

namespace torv {

template <typename Result, typename Operation>
Result SioExchangePort::Call(Operation operation, Result failed)
{
    try {
        return operation();
    } catch (const std::exception& error) {
        failure_ = error.what();
        return failed;
    }
}

bool SioExchangePort::Open(const std::string& devicePath)
{
    openFailure_ = {};
    try {
        comm_.SetDeviceName(devicePath);
        comm_.OpenPort();
        return true;
    } catch (const ESioCommError& error) {
        failure_ = error.what();
        openFailure_ = error.OpenFailure();
    } catch (const std::exception& error) {
        failure_ = error.what();
    }
    return false;
}

bool SioExchangePort::PurgeAll()
{
    return Call(
        [&] {
            comm_.PurgeAll();
            return true;
        },
        false);
}

int SioExchangePort::WriteBytes(const std::uint8_t* data, int count)
{
    return Call([&] { return comm_.WriteBytes(data, count); }, -1);
}

int SioExchangePort::ReadBytes(std::uint8_t* buffer, int count)
{
    return Call([&] { return comm_.ReadBytes(buffer, count); }, -1);
}

int SioExchangePort::DropBytes(int count)
{
    std::array<std::uint8_t, 64> scratch;
    int dropped = 0;
    while (dropped < count) {
        const int n = ReadBytes(scratch.data(), std::min<int>(count - dropped, scratch.size()));
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        dropped += n;
    }
    return dropped;
}

int SioExchangePort::OutputCount()
{
    return Call([&] { return comm_.OutputCount(); }, -1);
}

void SioExchangePort::ClosePort()
{
    // Closing cannot fail on a device; the only refusal is a call from inside one of the
    // port's own notifications, which the exchange never makes. Were it made, the port
    // would stay open and the refusal is kept as the failure text.
    Call(
        [&] {
            comm_.ClosePort();
            return true;
        },
        false);
}

void ConnectPortEvents(TSioCustomComm& comm, ProgrammingExchange& exchange)
{
    comm.OnRxChar.Connect(exchange.Receiver(), [&exchange](TSioComm*, int count) { exchange.PortRxChar(count); });
    comm.OnTxEmpty.Connect(exchange.Receiver(), [&exchange](TSioComm*) { exchange.PortTxEmpty(); });
}

}  // namespace torv
