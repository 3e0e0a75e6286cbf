// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <iosfwd>

#include "panel/panel.hpp"

namespace quillon {

// Prints what an operator would see change on the window, one timestamped line each:
// lamps, run state, modes, and status notices (on the error stream).
class ConsolePrinter final : public PanelObserver {
public:
    ConsolePrinter(const Panel& panel, std::ostream& out, std::ostream& err);
    void PanelChanged(PanelField field, int slot) override;
    void OutputWritten(double seconds, std::int16_t word);
    void Line(const std::string& text);

private:
    const Panel& panel_;
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace quillon
