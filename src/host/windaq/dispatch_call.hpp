// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillon::windaq {

// An automation argument as the control's dispatch ids take it.
struct DispatchArgument {
    VARTYPE type;  // VT_I2, VT_I4 or VT_BSTR
    bool by_reference = false;
    std::int32_t number = 0;
    std::string text;
};

DispatchArgument Short(std::int16_t value);
DispatchArgument ShortByReference(std::int16_t value);
DispatchArgument Long(std::int32_t value);
DispatchArgument Text(const std::string& value);

// The result of one call; cleared when it goes.
class DispatchResult {
public:
    DispatchResult() { ::VariantInit(&value_); }
    ~DispatchResult() { ::VariantClear(&value_); }
    DispatchResult(const DispatchResult&) = delete;
    DispatchResult& operator=(const DispatchResult&) = delete;

    VARIANT* Out() { return &value_; }
    const VARIANT& Value() const { return value_; }

    // Converted as automation converts, or HostError naming the dispatch id.
    std::int16_t ToShort(DISPID id) const;
    std::int32_t ToLong(DISPID id) const;
    double ToDouble(DISPID id) const;
    std::string ToText(DISPID id) const;

private:
    VARIANT value_;
};

// One late-bound call by dispatch id. `flags` is DISPATCH_METHOD, DISPATCH_PROPERTYGET or
// DISPATCH_PROPERTYPUT; arguments are given in the order the caller writes them. A failing
// HRESULT, or the control's own exception, becomes HostError with its text.
void InvokeDispatch(IDispatch& control, DISPID id, WORD flags,
                    const std::vector<DispatchArgument>& arguments, DispatchResult& result);

}  // namespace quillon::windaq
