// SPDX-License-Identifier: MIT
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>

#include "app/application.hpp"
#include "fakes/fake_key_state.hpp"
#include "fakes/fake_platform.hpp"
#include "fakes/memory_profile_store.hpp"
#include "fakes/recording_host.hpp"
#include "fakes/recording_launcher.hpp"
#include "fakes/recording_sound_player.hpp"
#include "ui/qt/main_window.hpp"

namespace quillon::testing {

// A real Application on fake ports, with its window, not yet shown.
class UiFixture : public ::testing::Test {
protected:
    UiFixture()
        : application_(
              Ports{host_, profiles_, prompter_, locale_, clock_, sound_, launcher_, keys_}),
          window_(application_) {}

    template <typename T = QWidget>
    T* Control(const QString& name) {
        T* control = window_.findChild<T*>(name);
        EXPECT_NE(control, nullptr) << name.toStdString();
        return control;
    }

    static void DeliverPostedEvents() { QApplication::processEvents(); }

    RecordingHost host_;
    MemoryProfileStore profiles_;
    FakePrompter prompter_;
    FakeLocale locale_;
    FakeClock clock_;
    RecordingSoundPlayer sound_;
    RecordingLauncher launcher_;
    FakeKeyState keys_;
    Application application_;
    MainWindow window_;
};

}  // namespace quillon::testing
