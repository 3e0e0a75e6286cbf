// SPDX-License-Identifier: MIT
#include "fake_windaq_control.hpp"

#include <windows.h>

#include <olectl.h>

#include <stdexcept>
#include <utility>

#include "platform/win32/com_text.hpp"

namespace quillon::testing {

// {5C0E4A61-7D1B-4B2E-9F0A-3A1E6B7C9D01}
const CLSID FakeWinDaqControlClass::kClassId = {
    0x5c0e4a61, 0x7d1b, 0x4b2e, {0x9f, 0x0a, 0x3a, 0x1e, 0x6b, 0x7c, 0x9d, 0x01}};
// {5C0E4A61-7D1B-4B2E-9F0A-3A1E6B7C9D02}
const IID FakeWinDaqControlClass::kEventsId = {
    0x5c0e4a61, 0x7d1b, 0x4b2e, {0x9f, 0x0a, 0x3a, 0x1e, 0x6b, 0x7c, 0x9d, 0x02}};

namespace {

std::shared_ptr<FakeControlScript> script;
std::map<DWORD, IDispatch*> sinks;
DWORD next_cookie = 1;
int reads_seen = 0;

ReceivedArgument Received(const VARIANT& argument) {
    ReceivedArgument received{V_VT(&argument), 0, {}};
    VARIANT value;
    ::VariantInit(&value);
    // VariantCopyInd reads through a reference.
    ::VariantCopyInd(&value, const_cast<VARIANT*>(&argument));
    if (V_VT(&value) == VT_BSTR) {
        received.text = NarrowText(V_BSTR(&value));
    } else if (SUCCEEDED(::VariantChangeType(&value, &value, 0, VT_R8))) {
        received.number = V_R8(&value);
    }
    ::VariantClear(&value);
    return received;
}

void CALLBACK FireExitFromTimer(HWND window, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(window, timer);
    FakeWinDaqControlClass::FireEvent(10);
}

std::string ClassOf(HWND window) {
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// Base for the small objects: one reference count.
class RefCounted {
protected:
    ULONG references_ = 1;
};

class FakeConnectionPoint final : public IConnectionPoint, RefCounted {
public:
    explicit FakeConnectionPoint(IConnectionPointContainer* container) : container_(container) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
            *object = static_cast<IConnectionPoint*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
        *iid = FakeWinDaqControlClass::kEventsId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** c) override {
        *c = container_;
        container_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
        IDispatch* dispatch = nullptr;
        if (FAILED(sink->QueryInterface(FakeWinDaqControlClass::kEventsId,
                                        reinterpret_cast<void**>(&dispatch)))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        *cookie = next_cookie++;
        sinks[*cookie] = dispatch;
        ++script->advised_sinks;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
        const auto sink = sinks.find(cookie);
        if (sink == sinks.end()) {
            return CONNECT_E_NOCONNECTION;
        }
        sink->second->Release();
        sinks.erase(sink);
        --script->advised_sinks;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

private:
    IConnectionPointContainer* container_;
};

class FakeControl final : public IDispatch,
                          public IConnectionPointContainer,
                          public IProvideClassInfo2,
                          public IOleObject,
                          public IPersistStreamInit,
                          public IOleInPlaceObject,
                          RefCounted {
public:
    FakeControl() { ++script->live_instances; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
            *object = static_cast<IDispatch*>(this);
        } else if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
            *object = static_cast<IConnectionPointContainer*>(this);
        } else if (IsEqualIID(iid, IID_IProvideClassInfo2) ||
                   IsEqualIID(iid, IID_IProvideClassInfo)) {
            *object = static_cast<IProvideClassInfo2*>(this);
        } else if (script->offers_ole_object && IsEqualIID(iid, IID_IOleObject)) {
            *object = static_cast<IOleObject*>(this);
        } else if (script->offers_ole_object && IsEqualIID(iid, IID_IPersistStreamInit)) {
            *object = static_cast<IPersistStreamInit*>(this);
        } else if (script->needs_in_place_activation &&
                   (IsEqualIID(iid, IID_IOleInPlaceObject) || IsEqualIID(iid, IID_IOleWindow))) {
            *object = static_cast<IOleInPlaceObject*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            --script->live_instances;
            script->container_calls.push_back("Released");
            delete this;
        }
        return left;
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* parameters,
                                     VARIANT* result, EXCEPINFO* exception, UINT*) override {
        Record(id, flags, *parameters);
        if (script->needs_in_place_activation && window_ == nullptr) {
            *exception = EXCEPINFO{};
            exception->bstrDescription = ::SysAllocString(L"the control is not active");
            exception->scode = E_UNEXPECTED;
            return DISP_E_EXCEPTION;
        }
        if (window_ != nullptr) {
            script->window_root_class = ClassOf(::GetAncestor(window_, GA_ROOT));
        }
        if (const auto text = script->exception_texts.find(id);
            text != script->exception_texts.end()) {
            *exception = EXCEPINFO{};
            exception->bstrDescription = ::SysAllocString(WideText(text->second).c_str());
            exception->scode = E_FAIL;
            return DISP_E_EXCEPTION;
        }
        if (const auto failure = script->failures.find(id); failure != script->failures.end()) {
            return failure->second;
        }
        if (id == 20 && script->fire_exit_after_reads > 0 &&
            ++reads_seen == script->fire_exit_after_reads) {
            ::SetTimer(window_, 1, 1, FireExitFromTimer);  // no window: a thread timer
        }
        if (const auto answer = script->results.find(id);
            answer != script->results.end() && result != nullptr) {
            answer->second(*result);
        }
        return S_OK;
    }

    // IConnectionPointContainer
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override {
        if (!IsEqualIID(iid, FakeWinDaqControlClass::kEventsId)) {
            *point = nullptr;
            return CONNECT_E_NOCONNECTION;
        }
        *point = new FakeConnectionPoint(this);
        return S_OK;
    }

    // IProvideClassInfo2
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) override {
        *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetGUID(DWORD kind, GUID* guid) override {
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) {
            return E_INVALIDARG;
        }
        *guid = FakeWinDaqControlClass::kEventsId;
        return S_OK;
    }

