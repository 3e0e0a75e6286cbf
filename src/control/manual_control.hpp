// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "control/event_sink.hpp"
#include "control/force_write.hpp"
#include "control/instance_facts.hpp"
#include "host/host_control.hpp"
#include "panel/panel.hpp"

namespace quillon {

// The operator's direct control: the manual output word that the check boxes D(n) drive, and
// the window keys that move the mode switches. The manual word is kept apart from the scan
// cycle's output word; the two share only the forced write and the layout.
class ManualControl {
public:
    ManualControl(Panel& panel, ForceWrite& force_write, const InstanceFacts& facts,
                  HostControl& host)
        : panel_(panel), force_write_(force_write), facts_(facts), host_(host) {}

    // D(output) changed: updates both manual words and writes the form in use when it changed
    // or a write is forced. A failing write ends nothing: its reason comes back, and the
    // forced write and the last-written value stay, so that the next change writes again.
    std::optional<std::string> ManualOutputChanged(int output);
    void SetEventSink(EventSink* events) { events_ = events; }
    // A character typed in the window: its key moves a mode switch (the Panel then runs the
    // switch change). The character is not consumed.
    void CharacterTyped(char character);

    std::int16_t ManualWord() const { return manual_word_; }
    // Always -32768 to 32767: DOUT 7 is the sign of the 16-bit form.
    std::int32_t ManualHighByteWord() const { return manual_high_byte_word_; }
    std::int16_t LastWrittenManualWord() const { return last_written_manual_word_; }
    std::int32_t LastWrittenManualHighByteWord() const {
        return last_written_manual_high_byte_word_;
    }

private:
    void UpdateWords(int output, bool on);
    std::optional<std::string> WriteFormInUse();
    std::optional<std::string> Write(std::int16_t word, bool high_byte);

    Panel& panel_;
    ForceWrite& force_write_;
    const InstanceFacts& facts_;
    HostControl& host_;
    NoEventSink no_events_;
    EventSink* events_ = &no_events_;
    std::int16_t manual_word_ = 0;
    std::int32_t manual_high_byte_word_ = 0;
    std::int16_t last_written_manual_word_ = 0;
    std::int32_t last_written_manual_high_byte_word_ = 0;
};

}  // namespace quillon
