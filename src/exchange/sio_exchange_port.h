#pragma once
// The serial component as the exchange's port, and the wiring of its notifications.

#include "exchange/exchange_port.h"
#include "serial/sio_comm.h"

namespace torv {

class ProgrammingExchange;

class SioExchangePort : public ExchangePort {
public:
    explicit SioExchangePort(TSioCustomComm& comm) : comm_(comm) {}

    bool IsOpen() override { return comm_.IsOpen(); }
    void Open(const std::string& devicePath) override;
    void PurgeAll() override { comm_.PurgeAll(); }
    int WriteBytes(const std::uint8_t* data, int count) override { return comm_.WriteBytes(data, count); }
    std::string ReadAllText() override { return comm_.ReadAllText(); }
    int ReadBytes(std::uint8_t* buffer, int count) override { return comm_.ReadBytes(buffer, count); }
    int OutputCount() override { return comm_.OutputCount(); }
    void ClosePort() override { comm_.ClosePort(); }

private:
    TSioCustomComm& comm_;
};

// Hands the port's received-bytes and transmit-empty notifications to the exchange.
void ConnectPortEvents(TSioCustomComm& comm, ProgrammingExchange& exchange);

}  // namespace torv
