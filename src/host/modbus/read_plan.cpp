// SPDX-License-Identifier: MIT
#include "host/modbus/read_plan.hpp"

#include <algorithm>

#include "host/modbus/register_value.hpp"

namespace quillon::modbus {

namespace {

constexpr int kDigitalBits = 8;
// The protocol's limits per read request.
constexpr int kMaxRegistersPerRead = 125;
constexpr int kMaxBitsPerRead = 2000;

bool IsBitTable(Table table) {
    return table == Table::Coils || table == Table::DiscreteInputs;
}

int MaxPerRead(Table table) {
    return IsBitTable(table) ? kMaxBitsPerRead : kMaxRegistersPerRead;
}

}  // namespace

ReadPlan::ReadPlan(const DeviceDescription& device) {
    AddValues(device);
    for (Table table :
         {Table::InputRegisters, Table::HoldingRegisters, Table::DiscreteInputs, Table::Coils}) {
        PlanTable(table);
    }
    PlaceValues();
}

void ReadPlan::AddValues(const DeviceDescription& device) {
    for (const auto& channel : device.channels) {
        values_.push_back({channel.source, channel.gain, channel.offset,
                           RegisterCount(channel.source.type), false});
    }
    if (device.digital) {
        const Source& source = device.digital->source;
        const bool packed = IsBitTable(source.table);
        values_.push_back({source, 1.0, 0.0, packed ? kDigitalBits : 1, packed});
    }
}

void ReadPlan::PlanTable(Table table) {
    std::vector<std::pair<int, int>> spans;  // [first, end)
    for (const Value& value : values_) {
        if (value.source.table == table) {
            spans.emplace_back(value.source.address, value.source.address + value.span);
        }
    }
    std::sort(spans.begin(), spans.end());
    const int limit = MaxPerRead(table);
    std::size_t next = 0;
    while (next < spans.size()) {
        int first = spans[next].first;
        int end = spans[next].second;
        for (++next; next < spans.size() && spans[next].first <= end &&
                     std::max(end, spans[next].second) - first <= limit;
             ++next) {
            end = std::max(end, spans[next].second);
        }
        requests_.push_back({table, static_cast<std::uint16_t>(first), end - first});
    }
}

void ReadPlan::PlaceValues() {
    for (const ReadRequest& request : requests_) {
        reply_offsets_.push_back(reply_words_);
        reply_words_ += request.count;
    }
    for (Value& value : values_) {
        for (std::size_t i = 0; i < requests_.size(); ++i) {
            const ReadRequest& request = requests_[i];
            const int first = value.source.address;
            if (request.table == value.source.table && first >= request.address &&
                first + value.span <= request.address + request.count) {
                value.reply_word = reply_offsets_[i] + (first - request.address);
                break;
            }
        }
    }
}

void ReadPlan::Decode(const std::uint16_t* replies, double* scan) const {
    for (const Value& value : values_) {
        *scan++ = Read(value, replies + value.reply_word) * value.gain + value.offset;
    }
}

double ReadPlan::Read(const Value& value, const std::uint16_t* words) {
    if (!value.packed_bits) {
        return RawValue(value.source.type, value.source.order, words);
    }
    int word = 0;
    for (int bit = 0; bit < kDigitalBits; ++bit) {
        word |= (words[bit] != 0 ? 1 : 0) << bit;
    }
    return word;
}

}  // namespace quillon::modbus
