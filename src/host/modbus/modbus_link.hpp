// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/modbus/device_description.hpp"
#include "host/modbus/read_plan.hpp"

// libmodbus's context, kept out of every other header.
struct _modbus;

namespace quillon::modbus {

// A request the link could not carry out. `connection_lost` says the link must be opened
// again; otherwise the device answered with a refusal (a Modbus exception reply).
class LinkError : public std::runtime_error {
public:
    LinkError(const std::string& what, bool connection_lost)
        : std::runtime_error(what), connection_lost_(connection_lost) {}
    bool ConnectionLost() const { return connection_lost_; }

private:
    bool connection_lost_;
};

// One Modbus TCP connection through libmodbus. Used by the poller thread only.
class ModbusLink {
public:
    explicit ModbusLink(const DeviceDescription& device);
    ~ModbusLink();
    ModbusLink(const ModbusLink&) = delete;
    ModbusLink& operator=(const ModbusLink&) = delete;

    bool Connected() const { return connected_; }
    void Connect();
    void Close();
    // Fills `replies` at request.count words from `into` (one word per register or bit).
    void Read(const ReadRequest& request, std::uint16_t* into);
    void WriteOutputs(const DeviceDescription::Outputs& outputs, std::uint16_t word,
                      bool high_byte_layout);

private:
    [[noreturn]] void Fail(const std::string& action);

    const DeviceDescription& device_;
    _modbus* context_ = nullptr;
    bool connected_ = false;
    std::vector<std::uint8_t> bits_;
};

// "what a Modbus exception code means, in words", or libmodbus's text for other errors.
std::string ModbusErrorText(int error);
bool IsExceptionReply(int error);

}  // namespace quillon::modbus
