// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <memory>

#include "app/application.hpp"
#include "platform/platform.hpp"
#include "ui/headless/console_printer.hpp"

namespace quillon {

// Acknowledgements without a window, looked at between ticks: SIGUSR1 acknowledges every
// latched slot; a line "ack N" or "ack all" on standard input (a terminal or a pipe) the one
// slot or all. Each request says on the console what it ended.
class OperatorRequests {
public:
    OperatorRequests(Application& application, ConsolePrinter& notices,
                     std::unique_ptr<ConsoleInput> input);
    void Service();

private:
    void Acknowledge(int slot, AckSource source, const std::string& what);

    Application& application_;
    ConsolePrinter& notices_;
    std::unique_ptr<ConsoleInput> input_;
    std::uint64_t signals_seen_;
};

}  // namespace quillon
