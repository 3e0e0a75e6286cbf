// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/modbus/device_description.hpp"
#include "host/modbus/read_plan.hpp"

struct addrinfo;

namespace quillon::modbus {

// A request the link could not carry out, and what the poller should make of it.
class LinkError : public std::runtime_error {
public:
    enum class Kind {
        ConnectionLost,  // no reply, a broken or an invalid one: the link must be opened again
        Refused,         // the device answered with a Modbus exception; the link stays
        Stopped,         // the poller is asked to end
    };
    LinkError(const std::string& what, Kind kind) : std::runtime_error(what), kind_(kind) {}
    Kind What() const { return kind_; }
    bool ConnectionLost() const { return kind_ == Kind::ConnectionLost; }
    bool Refused() const { return kind_ == Kind::Refused; }
    bool Stopped() const { return kind_ == Kind::Stopped; }

private:
    Kind kind_;
};

// One Modbus TCP connection, used by the poller thread only. Every wait (connecting, sending,
// the whole reply) is bounded by the device's timeout and also ends at once when
// `stop_descriptor` becomes readable, so that the program never waits on the network to end.
// Replies are checked against their request: transaction id, protocol id, unit id, function
// and length; anything else is an invalid reply and the connection is not trusted again.
class ModbusLink {
public:
    ModbusLink(const DeviceDescription& device, int stop_descriptor);
    ~ModbusLink();
    ModbusLink(const ModbusLink&) = delete;
    ModbusLink& operator=(const ModbusLink&) = delete;

    bool Connected() const { return socket_ >= 0; }
    void Connect();
    void Close();
    // Fills request.count words from `into` (one word per register or bit).
    void Read(const ReadRequest& request, std::uint16_t* into);
    void WriteOutputs(const DeviceDescription::Outputs& outputs, std::uint16_t word,
                      bool high_byte_layout);

private:
    using Clock = std::chrono::steady_clock;
    using Bytes = std::vector<std::uint8_t>;

    // Sends one request (its function code first) and returns the reply's PDU.
    Bytes Transact(const Bytes& pdu, const std::string& action);
    void SendAll(const Bytes& frame, Clock::time_point deadline, const std::string& action);
    void ReceiveExactly(std::uint8_t* into, std::size_t count, Clock::time_point deadline,
                        const std::string& action);
    // Waits until the socket is ready for `events`; false when the deadline passed.
    bool WaitFor(short events, Clock::time_point deadline);
    bool TryAddress(const ::addrinfo& address, Clock::time_point deadline, std::string& failure);
    [[noreturn]] void Lost(const std::string& what);
    [[noreturn]] void Invalid(const std::string& action, const std::string& what);

    const DeviceDescription& device_;
    const int stop_descriptor_;
    const Clock::duration timeout_;
    int socket_ = -1;
    std::uint16_t transaction_ = 0;
};

// "what a Modbus exception code means, in words".
std::string ExceptionText(int code);
// The device's address as people write it: "[::1]:502", "plc.local:502".
std::string DeviceAddress(const DeviceDescription& device);

}  // namespace quillon::modbus
