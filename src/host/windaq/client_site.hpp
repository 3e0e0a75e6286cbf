// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <ole2.h>

#include "host/windaq/no_type_info_dispatch.hpp"

namespace quillon::windaq {

// The container side a form gives the control, reduced to what a control without a window
// asks: the ambient properties (run mode, not design mode; the user's locale) and a site that
// politely declines everything else.
class ClientSite final : public IOleClientSite, public NoTypeInfoDispatch {
public:
    ClientSite() = default;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return DropReference(); }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer** container) override;
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*,
                                     VARIANT* result, EXCEPINFO*, UINT*) override;

private:
    ~ClientSite() override = default;
};

}  // namespace quillon::windaq
