// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include "host/modbus/device_description.hpp"

namespace quillon::modbus {

// Registers a value of this type spans (a bit counts one).
int RegisterCount(NumberType type);

// The number that RegisterCount(type) registers hold, starting at `registers`. A bit arrives
// as one register holding 0 or 1.
double RawValue(NumberType type, WordOrder order, const std::uint16_t* registers);

}  // namespace quillon::modbus
