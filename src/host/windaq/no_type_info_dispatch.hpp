// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <oaidl.h>

namespace quillon::windaq {

// The parts of IDispatch that Quillon's own small automation objects answer alike (they offer
// no type information and no names, only dispatch ids), and their reference count.
class NoTypeInfoDispatch : public IDispatch {
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;

protected:
    NoTypeInfoDispatch() = default;
    virtual ~NoTypeInfoDispatch() = default;
    NoTypeInfoDispatch(const NoTypeInfoDispatch&) = delete;
    NoTypeInfoDispatch& operator=(const NoTypeInfoDispatch&) = delete;

    ULONG AddReference() { return ++references_; }
    // Deletes the object with its last reference.
    ULONG DropReference();

private:
    ULONG references_ = 1;
};

}  // namespace quillon::windaq
