// SPDX-License-Identifier: MIT
#include "platform/win32/win32_locale.hpp"

#include <windows.h>

namespace quillon {

Win32Locale::Win32Locale() : numbers_(UserDecimalSeparator()) {}

char Win32Locale::UserDecimalSeparator() {
    char separator[8] = {};
    const int length =
        ::GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, sizeof separator);
    return length > 1 ? separator[0] : '.';
}

}  // namespace quillon
