// SPDX-License-Identifier: MIT
#include "host/windaq/safe_array_reader.hpp"

#include <windows.h>

#include <oleauto.h>

#include <cstdint>
#include <string>

#include "host/host_error.hpp"
#include "platform/win32/com_text.hpp"

namespace quillon::windaq {
namespace {

[[noreturn]] void Refuse(const std::string& problem) {
    throw HostError("the host's control, dispatch id 20, returned " + problem);
}

const SAFEARRAY* ArrayOf(const VARIANT& value) {
    if ((V_VT(&value) & VT_ARRAY) == 0) {
        Refuse("no array (variant type " + std::to_string(V_VT(&value)) + ")");
    }
    const SAFEARRAY* array = (V_VT(&value) & VT_BYREF) != 0 ? *V_ARRAYREF(&value) : V_ARRAY(&value);
    if (array == nullptr) {
        Refuse("an empty array");
    }
    if (::SafeArrayGetDim(const_cast<SAFEARRAY*>(array)) != 2) {
        Refuse("an array of " + std::to_string(::SafeArrayGetDim(const_cast<SAFEARRAY*>(array))) +
               " dimensions, not 2 (channel, scan)");
    }
    return array;
}

// Elements of one dimension (1 is the channel, the left index).
long Extent(SAFEARRAY* array, UINT dimension) {
    LONG lower = 0;
    LONG upper = -1;
    ::SafeArrayGetLBound(array, dimension, &lower);
    ::SafeArrayGetUBound(array, dimension, &upper);
    return static_cast<long>(upper) - static_cast<long>(lower) + 1;
}

double VariantNumber(const VARIANT& element) {
    if (V_VT(&element) == VT_R8) {
        return V_R8(&element);
    }
    VARIANT number;
    ::VariantInit(&number);
    if (FAILED(::VariantChangeType(&number, const_cast<VARIANT*>(&element), 0, VT_R8))) {
        Refuse("an element that is not a number (variant type " + std::to_string(V_VT(&element)) +
               ")");
    }
    return V_R8(&number);
}

template <typename Element, typename Convert>
void Copy(const void* data, std::size_t count, double* out, Convert convert) {
    const auto* elements = static_cast<const Element*>(data);
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = convert(elements[i]);
    }
}

template <typename Element>
void CopyNumbers(const void* data, std::size_t count, double* out) {
    Copy<Element>(data, count, out, [](Element e) { return static_cast<double>(e); });
}

void CopyElements(VARTYPE type, const void* data, std::size_t count, double* out) {
    switch (type) {
        case VT_VARIANT:
            return Copy<VARIANT>(data, count, out, VariantNumber);
        case VT_R8:
            return CopyNumbers<double>(data, count, out);
        case VT_R4:
            return CopyNumbers<float>(data, count, out);
        case VT_I2:
            return CopyNumbers<std::int16_t>(data, count, out);
        case VT_I4:
        case VT_INT:
            return CopyNumbers<std::int32_t>(data, count, out);
        case VT_UI1:
            return CopyNumbers<std::uint8_t>(data, count, out);
        case VT_UI2:
            return CopyNumbers<std::uint16_t>(data, count, out);
        case VT_UI4:
        case VT_UINT:
            return CopyNumbers<std::uint32_t>(data, count, out);
        default:
            Refuse("an array of variant type " + std::to_string(type) +
                   ", not numbers or variants");
    }
}

}  // namespace

void ReadScanArray(const VARIANT& value, SampleBlock& block) {
    auto* array = const_cast<SAFEARRAY*>(ArrayOf(value));
    VARTYPE type = VT_EMPTY;
    if (FAILED(::SafeArrayGetVartype(array, &type))) {
        Refuse("an array whose element type is unknown");
    }
    const long channels = Extent(array, 1);
    const long scans = Extent(array, 2);
    if (channels <= 0 || scans < 0) {
        Refuse("an array with no channels");
    }
    // The left index varies fastest in memory, as a block keeps its values: channel by
    // channel within each scan, oldest scan first.
    block.Resize(static_cast<int>(channels), static_cast<int>(scans));
    if (scans == 0) {
        return;
    }
    void* data = nullptr;
    const HRESULT locked = ::SafeArrayAccessData(array, &data);
    if (FAILED(locked)) {
        Refuse("an array that cannot be read: " + HresultText(locked));
    }
    try {
        CopyElements(type, data, static_cast<std::size_t>(channels * scans), block.Scan(0));
    } catch (...) {
        ::SafeArrayUnaccessData(array);
        throw;
    }
    ::SafeArrayUnaccessData(array);
}

}  // namespace quillon::windaq
