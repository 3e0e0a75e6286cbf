// SPDX-License-Identifier: MIT
#include "host/windaq/windaq_host.hpp"

#include <windows.h>

#include <ocidl.h>
#include <olectl.h>

#include <chrono>

#include "host/host_error.hpp"
#include "host/windaq/event_sink.hpp"
#include "host/windaq/safe_array_reader.hpp"
#include "platform/win32/com_text.hpp"

namespace quillon::windaq {
namespace {

// The dispatch ids the control offers.
enum : DISPID {
    kIdentification = 1,
    kChannelCount = 2,
    kHostValue = 3,
    kUpperRange = 6,
    kLowerRange = 7,
    kInstrumentModel = 8,
    kDigitalInputMark = 12,
    kPrepareAcquisition = 14,
    kCompleteStartup = 15,
    kWriteDigitalOutputs = 16,
    kReadScans = 20,
    kChannelText = 21,
};

// A call with a result: VB's late binding asks for a method or a property get alike.
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

std::string NotInstalled(HRESULT result) {
    const std::string bits = sizeof(void*) == 8
                                 ? " Quillon is a 64-bit program here and the host's control is "
                                   "32-bit: use the 32-bit Quillon."
                                 : "";
    return "the host's control (WINDAQLib.WinDaq) is not installed on this computer: install "
           "the host program (WinDaq), or repair its installation." +
           bits + " (" + HresultText(result) + ")";
}

[[noreturn]] void ThrowCreationFailure(HRESULT result) {
    if (result == REGDB_E_CLASSNOTREG || result == CO_E_DLLNOTFOUND ||
        result == HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) ||
        result == HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT)) {
        throw HostError(NotInstalled(result));
    }
    throw HostError("cannot create the host's control (WINDAQLib.WinDaq): " + HresultText(result));
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

// OLE, not only COM, as on a form's thread: in-place activation needs it.
WinDaqHost::ComApartment::ComApartment() {
    const HRESULT result = ::OleInitialize(nullptr);
    if (FAILED(result)) {
        throw HostError("cannot start COM for the host's control: " + HresultText(result));
    }
    owned_ = true;
}

WinDaqHost::ComApartment::~ComApartment() {
    if (owned_) {
        ::OleUninitialize();
    }
}

WinDaqHost::WinDaqHost() {
    CreateControl();
    ListenForExit();
}

WinDaqHost::~WinDaqHost() {
    // Everything the control holds of ours goes before the control, and the control goes
    // before COM does (the apartment is the last member to end).
    if (events_) {
        events_->Unadvise(events_cookie_);
        events_.Reset();
    }
    container_.reset();  // deactivated and unsited, its windows gone
    ::VariantClear(result_.Out());
    control_.Reset();
    object_.Reset();
}

void WinDaqHost::CreateControl() {
    CLSID id{};
    HRESULT result = ::CLSIDFromProgID(kProgId, &id);
    if (FAILED(result)) {
        throw HostError(NotInstalled(result));
    }
    container_ = std::make_unique<ControlContainer>();
    result = container_->Host(id);
    if (result == E_NOINTERFACE) {
        // An automation object that is no control: nothing to activate, used by dispatch alone.
        container_.reset();
        CreateWithoutContainer(id);
    } else if (FAILED(result)) {
        ThrowCreationFailure(result);
    } else {
        object_ = container_->Control();
    }
    control_ = object_.As<IDispatch>(IID_IDispatch);
    if (!control_) {
        throw HostError("the host's control (WINDAQLib.WinDaq) offers no automation interface");
    }
}

void WinDaqHost::CreateWithoutContainer(const CLSID& id) {
    const HRESULT result = ::CoCreateInstance(
        id, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown, object_.OutVoid());
    if (FAILED(result)) {
        ThrowCreationFailure(result);
    }
}

void WinDaqHost::MoveInto(HWND window) {
    if (container_) {
        container_->MoveInto(window);
    }
}

void WinDaqHost::ListenForExit() {
    IID source{};
    const auto container = object_.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!container || !FindSourceInterface(source) ||
        FAILED(container->FindConnectionPoint(source, events_.Out()))) {
        return;  // a control without events: its exit is not heard
    }
    ComPtr<IDispatch> sink;
    *sink.Out() = new EventSink(source, [this] { exit_heard_ = true; });
    if (FAILED(events_->Advise(sink.Get(), &events_cookie_))) {
        events_.Reset();
    }
}

