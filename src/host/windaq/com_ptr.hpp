// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <utility>

namespace quillon::windaq {

// Owns one reference to a COM interface.
template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr& other) : pointer_(other.pointer_) { AddRef(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(std::exchange(other.pointer_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(pointer_, other.pointer_);
        return *this;
    }

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For calls that hand out a new reference.
    Interface** Out() {
        Reset();
        return &pointer_;
    }
    void** OutVoid() { return reinterpret_cast<void**>(Out()); }
    void Reset() {
        if (pointer_ != nullptr) {
            std::exchange(pointer_, nullptr)->Release();
        }
    }
    // Another interface of the same object; empty when the object has none.
    template <typename Other>
    ComPtr<Other> As(const IID& iid) const {
        ComPtr<Other> other;
        if (pointer_ != nullptr) {
            pointer_->QueryInterface(iid, other.OutVoid());
        }
        return other;
    }

private:
    void AddRef() {
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }

    Interface* pointer_ = nullptr;
};

}  // namespace quillon::windaq
