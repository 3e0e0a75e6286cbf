// SPDX-License-Identifier: MIT
#include "host/windaq/dispatch_call.hpp"

#include <windows.h>

#include <oleauto.h>

#include "host/host_error.hpp"
#include "platform/win32/com_text.hpp"

namespace quillon::windaq {
namespace {

std::string Named(DISPID id) {
    return "the host's control, dispatch id " + std::to_string(id);
}

// The variants DISPPARAMS points at, last argument first; by-reference arguments point into
// storage of their own, which lives as long as the call.
class ArgumentVariants {
public:
    explicit ArgumentVariants(const std::vector<DispatchArgument>& arguments)
        : variants_(arguments.size()), shorts_(arguments.size()), longs_(arguments.size()) {
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            Fill(variants_[arguments.size() - 1 - i], arguments[i], i);
        }
    }
    ~ArgumentVariants() {
        for (VARIANT& variant : variants_) {
            ::VariantClear(&variant);
        }
    }
    ArgumentVariants(const ArgumentVariants&) = delete;
    ArgumentVariants& operator=(const ArgumentVariants&) = delete;

    VARIANT* Data() { return variants_.empty() ? nullptr : variants_.data(); }
    UINT Count() const { return static_cast<UINT>(variants_.size()); }

private:
    void Fill(VARIANT& variant, const DispatchArgument& argument, std::size_t slot) {
        ::VariantInit(&variant);
        if (argument.type == VT_BSTR) {
            V_VT(&variant) = VT_BSTR;
            V_BSTR(&variant) = ::SysAllocString(WideText(argument.text).c_str());
        } else if (argument.type == VT_I2 && argument.by_reference) {
            shorts_[slot] = static_cast<SHORT>(argument.number);
            V_VT(&variant) = VT_I2 | VT_BYREF;
            V_I2REF(&variant) = &shorts_[slot];
        } else if (argument.type == VT_I2) {
            V_VT(&variant) = VT_I2;
            V_I2(&variant) = static_cast<SHORT>(argument.number);
        } else if (argument.by_reference) {
            longs_[slot] = argument.number;
            V_VT(&variant) = VT_I4 | VT_BYREF;
            V_I4REF(&variant) = &longs_[slot];
        } else {
            V_VT(&variant) = VT_I4;
            V_I4(&variant) = argument.number;
        }
    }

    std::vector<VARIANT> variants_;
    std::vector<SHORT> shorts_;
    std::vector<LONG> longs_;
};

std::string ExceptionText(EXCEPINFO& exception) {
    if (exception.pfnDeferredFillIn != nullptr) {
        exception.pfnDeferredFillIn(&exception);
    }
    std::string text = NarrowText(exception.bstrDescription);
    if (text.empty()) {
        text = exception.scode != 0 ? HresultText(exception.scode)
                                    : "error " + std::to_string(exception.wCode);
    }
    const std::string source = NarrowText(exception.bstrSource);
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    return source.empty() ? text : text + " (" + source + ")";
}

template <typename Read>
auto Converted(const VARIANT& value, VARTYPE type, DISPID id, Read read) {
    VARIANT converted;
    ::VariantInit(&converted);
    const HRESULT result = ::VariantChangeType(&converted, const_cast<VARIANT*>(&value), 0, type);
    if (FAILED(result)) {
        throw HostError(Named(id) + " returned a value of the wrong kind: " + HresultText(result));
    }
    auto read_value = read(converted);
    ::VariantClear(&converted);
    return read_value;
}

}  // namespace

DispatchArgument Short(std::int16_t value) {
    return {VT_I2, false, value, {}};
}
DispatchArgument ShortByReference(std::int16_t value) {
    return {VT_I2, true, value, {}};
}
DispatchArgument Long(std::int32_t value) {
    return {VT_I4, false, value, {}};
}
DispatchArgument Text(const std::string& value) {
    return {VT_BSTR, false, 0, value};
}

std::int16_t DispatchResult::ToShort(DISPID id) const {
    return Converted(value_, VT_I2, id, [](const VARIANT& v) { return V_I2(&v); });
}
std::int32_t DispatchResult::ToLong(DISPID id) const {
    return Converted(value_, VT_I4, id, [](const VARIANT& v) { return V_I4(&v); });
}
double DispatchResult::ToDouble(DISPID id) const {
    return Converted(value_, VT_R8, id, [](const VARIANT& v) { return V_R8(&v); });
}
std::string DispatchResult::ToText(DISPID id) const {
    return Converted(value_, VT_BSTR, id, [](const VARIANT& v) { return NarrowText(V_BSTR(&v)); });
}

void InvokeDispatch(IDispatch& control, DISPID id, WORD flags,
                    const std::vector<DispatchArgument>& arguments, DispatchResult& result) {
    ArgumentVariants variants(arguments);
    DISPID property_put = DISPID_PROPERTYPUT;
    DISPPARAMS parameters{variants.Data(), nullptr, variants.Count(), 0};
    if (flags == DISPATCH_PROPERTYPUT) {
        parameters.rgdispidNamedArgs = &property_put;
        parameters.cNamedArgs = 1;
    }
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    ::VariantClear(result.Out());
    const HRESULT outcome = control.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                           flags == DISPATCH_PROPERTYPUT ? nullptr : result.Out(),
                                           &exception, &bad_argument);
    if (outcome == DISP_E_EXCEPTION) {
        throw HostError(Named(id) + " failed: " + ExceptionText(exception));
    }
    if (FAILED(outcome)) {
        throw HostError(Named(id) + " failed: " + HresultText(outcome));
    }
}

}  // namespace quillon::windaq