bool WinDaqHost::FindSourceInterface(IID& source) const {
    if (const auto info = object_.As<IProvideClassInfo2>(IID_IProvideClassInfo2)) {
        if (SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source))) {
            return true;
        }
    }
    const auto provider = object_.As<IProvideClassInfo>(IID_IProvideClassInfo);
    ComPtr<ITypeInfo> coclass;
    if (!provider || FAILED(provider->GetClassInfo(coclass.Out()))) {
        return false;
    }
    TYPEATTR* attributes = nullptr;
    if (FAILED(coclass->GetTypeAttr(&attributes))) {
        return false;
    }
    bool found = false;
    for (UINT i = 0; i < attributes->cImplTypes && !found; ++i) {
        INT flags = 0;
        HREFTYPE reference = 0;
        ComPtr<ITypeInfo> interface_info;
        TYPEATTR* interface_attributes = nullptr;
        if (SUCCEEDED(coclass->GetImplTypeFlags(i, &flags)) &&
            (flags & (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE)) ==
                (IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE) &&
            SUCCEEDED(coclass->GetRefTypeOfImplType(i, &reference)) &&
            SUCCEEDED(coclass->GetRefTypeInfo(reference, interface_info.Out())) &&
            SUCCEEDED(interface_info->GetTypeAttr(&interface_attributes))) {
            source = interface_attributes->guid;
            interface_info->ReleaseTypeAttr(interface_attributes);
            found = true;
        }
    }
    coclass->ReleaseTypeAttr(attributes);
    return found;
}

void WinDaqHost::Call(DISPID id, WORD flags, const std::vector<DispatchArgument>& arguments) {
    InvokeDispatch(*control_.Get(), id, flags, arguments, result_);
}

void WinDaqHost::SetIdentification(const std::string& text) {
    Call(kIdentification, DISPATCH_PROPERTYPUT, {Text(text)});
}

std::string WinDaqHost::Identification() {
    Call(kIdentification, DISPATCH_PROPERTYGET, {});
    return result_.ToText(kIdentification);
}

std::int16_t WinDaqHost::ChannelCount() {
    Call(kChannelCount, DISPATCH_PROPERTYGET, {});
    return result_.ToShort(kChannelCount);
}

double WinDaqHost::HostValue() {
    Call(kHostValue, kCall, {});
    return result_.ToDouble(kHostValue);
}

double WinDaqHost::UpperRange(std::int16_t channel) {
    Call(kUpperRange, kCall, {ShortByReference(channel)});
    return result_.ToDouble(kUpperRange);
}

double WinDaqHost::LowerRange(std::int16_t channel) {
    Call(kLowerRange, kCall, {ShortByReference(channel)});
    return result_.ToDouble(kLowerRange);
}

std::int32_t WinDaqHost::InstrumentModel(std::int16_t selector) {
    Call(kInstrumentModel, kCall, {Short(selector)});
    return result_.ToLong(kInstrumentModel);
}

std::int16_t WinDaqHost::DigitalInputMark(std::int16_t channel) {
    Call(kDigitalInputMark, kCall, {Short(channel)});
    return result_.ToShort(kDigitalInputMark);
}

void WinDaqHost::PrepareAcquisition() {
    if (!run_started_) {
        run_started_ = std::chrono::steady_clock::now();
    }
    Call(kPrepareAcquisition, kCall, {});
}

void WinDaqHost::CompleteStartup() {
    Call(kCompleteStartup, kCall, {});
}

void WinDaqHost::WriteDigitalOutputs(std::int16_t word) {
    Call(kWriteDigitalOutputs, kCall, {Short(word)});
    if (output_listener_) {
        output_listener_(SecondsSince(run_started_.value_or(made_)), word);
    }
}

void WinDaqHost::ReadScans(std::int16_t scans, SampleBlock& block) {
    Call(kReadScans, kCall, {Short(scans), Long(1)});
    ReadScanArray(result_.Value(), block);
}

void WinDaqHost::ReadWindow(std::int16_t scans, WindowBlock& block) {
    Call(kReadScans, kCall, {Short(scans), Long(1)});
    ReadScanArray(result_.Value(), block);
}

std::string WinDaqHost::ChannelText(std::int16_t channel) {
    Call(kChannelText, kCall, {ShortByReference(channel)});
    return result_.ToText(kChannelText);
}

void WinDaqHost::Service() {
    if (exit_heard_ && !exit_passed_on_) {
        exit_passed_on_ = true;
        NotifyExit();
    }
}

}  // namespace quillon::windaq
