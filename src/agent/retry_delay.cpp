// SPDX-License-Identifier: MIT
#include "agent/retry_delay.hpp"

#include <algorithm>

namespace quillon::agent {

Seconds RetryDelay(int failures, Seconds first, Seconds longest, double random01) {
    Seconds delay = first;
    for (int doubling = 1; doubling < failures && delay < longest; ++doubling) {
        delay *= 2;
    }
    delay = std::min(delay, longest);
    return delay * (1.0 - 0.5 * random01);
}

}  // namespace quillon::agent
