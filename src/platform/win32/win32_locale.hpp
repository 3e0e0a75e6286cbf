// SPDX-License-Identifier: MIT
#pragma once

#include "platform/locale.hpp"
#include "platform/std_locale.hpp"

namespace quillon {

// The user's decimal separator from the regional settings.
class Win32Locale final : public Locale {
public:
    Win32Locale();
    std::string FormatGeneral(double value) override { return numbers_.FormatGeneral(value); }

    // The separator's first character, "." when the setting cannot be read.
    static char UserDecimalSeparator();

private:
    StdLocale numbers_;
};

}  // namespace quillon
