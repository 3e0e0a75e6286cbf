// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <ole2.h>

#include <functional>

#include "host/windaq/no_type_info_dispatch.hpp"

namespace quillon::windaq {

// Hears the control's events on its default source interface: dispatch id 10 (the host is
// exiting) is passed on; every other event is accepted and ignored.
class EventSink final : public NoTypeInfoDispatch {
public:
    static constexpr DISPID kHostExiting = 10;

    EventSink(const IID& source, std::function<void()> on_exit)
        : source_(source), on_exit_(std::move(on_exit)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return AddReference(); }
    ULONG STDMETHODCALLTYPE Release() override { return DropReference(); }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    ~EventSink() override = default;

    IID source_;
    std::function<void()> on_exit_;
};

}  // namespace quillon::windaq
