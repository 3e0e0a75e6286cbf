// SPDX-License-Identifier: MIT
#include "platform/linux/std_clock.hpp"
