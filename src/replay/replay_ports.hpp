// SPDX-License-Identifier: MIT
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/process_launcher.hpp"
#include "platform/profile_store.hpp"
#include "platform/prompter.hpp"
#include "platform/sound_player.hpp"
#include "replay/virtual_clock.hpp"

namespace quillon {

// What happened at a moment of the recording.
struct ReplayMoment {
    double seconds;  // recording time
    std::string text;
};

// A replay plays no sound: it notes when the alarm would have sounded.
class ReplaySoundPlayer final : public SoundPlayer {
public:
    ReplaySoundPlayer(VirtualClock& clock, double from) : clock_(clock), from_(from) {}
    void Play(const std::string& path, std::int16_t flags) override;
    const std::vector<ReplayMoment>& Sounds() const { return sounds_; }

private:
    VirtualClock& clock_;
    double from_;
    std::vector<ReplayMoment> sounds_;
};

// A replay sends no e-mail: it keeps each message the agent would have been handed.
class ReplayLauncher final : public ProcessLauncher {
public:
    ReplayLauncher(VirtualClock& clock, double from) : clock_(clock), from_(from) {}
    bool Launch(const std::string& program, const std::vector<std::string>& arguments,
                std::string& error) override;
    // "Alarm 14:03:07<br>...": the event word, then the message.
    const std::vector<ReplayMoment>& Emails() const { return emails_; }

private:
    VirtualClock& clock_;
    double from_;
    std::vector<ReplayMoment> emails_;
};

// Nobody answers a replay's boxes: their texts are kept for the summary.
class ReplayPrompter final : public Prompter {
public:
    ReplayPrompter(VirtualClock& clock, double from) : clock_(clock), from_(from) {}
    void MessageBox(MessageIcon icon, const std::string& text, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& fallback) override;
    const std::vector<ReplayMoment>& Messages() const { return messages_; }

private:
    VirtualClock& clock_;
    double from_;
    std::vector<ReplayMoment> messages_;
};

// The instance's settings, read and never written: a replay must not change what a live
// instance will load. `settings_file` (when not empty) stands for the settings file.
class ReadOnlyProfiles final : public ProfileStore {
public:
    // `settings` reads the folder of `settings_file`; both empty for the usual settings file.
    ReadOnlyProfiles(ProfileStore& inner, std::unique_ptr<ProfileStore> settings,
                     const std::filesystem::path& settings_file);
    std::string Read(const std::string& file, const std::string& section, const std::string& key,
                     const std::string& fallback) override;
    bool Write(const std::string&, const std::string&, const std::string&,
               const std::string&) override {
        return true;
    }
    bool WriteSection(const std::string&, const std::string&, const ProfileValues&) override {
        return true;
    }
    void RequireReadable(const std::string& file) override;
    std::string LastError() const override { return {}; }

private:
    ProfileStore& Store(const std::string& file);

    ProfileStore& inner_;
    std::unique_ptr<ProfileStore> settings_;
    std::string settings_name_;
};

}  // namespace quillon
