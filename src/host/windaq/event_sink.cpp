// SPDX-License-Identifier: MIT
#include "host/windaq/event_sink.hpp"

namespace quillon::windaq {

HRESULT EventSink::QueryInterface(REFIID iid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, source_)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT EventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                          UINT*) {
    if (result != nullptr) {
        ::VariantInit(result);
    }
    if (id == kHostExiting && on_exit_) {
        on_exit_();
    }
    return S_OK;
}

}  // namespace quillon::windaq
