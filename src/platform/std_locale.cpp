// SPDX-License-Identifier: MIT
#include "platform/std_locale.hpp"

#include <sstream>
#include <stdexcept>

namespace quillon {
namespace {

// The locale's decimal point without its digit grouping: a general number is "12345.5", never
// "12,345.5", so that it reads back as the same number.
class UngroupedNumbers final : public std::numpunct<char> {
public:
    explicit UngroupedNumbers(char point) : point_(point) {}

protected:
    char do_decimal_point() const override { return point_; }
    std::string do_grouping() const override { return ""; }

private:
    char point_;
};

std::locale WithDecimalPoint(const std::locale& base, char point) {
    return std::locale(base, new UngroupedNumbers(point));
}

std::locale EnvironmentLocale() {
    std::locale environment = std::locale::classic();
    try {
        environment = std::locale("");
    } catch (const std::runtime_error&) {
        // An unknown locale name: the classic one.
    }
    const char point = std::use_facet<std::numpunct<char>>(environment).decimal_point();
    return WithDecimalPoint(environment, point);
}

}  // namespace

StdLocale::StdLocale() : locale_(EnvironmentLocale()) {}

StdLocale::StdLocale(char decimal_point)
    : locale_(WithDecimalPoint(std::locale::classic(), decimal_point)) {}

std::string StdLocale::FormatGeneral(double value) {
    std::ostringstream text;
    text.imbue(locale_);
    text.precision(15);
    text << value;
    std::string general = text.str();
    // The platform writes the exponent with a capital: 1E-07.
    if (const std::size_t e = general.find('e'); e != std::string::npos) {
        general[e] = 'E';
    }
    return general;
}

}  // namespace quillon
