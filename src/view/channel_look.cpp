// SPDX-License-Identifier: MIT
#include "view/channel_look.hpp"

#include <cstdint>

#include "host/host_control.hpp"
#include "host/host_error.hpp"

namespace quillon {

ChannelLook ReadChannelLook(HostControl& host, int channel) {
    const auto index = static_cast<std::int16_t>(channel);
    ChannelLook look{"Channel " + std::to_string(channel)};
    try {
        look.text = host.ChannelText(index);
        look.upper = host.UpperRange(index);
        look.lower = host.LowerRange(index);
    } catch (const HostError&) {
        // What was read before the failure stays; the rest keeps its default.
    }
    return look;
}

}  // namespace quillon
