// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/locale.hpp"
#include "platform/process_launcher.hpp"
#include "platform/profile_store.hpp"
#include "platform/prompter.hpp"
#include "platform/sound_player.hpp"

namespace quillon::bench {

// The benchmarks' sample equations: slots 0 to 8 as here (slot 8 looks three scans back),
// slot 9 the equation given, both alarms in Set.
inline std::map<std::string, std::string> SampleEquations(const std::string& slot9,
                                                          int data_window) {
    return {{"MathExpression0", "#2^2>=(#4+#5)"},
            {"MathExpression1", "#0>3.3"},
            {"MathExpression2", "20*log10(abs(#7)+1)>23"},  // a negative sample has no log
            {"MathExpression3", "avg(#0,#2,#5,#5)<8 "},
            {"MathExpression4", "min(#0,#6)<2"},
            {"MathExpression5", "max(#1,#2,#4)>3.3"},
            {"MathExpression6", "(#4+#5)>3"},
            {"MathExpression7", "(#1<3)&(#5<5)"},
            {"MathExpression8", "#C3-#A3>0.5"},
            {"MathExpression9", slot9},
            {"S8", "Set"},
            {"S9", "Set"},
            {"DataWindow", std::to_string(data_window)}};
}

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

// Boxes, sounds and mail launches that cost nothing and go nowhere.
class NoPrompter final : public Prompter {
public:
    void MessageBox(MessageIcon, const std::string&, const std::string&) override {}
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string&) override {
        return std::nullopt;
    }
};

class Silence final : public SoundPlayer {
public:
    void Play(const std::string&, std::int16_t) override {}
};

class NoLauncher final : public ProcessLauncher {
public:
    bool Launch(const std::string&, const std::vector<std::string>&, std::string&) override {
        return true;
    }
};

}  // namespace quillon::bench
