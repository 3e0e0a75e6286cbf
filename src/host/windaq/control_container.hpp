// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <ole2.h>
#include <unknwn.h>

#include "host/windaq/com_ptr.hpp"

namespace quillon::windaq {

// Holds one ActiveX control the way a form holds it: in the system's own control container
// (atl.dll, loaded at run time), on a hidden, zero-size window, active in place. Many
// controls make their hidden window, timers and event posting only once they are active in
// place, as they always are on a form.
//
// The windows: a hidden top-level window of its own, a zero-size holder inside it that can
// move into another window, and the container's window inside the holder. The control is
// deactivated and unsited before anything else of it goes: when this object ends, or when the
// window the holder was moved into is destroyed with its children.
class ControlContainer {
public:
    // Raises HostError when the system's container or the windows cannot be had.
    ControlContainer();
    ~ControlContainer();
    ControlContainer(const ControlContainer&) = delete;
    ControlContainer& operator=(const ControlContainer&) = delete;

    // Creates the control of this class in the container and activates it in place. The
    // creation's result: E_NOINTERFACE for an object that is no control (it has no IOleObject).
    HRESULT Host(const CLSID& control_class);
    // The control created by Host(), empty before.
    ComPtr<IUnknown> Control() const { return control_; }

    // Makes the holder a hidden, zero-size child of `parent`: the control then lives on that
    // window, as on a form, and goes when it goes.
    void MoveInto(HWND parent);
    // Deactivates and unsites the control; once only.
    void Deactivate();

private:
    void ActivateInPlace();
    static LRESULT CALLBACK HolderProcedure(HWND window, UINT message, WPARAM w, LPARAM l);

    HWND form_ = nullptr;
    HWND holder_ = nullptr;
    HWND site_ = nullptr;
    ComPtr<IUnknown> container_;
    ComPtr<IUnknown> control_;
    bool deactivated_ = false;
};

}  // namespace quillon::windaq
