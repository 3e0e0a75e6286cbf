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

// Hands `visit` the elements as their own type and a conversion of one element to double.
template <typename Visit>
void WithElements(VARTYPE type, const void* data, Visit visit) {
    const auto number = [](auto e) { return static_cast<double>(e); };
    switch (type) {
        case VT_VARIANT:
            return visit(static_cast<const VARIANT*>(data), VariantNumber);
        case VT_R8:
            return visit(static_cast<const double*>(data), number);
        case VT_R4:
            return visit(static_cast<const float*>(data), number);
        case VT_I2:
            return visit(static_cast<const std::int16_t*>(data), number);
        case VT_I4:
        case VT_INT:
            return visit(static_cast<const std::int32_t*>(data), number);
        case VT_UI1:
            return visit(static_cast<const std::uint8_t*>(data), number);
        case VT_UI2:
            return visit(static_cast<const std::uint16_t*>(data), number);
        case VT_UI4:
        case VT_UINT:
            return visit(static_cast<const std::uint32_t*>(data), number);
        default:
            Refuse("an array of variant type " + std::to_string(type) +
                   ", not numbers or variants");
    }
}

struct ArrayShape {
    VARTYPE type = VT_EMPTY;
    long channels = 0;
    long scans = 0;
};

// Checks the array, shapes the block, and hands `fill` the locked elements.
template <typename Block, typename Fill>
void WithArrayData(const VARIANT& value, Block& block, Fill fill) {
    auto* array = const_cast<SAFEARRAY*>(ArrayOf(value));
    ArrayShape shape;
    if (FAILED(::SafeArrayGetVartype(array, &shape.type))) {
        Refuse("an array whose element type is unknown");
    }
    shape.channels = Extent(array, 1);
    shape.scans = Extent(array, 2);
    if (shape.channels <= 0 || shape.scans < 0) {
        Refuse("an array with no channels");
    }
    block.Resize(static_cast<int>(shape.channels), static_cast<int>(shape.scans));
    if (shape.scans == 0) {
        return;
    }
    void* data = nullptr;
    const HRESULT locked = ::SafeArrayAccessData(array, &data);
    if (FAILED(locked)) {
        Refuse("an array that cannot be read: " + HresultText(locked));
    }
    try {
        fill(shape, data);
    } catch (...) {
        ::SafeArrayUnaccessData(array);
        throw;
    }
    ::SafeArrayUnaccessData(array);
}

}  // namespace

// The left index varies fastest in memory, as a block keeps its values: channel by channel
// within each scan, oldest scan first.
void ReadScanArray(const VARIANT& value, SampleBlock& block) {
    WithArrayData(value, block, [&](const ArrayShape& shape, const void* data) {
        WithElements(shape.type, data, [&](const auto* elements, auto convert) {
            const auto count = static_cast<std::size_t>(shape.channels * shape.scans);
            double* out = block.Scan(0);
            for (std::size_t i = 0; i < count; ++i) {
                out[i] = convert(elements[i]);
            }
        });
    });
}

void ReadScanArray(const VARIANT& value, WindowBlock& block) {
    WithArrayData(value, block, [&](const ArrayShape& shape, const void* data) {
        WithElements(shape.type, data, [&](const auto* elements, auto convert) {
            const auto channels = static_cast<std::size_t>(shape.channels);
            const auto scans = static_cast<std::size_t>(shape.scans);
            for (const std::int16_t channel : block.HeldChannels()) {
                double* series = block.SeriesData(channel);
                const auto* element = elements + static_cast<std::size_t>(channel);
                for (std::size_t scan = 0; scan < scans; ++scan, element += channels) {
                    series[scan] = convert(*element);
                }
            }
            const auto* newest = elements + (scans - 1) * channels;
            for (std::size_t channel = 0; channel < channels; ++channel) {
                block.NewestScan()[channel] = convert(newest[channel]);
            }
        });
    });
}

}  // namespace quillon::windaq
