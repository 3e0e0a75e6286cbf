// SPDX-License-Identifier: MIT
#include "host/windaq/no_type_info_dispatch.hpp"

namespace quillon::windaq {

HRESULT NoTypeInfoDispatch::GetTypeInfoCount(UINT* count) {
    if (count != nullptr) {
        *count = 0;
    }
    return S_OK;
}

HRESULT NoTypeInfoDispatch::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
    if (info != nullptr) {
        *info = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT NoTypeInfoDispatch::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
    return E_NOTIMPL;
}

ULONG NoTypeInfoDispatch::DropReference() {
    const ULONG left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

}  // namespace quillon::windaq
