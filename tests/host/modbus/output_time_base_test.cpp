// SPDX-License-Identifier: MIT
// Every host tells its output listener the same kind of number: seconds since the run's Start,
// not since the host was made nor since the computer started.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "case_name.hpp"
#include "headless/running_program.hpp"
#include "host/modbus/device_file_parser.hpp"
#include "host/modbus/modbus_host.hpp"
#include "host/modbus/test_server.hpp"
#include "host/sim/simulated_instrument.hpp"

namespace quillon {
namespace {

using testing::ModbusTestServer;
using testing::WaitUntil;

// A host with the clock it runs on.
class HostRig {
public:
    virtual ~HostRig() = default;
    virtual HostConnection& Connection() = 0;
    // Lets `span` pass on the host's clock.
    virtual void Pass(std::chrono::milliseconds span) = 0;
    // The host's clock, in seconds from any origin.
    virtual double Now() = 0;
};

// The simulated instrument on a clock the test moves, which reads a day since boot.
class SimulatedRig final : public HostRig {
public:
    SimulatedRig() : instrument_(Scenario(), [this] { return now_; }) {}
    HostConnection& Connection() override { return instrument_; }
    void Pass(std::chrono::milliseconds span) override {
        now_ += std::chrono::duration<double>(span).count();
    }
    double Now() override { return now_; }

private:
    static sim::Scenario Scenario() {
        std::istringstream text("channels 2\nscan-rate 100\n");
        return sim::ParseScenario(text, "rig");
    }
    double now_ = 86'400.0;
    sim::SimulatedInstrument instrument_;
};

// The Modbus host against the test peer, on the real steady clock.
class ModbusRig final : public HostRig {
public:
    ModbusRig() : host_(Device(server_)) {}
    HostConnection& Connection() override { return host_; }
    // Real time can only be waited out.
    void Pass(std::chrono::milliseconds span) override { std::this_thread::sleep_for(span); }
    double Now() override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

private:
    static modbus::DeviceDescription Device(const ModbusTestServer& server) {
        std::istringstream in("server 127.0.0.1 " + std::to_string(server.Port()) +
                              "\npoll-rate 100\ntimeout 0.2\nchannel 0 input-register 0\n"
                              "outputs coils 8\n");
        return modbus::DeviceFileParser("rig.dev").Parse(in);
    }
    ModbusTestServer server_;
    modbus::ModbusHost host_;
};

struct HostCase {
    const char* name;
    std::function<std::unique_ptr<HostRig>()> make;
};

class OutputTimeBase : public ::testing::TestWithParam<HostCase> {};

// The host is made half a second before the Start, and the first write comes a little after
// it: the listener hears no more than the time from the Start to the listener itself.
TEST_P(OutputTimeBase, TheFirstWriteAfterStartIsSecondsSinceTheStart) {
    const std::unique_ptr<HostRig> rig = GetParam().make();
    HostConnection& connection = rig->Connection();
    std::optional<double> heard;
    connection.SetOutputListener([&](double seconds, std::int16_t) { heard = seconds; });
    rig->Pass(std::chrono::milliseconds(500));

    const double start = rig->Now();
    connection.Control().PrepareAcquisition();
    rig->Pass(std::chrono::milliseconds(50));
    connection.Control().WriteDigitalOutputs(0x0081);
    ASSERT_TRUE(WaitUntil([&] {
        connection.Service();
        return heard.has_value();
    }));
    const double since_start = rig->Now() - start;

    EXPECT_GE(*heard, 0.05 - 1e-9);
    EXPECT_LE(*heard, since_start + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, OutputTimeBase,
    ::testing::Values(HostCase{"SimulatedInstrument",
                               [] { return std::make_unique<SimulatedRig>(); }},
                      HostCase{"Modbus", [] { return std::make_unique<ModbusRig>(); }}),
    [](const auto& info) { return testing::CaseName(info.param.name); });

}  // namespace
}  // namespace quillon
