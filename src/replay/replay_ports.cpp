// SPDX-License-Identifier: MIT
#include "replay/replay_ports.hpp"

#include "app/settings.hpp"

namespace quillon {

void ReplaySoundPlayer::Play(const std::string& path, std::int16_t) {
    sounds_.push_back({from_ + clock_.Seconds(), path});
}

bool ReplayLauncher::Launch(const std::string&, const std::vector<std::string>& arguments,
                            std::string&) {
    std::string text;
    for (std::size_t i = 2; i < arguments.size(); ++i) {
        text += (i > 2 ? " " : "") + arguments[i];
    }
    emails_.push_back({from_ + clock_.Seconds(), text});
    return true;
}

void ReplayPrompter::MessageBox(MessageIcon, const std::string& text, const std::string&) {
    messages_.push_back({from_ + clock_.Seconds(), text});
}

std::optional<std::string> ReplayPrompter::InputBox(const std::string& prompt, const std::string&,
                                                    const std::string&) {
    messages_.push_back({from_ + clock_.Seconds(), prompt});
    return std::nullopt;
}

ReadOnlyProfiles::ReadOnlyProfiles(ProfileStore& inner, std::unique_ptr<ProfileStore> settings,
                                   const std::filesystem::path& settings_file)
    : inner_(inner), settings_(std::move(settings)) {
    if (settings_) {
        settings_name_ = settings_file.filename().string();
    }
}

ProfileStore& ReadOnlyProfiles::Store(const std::string& file) {
    return settings_ && file == kSettingsFile ? *settings_ : inner_;
}

std::string ReadOnlyProfiles::Read(const std::string& file, const std::string& section,
                                   const std::string& key, const std::string& fallback) {
    const bool replaced = settings_ && file == kSettingsFile;
    return Store(file).Read(replaced ? settings_name_ : file, section, key, fallback);
}

void ReadOnlyProfiles::RequireReadable(const std::string& file) {
    const bool replaced = settings_ && file == kSettingsFile;
    Store(file).RequireReadable(replaced ? settings_name_ : file);
}

}  // namespace quillon
