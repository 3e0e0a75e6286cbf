// SPDX-License-Identifier: MIT
#include "control/event_sink.hpp"

namespace quillon {

std::string_view ChangeSourceName(ChangeSource source) {
    switch (source) {
        case ChangeSource::Key:
            return "key";
        case ChangeSource::HotKey:
            return "hot key";
        case ChangeSource::Settings:
            return "settings";
        case ChangeSource::Window:
            break;
    }
    return "window";
}

std::string_view AckSourceName(AckSource source) {
    switch (source) {
        case AckSource::HotKey:
            return "hot key";
        case AckSource::Signal:
            return "signal";
        case AckSource::Console:
            return "console";
        case AckSource::Replay:
            return "replay";
        case AckSource::Window:
            break;
    }
    return "window";
}

}  // namespace quillon
