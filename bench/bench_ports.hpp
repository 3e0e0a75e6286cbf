// SPDX-License-Identifier: MIT
#pragma once

#include <map>
#include <string>

#include "platform/locale.hpp"
#include "platform/profile_store.hpp"

namespace quillon::bench {

// A locale whose answer costs nothing, so that it does not show in the figures.
class PointLocale final : public Locale {
public:
    std::string FormatGeneral(double) override { return "3.333"; }
};

// The settings section, answering reads only.
class FixedSettings final : public ProfileStore {
public:
    explicit FixedSettings(std::map<std::string, std::string> values)
        : values_(std::move(values)) {}
    std::string Read(const std::string&, const std::string&, const std::string& key,
                     const std::string& fallback) override {
        const auto found = values_.find(key);
        return found == values_.end() ? fallback : found->second;
    }
    bool Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {
        return true;
    }
    std::string LastError() const override { return {}; }

private:
    std::map<std::string, std::string> values_;
};

}  // namespace quillon::bench
