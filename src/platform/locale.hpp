// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quillon {

// The user's number conventions.
class Locale {
public:
    virtual ~Locale() = default;
    // The number in the locale's general format, as a spreadsheet or Format() would show it.
    virtual std::string FormatGeneral(double value) = 0;
};

}  // namespace quillon
