// SPDX-License-Identifier: MIT
#include "ui/qt/qt_sound_player.hpp"

#include <QAudioDevice>
#include <QDir>
#include <QFileInfo>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QTemporaryFile>
#include <QUrl>

#include "platform/sound_choice.hpp"
#include "utility/ding_wave.hpp"

namespace quillon {
namespace {

bool IsFile(const std::string& path) {
    const QFileInfo info(QString::fromStdString(path));
    return info.exists() && info.isFile();
}

}  // namespace

QtSoundPlayer::QtSoundPlayer() : effect_(std::make_unique<QSoundEffect>()) {}

QtSoundPlayer::~QtSoundPlayer() = default;

void QtSoundPlayer::Play(const std::string& path, std::int16_t flags) {
    // Playback is always asynchronous: the user-interface thread never waits for a sound.
    switch (ChooseSound(path, flags, IsFile(path))) {
        case SoundSource::File:
            Start(path);
            break;
        case SoundSource::Bell:
            Start(BellFile());
            break;
        case SoundSource::Silence:
            last_source_.clear();
            break;
    }
}

// The bell lives as long as the player; an empty name when it cannot be written.
std::string QtSoundPlayer::BellFile() {
    if (!bell_) {
        bell_ = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/quillon-ding-XXXXXX.wav");
        const std::vector<std::uint8_t> wave = DingWave();
        const auto size = static_cast<qint64>(wave.size());
        // fileName() gives the file its name; until then it may have none.
        if (bell_->open() &&
            bell_->write(reinterpret_cast<const char*>(wave.data()), size) == size &&
            bell_->flush()) {
            bell_path_ = bell_->fileName().toStdString();
        }
    }
    return bell_path_;
}

// A new sound replaces one still playing.
void QtSoundPlayer::Start(const std::string& file) {
    last_source_ = file;
    effect_->stop();
    if (file.empty() || QMediaDevices::audioOutputs().isEmpty()) {
        return;
    }
    effect_->setSource(QUrl::fromLocalFile(QString::fromStdString(file)));
    effect_->play();
}

}  // namespace quillon