    // IOleObject: what a hosted control is told; the rest is declined.
    HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* site) override {
        script->container_calls.push_back(site != nullptr ? "SetClientSite" : "SetClientSite(0)");
        if (site != nullptr) {
            site->AddRef();
            AskUserMode(*site);
        }
        if (site_ != nullptr) {
            site_->Release();
        }
        site_ = site;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite** site) override {
        *site = site_;
        if (site_ == nullptr) {
            return E_FAIL;
        }
        site_->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Close(DWORD) override {
        script->container_calls.push_back("Close");
        if (window_ != nullptr) {
            InPlaceDeactivate();
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* site, LONG, HWND,
                                     LPCRECT) override {
        if (!script->needs_in_place_activation) {
            return E_NOTIMPL;
        }
        if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW) {
            return OLEOBJ_S_INVALIDVERB;
        }
        if (script->activations_ignored > 0) {
            --script->activations_ignored;
            return S_OK;
        }
        return window_ != nullptr ? S_OK : ActivateInPlace(site);
    }
    HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
        *status = OLEMISC_SETCLIENTSITEFIRST | OLEMISC_INVISIBLEATRUNTIME;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IPersistStreamInit
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* id) override {
        *id = FakeWinDaqControlClass::kClassId;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPSTREAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Save(LPSTREAM, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InitNew() override {
        script->container_calls.push_back("InitNew");
        return S_OK;
    }

    // IOleInPlaceObject
    HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
        *window = window_;
        return window_ != nullptr ? S_OK : E_FAIL;
    }
    HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InPlaceDeactivate() override {
        if (window_ == nullptr) {
            return S_OK;
        }
        script->container_calls.push_back("Deactivate");
        ::DestroyWindow(std::exchange(window_, nullptr));
        in_place_site_->OnInPlaceDeactivate();
        std::exchange(in_place_site_, nullptr)->Release();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UIDeactivate() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetObjectRects(LPCRECT, LPCRECT) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ReactivateAndUndo() override { return E_NOTIMPL; }

private:
    // What an in-place control does: asks its site, makes its own window on the site's.
    HRESULT ActivateInPlace(IOleClientSite* site) {
        IOleInPlaceSite* in_place_site = nullptr;
        if (site == nullptr ||
            FAILED(site->QueryInterface(IID_IOleInPlaceSite,
                                        reinterpret_cast<void**>(&in_place_site)))) {
            return E_NOINTERFACE;
        }
        HWND parent = nullptr;
        IOleInPlaceFrame* frame = nullptr;
        IOleInPlaceUIWindow* document = nullptr;
        RECT position{};
        RECT clip{};
        OLEINPLACEFRAMEINFO frame_info{sizeof(frame_info), FALSE, nullptr, nullptr, 0};
        if (in_place_site->CanInPlaceActivate() != S_OK ||
            FAILED(in_place_site->OnInPlaceActivate()) ||
            FAILED(in_place_site->GetWindow(&parent)) ||
            FAILED(in_place_site->GetWindowContext(&frame, &document, &position, &clip,
                                                   &frame_info))) {
            in_place_site->Release();
            return E_FAIL;
        }
        for (IUnknown* part : {static_cast<IUnknown*>(frame), static_cast<IUnknown*>(document)}) {
            if (part != nullptr) {
                part->Release();
            }
        }
        window_ = ::CreateWindowExW(0, L"Static", L"", WS_CHILD, 0, 0, 0, 0, parent, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        in_place_site_ = in_place_site;
        script->container_calls.push_back("Activate");
        return S_OK;
    }

    void Record(DISPID id, WORD flags, const DISPPARAMS& parameters) {
        ReceivedCall call{id, flags, {}, {}};
        // DISPPARAMS holds the last argument first.
        for (UINT i = parameters.cArgs; i > 0; --i) {
            call.arguments.push_back(Received(parameters.rgvarg[i - 1]));
        }
        for (UINT i = 0; i < parameters.cNamedArgs; ++i) {
            call.named.push_back(parameters.rgdispidNamedArgs[i]);
        }
        script->calls.push_back(std::move(call));
    }

    HWND window_ = nullptr;
    IOleClientSite* site_ = nullptr;
    IOleInPlaceSite* in_place_site_ = nullptr;

    void AskUserMode(IOleClientSite& site) {
        IDispatch* ambient = nullptr;
        if (FAILED(site.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&ambient)))) {
            return;
        }
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT answer;
        ::VariantInit(&answer);
        if (SUCCEEDED(ambient->Invoke(DISPID_AMBIENT_USERMODE, IID_NULL, 0, DISPATCH_PROPERTYGET,
                                      &none, &answer, nullptr, nullptr))) {
            script->ambient_user_mode.push_back(V_BOOL(&answer));
        }
        ambient->Release();
    }
};

class FakeClassFactory final : public IClassFactory, RefCounted {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        auto* control = new FakeControl();
        const HRESULT result = static_cast<IDispatch*>(control)->QueryInterface(iid, object);
        static_cast<IDispatch*>(control)->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

std::string ClassIdText() {
    LPOLESTR text = nullptr;
    ::StringFromCLSID(FakeWinDaqControlClass::kClassId, &text);
    std::string narrow = NarrowText(text);
    ::CoTaskMemFree(text);
    return narrow;
}

void SetKey(const std::string& path, const std::string& value) {
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                          nullptr) != ERROR_SUCCESS) {
        throw std::runtime_error("cannot write the registry key " + path);
    }
    ::RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>(value.size() + 1));
    ::RegCloseKey(key);
}

}  // namespace

