// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "host/host_control.hpp"

namespace quillon {

// A selected host as the front ends see it: its HostControl operations, and what any host may
// need from a front end besides them. Front ends use this and never a concrete host.
class HostConnection {
public:
    using OutputListener = std::function<void(double seconds, std::int16_t word)>;
    using ProblemListener = std::function<void(const std::string& problem)>;

    virtual ~HostConnection() = default;

    virtual HostControl& Control() = 0;
    // Work the host does between ticks (a scripted exit, news from a poller); never blocks.
    virtual void Service() = 0;
    // Every digital-output word the instrument took, at seconds since the run's Start: the
    // host's first PrepareAcquisition (start-up's, just before its Start), on the host's own
    // clock, so that every host's listener reads the same kind of number.
    virtual void SetOutputListener(OutputListener listener) = 0;
    // What went wrong inside the host without failing a call, for the operator.
    virtual void SetProblemListener(ProblemListener listener) = 0;
    // A simulated instrument has no panel of its own, so a front end shows its outputs.
    virtual bool Simulated() const = 0;
    // Asked while the host waits for a device (at start-up, at Start): true ends the wait at
    // once, so that a stop request is never held up by the network.
    virtual void SetStopProbe(std::function<bool()> /*stop_requested*/) {}
    // A host that hands output words on to a device and learns later whether it took them
    // tells each answer: the word, and the device's refusal (empty: it took it).
    using WriteConfirmation = std::function<void(std::int16_t word, const std::string& refusal)>;
    virtual bool ConfirmsWritesLater() const { return false; }
    virtual void SetWriteConfirmationListener(WriteConfirmation /*listener*/) {}
    // Whether the host answers now, so that a run stopped by a host failure can be started
    // again; never blocks.
    virtual bool Answering() { return true; }
};

}  // namespace quillon
