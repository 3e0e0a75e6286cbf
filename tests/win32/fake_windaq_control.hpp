// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <ole2.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quillon::testing {

// One argument as the control received it.
struct ReceivedArgument {
    VARTYPE type = VT_EMPTY;  // with VT_BYREF when passed by reference
    double number = 0;
    std::string text;
};

struct ReceivedCall {
    DISPID id = 0;
    WORD flags = 0;
    std::vector<ReceivedArgument> arguments;  // in the caller's order
    std::vector<DISPID> named;
};

// What the fake control does and has seen; shared by every instance the class object makes.
struct FakeControlScript {
    std::vector<ReceivedCall> calls;
    std::map<DISPID, std::function<void(VARIANT&)>> results;
    std::map<DISPID, std::string> exception_texts;  // fail with DISP_E_EXCEPTION
    std::map<DISPID, HRESULT> failures;             // fail with this HRESULT
    bool offers_ole_object = true;
    // As many real controls: every dispatch call is refused until the control is active in
    // place, and the exit event comes from a timer of the control's own window.
    bool needs_in_place_activation = false;
    // Activation requests passed over, as by a container that leaves a control invisible at
    // run time inactive.
    int activations_ignored = 0;
    // "SetClientSite", "InitNew", "Activate", "Deactivate", "Close", "SetClientSite(0)",
    // "Released"
    std::vector<std::string> container_calls;
    std::vector<long> ambient_user_mode;  // what the site answered
    int live_instances = 0;
    int advised_sinks = 0;
    // Where the control's own window was at the last call: its top-level window's class.
    std::string window_root_class;
    // Fired from a timer once this many scan reads have been made (0: never).
    int fire_exit_after_reads = 0;
};

// Two channels; channel 0 crosses 3.3 every ten reads, so the default "#0>3.3" switches every
// output; the host exits after 60 reads.
void ScriptTwoChannelInstrument(FakeControlScript& script);

// An automation object that stands in for the host's control: registered for its ProgID in
// this process, it records every call and answers from the script.
class FakeWinDaqControlClass {
public:
    static const CLSID kClassId;
    static const IID kEventsId;

    // Registers the class object and the ProgID (HKEY_CLASSES_ROOT of the test's prefix).
    explicit FakeWinDaqControlClass(std::shared_ptr<FakeControlScript> script);
    ~FakeWinDaqControlClass();
    FakeWinDaqControlClass(const FakeWinDaqControlClass&) = delete;
    FakeWinDaqControlClass& operator=(const FakeWinDaqControlClass&) = delete;

    // Calls every advised sink with this event's dispatch id, now.
    static void FireEvent(DISPID id);
    // Removes the ProgID, as on a computer without the host program.
    static void UnregisterProgId();
    static void RegisterProgId();

private:
    DWORD cookie_ = 0;
};

}  // namespace quillon::testing
