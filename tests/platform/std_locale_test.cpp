// SPDX-License-Identifier: MIT
#include "platform/std_locale.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

namespace quillon {
namespace {

// The general format as the platform writes it: 15 significant digits, a capital E.
TEST(StdLocaleTest, GeneralFormatWritesTheExponentWithACapital) {
    setenv("LC_ALL", "C", 1);
    StdLocale locale;
    const struct {
        double value;
        const char* text;
    } table[] = {{1e-7, "1E-07"}, {-2.5e20, "-2.5E+20"}, {12.5, "12.5"}, {2.00005, "2.00005"}};
    for (const auto& row : table) {
        EXPECT_EQ(locale.FormatGeneral(row.value), row.text);
    }
}

}  // namespace
}  // namespace quillon
