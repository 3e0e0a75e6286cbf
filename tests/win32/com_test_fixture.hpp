// SPDX-License-Identifier: MIT
#pragma once

#include <windows.h>

#include <gtest/gtest.h>
#include <objbase.h>

#include <memory>

#include "fake_windaq_control.hpp"

namespace quillon::testing {

// COM on the test's thread and the fake control registered for the host's ProgID.
class FakeControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
        control_class_ = std::make_unique<FakeWinDaqControlClass>(script_);
    }
    void TearDown() override {
        control_class_.reset();
        ::CoUninitialize();
    }

    std::shared_ptr<FakeControlScript> script_ = std::make_shared<FakeControlScript>();
    std::unique_ptr<FakeWinDaqControlClass> control_class_;
};

}  // namespace quillon::testing
