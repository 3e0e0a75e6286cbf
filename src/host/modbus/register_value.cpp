// SPDX-License-Identifier: MIT
#include "host/modbus/register_value.hpp"

#include <bit>

namespace quillon::modbus {

int RegisterCount(NumberType type) {
    switch (type) {
        case NumberType::Int32:
        case NumberType::Uint32:
        case NumberType::Float32:
            return 2;
        case NumberType::Int16:
        case NumberType::Uint16:
        case NumberType::Bit:
            return 1;
    }
    return 1;
}

namespace {

std::uint32_t Join(WordOrder order, const std::uint16_t* registers) {
    const std::uint32_t first = registers[0];
    const std::uint32_t second = registers[1];
    return order == WordOrder::HighFirst ? (first << 16) | second : (second << 16) | first;
}

}  // namespace

double RawValue(NumberType type, WordOrder order, const std::uint16_t* registers) {
    switch (type) {
        case NumberType::Int16:
            return static_cast<std::int16_t>(registers[0]);
        case NumberType::Uint16:
            return registers[0];
        case NumberType::Bit:
            return registers[0] != 0 ? 1.0 : 0.0;
        case NumberType::Int32:
            return static_cast<std::int32_t>(Join(order, registers));
        case NumberType::Uint32:
            return Join(order, registers);
        case NumberType::Float32:
            return std::bit_cast<float>(Join(order, registers));
    }
    return 0.0;
}

}  // namespace quillon::modbus
