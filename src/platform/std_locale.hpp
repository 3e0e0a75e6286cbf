// SPDX-License-Identifier: MIT
#pragma once

#include <locale>

#include "platform/locale.hpp"

namespace quillon {

// The environment's locale (LC_ALL, LC_NUMERIC, LANG); the classic locale when it names one
// this system does not have. A platform that keeps the user's decimal separator elsewhere
// passes it in.
class StdLocale final : public Locale {
public:
    StdLocale();
    explicit StdLocale(char decimal_point);
    std::string FormatGeneral(double value) override;

private:
    std::locale locale_;
};

}  // namespace quillon
