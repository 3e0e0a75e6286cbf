// SPDX-License-Identifier: MIT
#pragma once

#include "agent/mail_settings.hpp"

namespace quillon::agent {

// How long to wait before attempt `failures` + 1: doubling from the first delay up to the
// longest, then shortened by a random part of up to half (`random01` in [0, 1)), so that
// agents on many machines do not knock on a restarted server in step.
Seconds RetryDelay(int failures, Seconds first, Seconds longest, double random01);

}  // namespace quillon::agent
