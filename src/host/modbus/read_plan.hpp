// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

#include "host/modbus/device_description.hpp"

namespace quillon::modbus {

struct ReadRequest {
    Table table;
    std::uint16_t address;
    int count;  // registers or bits
};

// The requests that read every configured input: values whose addresses touch or overlap in
// one table share a request, up to the protocol's limit per request. Gaps are never bridged,
// since a device may refuse an address nobody asked for.
class ReadPlan {
public:
    explicit ReadPlan(const DeviceDescription& device);

    const std::vector<ReadRequest>& Requests() const { return requests_; }
    // Where request i's reply starts in the buffer that Decode takes (one word per register
    // or bit, requests one after another).
    int ReplyOffset(std::size_t request) const { return reply_offsets_[request]; }
    int ReplyWords() const { return reply_words_; }
    int Values() const { return static_cast<int>(values_.size()); }

    // One scan from the replies: each channel scaled, then the digital input when there is one.
    void Decode(const std::uint16_t* replies, double* scan) const;

private:
    struct Value {
        Source source;
        double gain;
        double offset;
        int span;            // registers or bits it covers
        bool packed_bits;    // eight discrete inputs read as one number, bit n = input n
        int reply_word = 0;  // filled once the requests are known
    };

    void AddValues(const DeviceDescription& device);
    void PlanTable(Table table);
    void PlaceValues();
    static double Read(const Value& value, const std::uint16_t* words);

    std::vector<Value> values_;
    std::vector<ReadRequest> requests_;
    std::vector<int> reply_offsets_;
    int reply_words_ = 0;
};

}  // namespace quillon::modbus
