// SPDX-License-Identifier: MIT
#include "platform/linux/std_locale.hpp"

#include <sstream>
#include <stdexcept>

namespace quillon {
namespace {

std::locale EnvironmentLocale() {
    try {
        return std::locale("");
    } catch (const std::runtime_error&) {
        return std::locale::classic();
    }
}

}  // namespace

StdLocale::StdLocale() : locale_(EnvironmentLocale()) {}

std::string StdLocale::FormatGeneral(double value) {
    std::ostringstream text;
    text.imbue(locale_);
    text.precision(15);
    text << value;
    return text.str();
}

}  // namespace quillon
