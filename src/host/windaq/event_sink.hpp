// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <ole2.h>

#include <functional>

namespace quillon::windaq {

// Hears the control's events on its default source interface: dispatch id 10 (the host is
// exiting) is passed on; every other event is accepted and ignored.
class EventSink final : public IDispatch {
public:
    static constexpr DISPID kHostExiting = 10;

    EventSink(const IID& source, std::function<void()> on_exit)
        : source_(source), on_exit_(std::move(on_exit)) {}
    EventSink(const EventSink&) = delete;
    EventSink& operator=(const EventSink&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result,
                                     EXCEPINFO*, UINT*) override;

private:
    ~EventSink() = default;

    IID source_;
    std::function<void()> on_exit_;
    ULONG references_ = 1;
};

}  // namespace quillon::windaq
