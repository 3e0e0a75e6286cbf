// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <ole2.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "host/host_connection.hpp"
#include "host/host_control.hpp"
#include "host/windaq/com_ptr.hpp"
#include "host/windaq/control_container.hpp"
#include "host/windaq/dispatch_call.hpp"

namespace quillon::windaq {

// The host's ActiveX control, hosted as a form would host it and called late-bound by dispatch
// id. COM is apartment-threaded on the thread that creates it; every call and the exit event
// happen there, and the event is passed on from Service(), never from inside the control's own
// call.
class WinDaqHost final : public HostControl, public HostConnection {
public:
    static constexpr const wchar_t* kProgId = L"WINDAQLib.WinDaq";

    // Raises HostError in words a user understands when the control cannot be created.
    WinDaqHost();
    ~WinDaqHost() override;

    void SetIdentification(const std::string& text) override;
    std::string Identification() override;
    std::int16_t ChannelCount() override;
    double HostValue() override;
    double UpperRange(std::int16_t channel) override;
    double LowerRange(std::int16_t channel) override;
    std::int32_t InstrumentModel(std::int16_t selector) override;
    std::int16_t DigitalInputMark(std::int16_t channel) override;
    void PrepareAcquisition() override;
    void CompleteStartup() override;
    void WriteDigitalOutputs(std::int16_t word) override;
    void ReadScans(std::int16_t scans, SampleBlock& block) override;
    // The same call; only the window's selected channels are converted out of the array.
    void ReadWindow(std::int16_t scans, WindowBlock& block) override;
    std::string ChannelText(std::int16_t channel) override;

    HostControl& Control() override { return *this; }
    void Service() override;
    void SetOutputListener(OutputListener listener) override {
        output_listener_ = std::move(listener);
    }
    void SetProblemListener(ProblemListener listener) override {
        problem_listener_ = std::move(listener);
    }
    bool Simulated() const override { return false; }

    // Moves the control onto this window (hidden, zero size), as onto a form; until then it
    // is on a hidden window of its own. It is deactivated when that window is destroyed.
    void MoveInto(HWND window);

private:
    class ComApartment {
    public:
        ComApartment();
        ~ComApartment();
        ComApartment(const ComApartment&) = delete;
        ComApartment& operator=(const ComApartment&) = delete;

    private:
        bool owned_ = false;
    };

    void CreateControl();
    void CreateWithoutContainer(const CLSID& id);
    void ListenForExit();
    bool FindSourceInterface(IID& source) const;
    void Call(DISPID id, WORD flags, const std::vector<DispatchArgument>& arguments);

    ComApartment apartment_;
    std::unique_ptr<ControlContainer> container_;  // empty for an object that is no control
    ComPtr<IUnknown> object_;
    ComPtr<IDispatch> control_;
    ComPtr<IConnectionPoint> events_;
    DWORD events_cookie_ = 0;
    DispatchResult result_;
    bool exit_heard_ = false;
    bool exit_passed_on_ = false;
    OutputListener output_listener_;
    ProblemListener problem_listener_;
    std::chrono::steady_clock::time_point made_ = std::chrono::steady_clock::now();
    std::optional<std::chrono::steady_clock::time_point> run_started_;  // first PrepareAcquisition
};

}  // namespace quillon::windaq
