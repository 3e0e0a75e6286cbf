// SPDX-License-Identifier: MIT
#include "host/modbus/modbus_link.hpp"

#include <modbus/modbus.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>

namespace quillon::modbus {

namespace {

struct ExceptionMeaning {
    int code;
    const char* words;
};

// The Modbus exception codes, as an operator would want to read them.
constexpr std::array kExceptionMeanings = {
    ExceptionMeaning{EMBXILFUN, "illegal function: the device does not offer this request"},
    ExceptionMeaning{EMBXILADD,
                     "illegal data address: the device has no such register, coil or input"},
    ExceptionMeaning{EMBXILVAL, "illegal data value: the device refused the value or count"},
    ExceptionMeaning{EMBXSFAIL, "server device failure: the device failed while answering"},
    ExceptionMeaning{EMBXACK, "acknowledge: the device took the request but needs longer"},
    ExceptionMeaning{EMBXSBUSY, "server device busy: the device is busy, try again later"},
    ExceptionMeaning{EMBXNACK, "negative acknowledge: the device cannot carry out the request"},
    ExceptionMeaning{EMBXMEMPAR, "memory parity error: the device found its memory corrupt"},
    ExceptionMeaning{EMBXGPATH, "gateway path unavailable: the gateway has no route to the unit"},
    ExceptionMeaning{EMBXGTAR,
                     "gateway target failed to respond: the unit behind the gateway is silent"},
};

const char* TableName(Table table) {
    switch (table) {
        case Table::Coils:
            return "coils";
        case Table::DiscreteInputs:
            return "discrete inputs";
        case Table::HoldingRegisters:
            return "holding registers";
        case Table::InputRegisters:
            return "input registers";
    }
    return "registers";
}

std::string Span(Table table, int address, int count) {
    return std::string(TableName(table)) + " " + std::to_string(address) + " to " +
           std::to_string(address + count - 1);
}

}  // namespace

bool IsExceptionReply(int error) {
    return error >= EMBXILFUN && error <= EMBXGTAR;
}

std::string ModbusErrorText(int error) {
    for (const ExceptionMeaning& meaning : kExceptionMeanings) {
        if (meaning.code == error) {
            return meaning.words;
        }
    }
    return modbus_strerror(error);
}

ModbusLink::ModbusLink(const DeviceDescription& device) : device_(device), bits_(2000) {
    const std::string port = std::to_string(device.port);
    context_ = modbus_new_tcp_pi(device.server.c_str(), port.c_str());
    if (context_ == nullptr) {
        throw LinkError(device.file + ": cannot set up a Modbus connection to " + device.server +
                            ":" + port + ": " + ModbusErrorText(errno),
                        true);
    }
    modbus_set_slave(context_, device.unit);
    const double seconds = device.response_timeout;
    const auto whole = static_cast<std::uint32_t>(seconds);
    const auto micros = static_cast<std::uint32_t>(std::lround((seconds - whole) * 1e6));
    modbus_set_response_timeout(context_, whole, micros);
}

ModbusLink::~ModbusLink() {
    Close();
    modbus_free(context_);
}

void ModbusLink::Connect() {
    Close();
    if (modbus_connect(context_) != 0) {
        Fail("connect");
    }
    connected_ = true;
}

void ModbusLink::Close() {
    if (connected_) {
        modbus_close(context_);
        connected_ = false;
    }
}

void ModbusLink::Read(const ReadRequest& request, std::uint16_t* into) {
    const int count = request.count;
    int done = -1;
    switch (request.table) {
        case Table::InputRegisters:
            done = modbus_read_input_registers(context_, request.address, count, into);
            break;
        case Table::HoldingRegisters:
            done = modbus_read_registers(context_, request.address, count, into);
            break;
        case Table::DiscreteInputs:
            done = modbus_read_input_bits(context_, request.address, count, bits_.data());
            break;
        case Table::Coils:
            done = modbus_read_bits(context_, request.address, count, bits_.data());
            break;
    }
    if (done != count) {
        Fail("read " + Span(request.table, request.address, count));
    }
    if (request.table == Table::DiscreteInputs || request.table == Table::Coils) {
        std::copy_n(bits_.begin(), count, into);
    }
}

void ModbusLink::WriteOutputs(const DeviceDescription::Outputs& outputs, std::uint16_t word,
                              bool high_byte_layout) {
    constexpr int kOutputs = 8;
    if (outputs.table == Table::HoldingRegisters) {
        if (modbus_write_register(context_, outputs.address, word) != 1) {
            Fail("write holding register " + std::to_string(outputs.address));
        }
        return;
    }
    const int shift = high_byte_layout ? 8 : 0;
    std::array<std::uint8_t, kOutputs> coils{};
    for (int output = 0; output < kOutputs; ++output) {
        coils[static_cast<std::size_t>(output)] = (word >> (output + shift)) & 1u;
    }
    if (modbus_write_bits(context_, outputs.address, kOutputs, coils.data()) != kOutputs) {
        Fail("write " + Span(Table::Coils, outputs.address, kOutputs));
    }
}

void ModbusLink::Fail(const std::string& action) {
    const int error = errno;
    const std::string where = device_.server + ":" + std::to_string(device_.port) + " unit " +
                              std::to_string(device_.unit);
    if (IsExceptionReply(error)) {
        throw LinkError(
            "the device " + where + " refused to " + action + ": " + ModbusErrorText(error), false);
    }
    // Whatever else went wrong, the connection cannot be trusted to be in step any more.
    Close();
    throw LinkError(
        "device not answering: " + action + " on " + where + ": " + ModbusErrorText(error), true);
}

}  // namespace quillon::modbus
