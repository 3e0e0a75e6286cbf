// SPDX-License-Identifier: MIT
#include "host/windaq/control_container.hpp"

#include <windows.h>

#include <ole2.h>

#include <string>

#include "host/host_error.hpp"
#include "platform/win32/com_text.hpp"

namespace quillon::windaq {
namespace {

constexpr const wchar_t* kHolderClass = L"QuillonControlHolder";

using AxWinInit = BOOL(WINAPI*)();
using AxCreateControlEx = HRESULT(WINAPI*)(LPCOLESTR name, HWND window, IStream* stream,
                                           IUnknown** container, IUnknown** control,
                                           const IID& sink_interface, IUnknown* sink);

// The system's container, loaded once for the process and never unloaded: the windows it
// subclasses run its code for as long as they live.
struct ContainerLibrary {
    AxCreateControlEx create = nullptr;
    std::string problem;
};

template <typename Function>
Function Entry(HMODULE library, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(::GetProcAddress(library, name)));
}

ContainerLibrary LoadContainerLibrary() {
    ContainerLibrary loaded;
    // From the system folder only: a DLL of that name beside the program or in the current
    // folder is never the system's.
    wchar_t folder[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring path = std::wstring(folder, length) + L"\\atl.dll";
    const HMODULE library = length > 0 ? ::LoadLibraryW(path.c_str()) : nullptr;
    if (library == nullptr) {
        loaded.problem = "the system's ActiveX container (atl.dll) cannot be loaded: " +
                         HresultText(HRESULT_FROM_WIN32(::GetLastError()));
        return loaded;
    }
    const auto init = Entry<AxWinInit>(library, "AtlAxWinInit");
    loaded.create = Entry<AxCreateControlEx>(library, "AtlAxCreateControlEx");
    if (init == nullptr || loaded.create == nullptr) {
        loaded.problem = "the system's ActiveX container (atl.dll) lacks AtlAxCreateControlEx";
        loaded.create = nullptr;
        return loaded;
    }
    init();  // its window classes and messages; false when they are already there
    return loaded;
}

const ContainerLibrary& Library() {
    static const ContainerLibrary library = LoadContainerLibrary();
    return library;
}

void RegisterHolderClass(WNDPROC procedure) {
    WNDCLASSEXW holder_class{};
    holder_class.cbSize = sizeof(holder_class);
    holder_class.lpfnWndProc = procedure;
    holder_class.hInstance = ::GetModuleHandleW(nullptr);
    holder_class.lpszClassName = kHolderClass;
    ::RegisterClassExW(&holder_class);  // fails harmlessly when an earlier container made it
}

HWND HiddenWindow(const wchar_t* window_class, DWORD style, HWND parent) {
    HWND window = ::CreateWindowExW(0, window_class, L"", style, 0, 0, 0, 0, parent, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
    if (window == nullptr) {
        throw HostError("cannot make a window for the host's control: " +
                        HresultText(HRESULT_FROM_WIN32(::GetLastError())));
    }
    return window;
}

std::wstring ClassText(const CLSID& id) {
    LPOLESTR text = nullptr;
    if (FAILED(::StringFromCLSID(id, &text))) {
        return {};
    }
    std::wstring copy = text;
    ::CoTaskMemFree(text);
    return copy;
}

}  // namespace

ControlContainer::ControlContainer() {
    if (!Library().problem.empty()) {
        throw HostError(Library().problem);
    }
    RegisterHolderClass(&HolderProcedure);
    form_ = HiddenWindow(L"Static", WS_POPUP, nullptr);
    try {
        holder_ = HiddenWindow(kHolderClass, WS_CHILD, form_);
        site_ = HiddenWindow(L"Static", WS_CHILD, holder_);
    } catch (...) {
        ::DestroyWindow(form_);
        throw;
    }
    ::SetWindowLongPtrW(holder_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

ControlContainer::~ControlContainer() {
    Deactivate();
    if (holder_ != nullptr) {
        ::DestroyWindow(holder_);  // with the container's window inside it
    }
    ::DestroyWindow(form_);
    container_.Reset();
    control_.Reset();
}

HRESULT ControlContainer::Host(const CLSID& control_class) {
    // By class id, never by name: a name the container does not know as a control it may take
    // for a web address.
    const std::wstring name = ClassText(control_class);
    if (name.empty()) {
        return E_OUTOFMEMORY;
    }
    // The container's own reference keeps it: without it, it lets go of the control at once.
    const HRESULT result = Library().create(name.c_str(), site_, nullptr, container_.Out(),
                                            control_.Out(), IID_NULL, nullptr);
    if (SUCCEEDED(result) && !control_) {
        return E_NOINTERFACE;
    }
    if (SUCCEEDED(result)) {
        ActivateInPlace();
    }
    return result;
}

// The system's container may leave a control that calls itself invisible at run time inactive;
// a form activates it all the same, and so does this (an active control takes it as done).
void ControlContainer::ActivateInPlace() {
    const auto ole_object = control_.As<IOleObject>(IID_IOleObject);
    ComPtr<IOleClientSite> site;
    if (!ole_object || FAILED(ole_object->GetClientSite(site.Out())) || !site) {
        return;
    }
    RECT area{};
    ole_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, site_, &area);
}

void ControlContainer::MoveInto(HWND parent) {
    if (holder_ != nullptr && parent != nullptr) {
        ::SetParent(holder_, parent);
    }
}

void ControlContainer::Deactivate() {
    if (deactivated_ || !control_) {
        return;
    }
    deactivated_ = true;
    if (const auto in_place = control_.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
        in_place->InPlaceDeactivate();
    }
    if (const auto ole_object = control_.As<IOleObject>(IID_IOleObject)) {
        ole_object->Close(OLECLOSE_NOSAVE);
        ole_object->SetClientSite(nullptr);
    }
}

// Children hear of their end after their parent: the control is deactivated here, before the
// container's window goes.
LRESULT CALLBACK ControlContainer::HolderProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        if (auto* container =
                reinterpret_cast<ControlContainer*>(::GetWindowLongPtrW(window, GWLP_USERDATA))) {
            container->Deactivate();
            container->holder_ = nullptr;
        }
    }
    return ::DefWindowProcW(window, message, w, l);
}

}  // namespace quillon::windaq