void ScriptTwoChannelInstrument(FakeControlScript& script) {
    script.results[1] = [](VARIANT& r) {
        V_VT(&r) = VT_BSTR;
        V_BSTR(&r) = ::SysAllocString(L"DI-718B");
    };
    const auto number = [](double value) {
        return [value](VARIANT& r) {
            V_VT(&r) = VT_R8;
            V_R8(&r) = value;
        };
    };
    script.results[2] = number(2);
    script.results[8] = number(718);
    script.results[12] = number(0);
    script.results[6] = number(10);
    script.results[7] = number(-10);
    script.results[20] = [reads = 0](VARIANT& r) mutable {
        const int scans = 101;
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {scans, 0}};
        SAFEARRAY* array = ::SafeArrayCreate(VT_R8, 2, bounds);
        double* values = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&values));
        const double level = (reads++ / 10) % 2 == 0 ? 5.0 : 1.0;
        for (int i = 0; i < 2 * scans; ++i) {
            values[i] = i % 2 == 0 ? level : 0.0;
        }
        ::SafeArrayUnaccessData(array);
        V_VT(&r) = VT_ARRAY | VT_R8;
        V_ARRAY(&r) = array;
    };
    script.fire_exit_after_reads = 60;
}

FakeWinDaqControlClass::FakeWinDaqControlClass(std::shared_ptr<FakeControlScript> new_script) {
    script = std::move(new_script);
    reads_seen = 0;
    RegisterProgId();
    auto* factory = new FakeClassFactory();
    const HRESULT result = ::CoRegisterClassObject(kClassId, factory, CLSCTX_INPROC_SERVER,
                                                   REGCLS_MULTIPLEUSE, &cookie_);
    factory->Release();
    if (FAILED(result)) {
        throw std::runtime_error("cannot register the fake control: " + HresultText(result));
    }
}

FakeWinDaqControlClass::~FakeWinDaqControlClass() {
    ::CoRevokeClassObject(cookie_);
}

void FakeWinDaqControlClass::RegisterProgId() {
    SetKey("WINDAQLib.WinDaq\\CLSID", ClassIdText());
    SetKey("CLSID\\" + ClassIdText() + "\\ProgID", "WINDAQLib.WinDaq");
}

void FakeWinDaqControlClass::UnregisterProgId() {
    ::RegDeleteTreeA(HKEY_CLASSES_ROOT, "WINDAQLib.WinDaq");
}

void FakeWinDaqControlClass::FireEvent(DISPID id) {
    const auto listeners = sinks;  // a sink may unadvise while it hears the event
    for (const auto& [cookie, sink] : listeners) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr);
    }
}

}  // namespace quillon::testing
