#include "exchange/sio_exchange_port.h"

#include "exchange/programming_exchange.h"

namespace torv {

void SioExchangePort::Open(const std::string& devicePath)
{
    comm_.SetDeviceName(devicePath);
    comm_.OpenPort();
}

void ConnectPortEvents(TSioCustomComm& comm, ProgrammingExchange& exchange)
{
    comm.OnRxChar = [&exchange](TSioComm*, int count) { exchange.PortRxChar(count); };
    comm.OnTxEmpty = [&exchange](TSioComm*) { exchange.PortTxEmpty(); };
}

}  // namespace torv
