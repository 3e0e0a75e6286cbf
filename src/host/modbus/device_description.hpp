// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillon::modbus {

inline constexpr int kMaxDeviceChannels = 256;

// The Modbus tables a value can come from.
enum class Table { Coils, DiscreteInputs, HoldingRegisters, InputRegisters };

// How the registers of one value hold a number. 32-bit values span two registers.
enum class NumberType { Int16, Uint16, Int32, Uint32, Float32, Bit };

// Which of a 32-bit value's two registers holds its high half.
enum class WordOrder { HighFirst, LowFirst };

// Where one value lives on the device and how it reads.
struct Source {
    Table table = Table::InputRegisters;
    std::uint16_t address = 0;
    NumberType type = NumberType::Int16;
    WordOrder order = WordOrder::HighFirst;
};

// Everything the Modbus host needs to know about its device, from a device file.
struct DeviceDescription {
    struct Channel {
        Source source;
        double gain = 1.0;  // engineering value = raw * gain + offset
        double offset = 0.0;
        double upper_range = 10.0;
        double lower_range = -10.0;
        std::string text;  // empty: "Channel N"
    };
    // Eight discrete inputs packed into bits 0 to 7, or one register read as a whole.
    struct DigitalInput {
        Source source;
        std::string text = "Digital inputs";
    };
    // Coils: DOUT n is coil address + n. A holding register: the output word as Quillon
    // sends it, so its bits follow the layout.
    struct Outputs {
        Table table = Table::Coils;
        std::uint16_t address = 0;
    };

    std::string file;  // the device file, for messages
    std::string server;
    std::uint16_t port = 502;
    int unit = 1;
    double poll_rate = 10.0;              // polls per second
    double response_timeout = 0.5;        // seconds
    std::optional<double> exit_after;     // seconds away before the host exits; none: never
    std::vector<Channel> channels;        // analog channels 0..N-1
    std::optional<DigitalInput> digital;  // channel N when present
    std::optional<Outputs> outputs;
    bool high_byte_layout = false;  // DOUT n is bit n + 8 of the output word
    std::string identification = "Quillon Modbus device";
    std::int32_t model = 0;
    double host_value = 0.0;
};

}  // namespace quillon::modbus
