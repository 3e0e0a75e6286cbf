// SPDX-License-Identifier: MIT
#pragma once

#include <stdexcept>
#include <string>

namespace quillon::modbus {

// A device file that cannot be read; the message reads "file:line: what is wrong".
class DeviceFileError : public std::runtime_error {
public:
    explicit DeviceFileError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace quillon::modbus
