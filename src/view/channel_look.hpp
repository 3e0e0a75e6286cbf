// SPDX-License-Identifier: MIT
#pragma once

#include <string>

namespace quillon {

class HostControl;

// What the plot needs to know of a channel besides its samples.
struct ChannelLook {
    std::string text;
    double upper = 10.0;  // the two range values; the trace is scaled between them
    double lower = -10.0;
};

// The channel's text and range values as the host gives them; a host that cannot say leaves
// the default look ("Channel n", -10 to 10), and the samples still show.
ChannelLook ReadChannelLook(HostControl& host, int channel);

}  // namespace quillon
