#pragma once
// The serial component as the exchange's port, and the wiring of its notifications.
// The component raises its errors as exceptions; they are caught here, at the call,
// and become results.

#include <string>

#include "exchange/exchange_port.h"
#include "serial/sio_comm.h"

namespace torv {

class ProgrammingExchange;

class SioExchangePort : public ExchangePort {
public:
    explicit SioExchangePort(TSioCustomComm& comm) : comm_(comm) {}

    bool IsOpen() override { return comm_.IsOpen(); }
    bool Open(const std::string& devicePath) override;
    bool PurgeAll() override;
    int WriteBytes(const std::uint8_t* data, int count) override;
    int ReadBytes(std::uint8_t* buffer, int count) override;
    int DropBytes(int count) override;
    int OutputCount() override;
    void ClosePort() override;
    std::string Failure() const override { return failure_; }
    PortOpenFailure OpenFailure() const override { return openFailure_; }

private:
    // Runs one operation of the component; a raised error is kept and gives failed.
    template <typename Result, typename Operation>
    Result Call(Operation operation, Result failed);

    TSioCustomComm& comm_;
    std::string failure_;
    PortOpenFailure openFailure_;
};

// Hands the port's received-bytes and transmit-empty notifications to the exchange.
void ConnectPortEvents(TSioCustomComm& comm, ProgrammingExchange& exchange);

}  // namespace torv
