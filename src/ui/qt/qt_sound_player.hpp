// SPDX-License-Identifier: MIT
#pragma once

#include <memory>
#include <string>

#include "platform/sound_player.hpp"

class QSoundEffect;
class QTemporaryFile;

namespace quillon {

// The alarm sound through Qt Multimedia, on the thread of the Qt event loop. A Windows path
// that this machine lacks (the default "c:\windows\media\ding.wav") plays Quillon's own bell,
// written to a temporary file at its first use; other missing files follow the flags. Without
// an audio device nothing is heard and nothing waits.
class QtSoundPlayer final : public SoundPlayer {
public:
    QtSoundPlayer();
    ~QtSoundPlayer() override;
    QtSoundPlayer(const QtSoundPlayer&) = delete;
    QtSoundPlayer& operator=(const QtSoundPlayer&) = delete;

    void Play(const std::string& path, std::int16_t flags) override;

    // The file the last Play chose; empty for silence.
    const std::string& LastSource() const { return last_source_; }

private:
    std::string BellFile();
    void Start(const std::string& file);

    std::unique_ptr<QSoundEffect> effect_;
    std::unique_ptr<QTemporaryFile> bell_;
    std::string bell_path_;
    std::string last_source_;
};

}  // namespace quillon
