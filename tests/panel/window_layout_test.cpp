// SPDX-License-Identifier: MIT
#include "panel/window_layout.hpp"

#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "case_name.hpp"
#include "panel/panel.hpp"
#include "panel/pictures.hpp"

namespace quillon {
namespace {

std::vector<TwipsRect> DisplayedControls() {
    std::vector<TwipsRect> places;
    for (int slot = 0; slot < kSlotCount; ++slot) {
        places.push_back(layout::Lamp(slot));
        places.push_back(layout::ModeSwitch(slot));
        places.push_back(layout::EditEquation(slot));
    }
    for (const layout::GuideLabel& label : layout::kGuideLabels) {
        places.push_back(label.place);
    }
    for (const TwipsRect& place :
         {layout::kStartStop, layout::kDataWindow, layout::kQuickReference, layout::kGlobalKeys,
          layout::kAlarmSettings, layout::kEmailSettings}) {
        places.push_back(place);
    }
    return places;
}

TEST(WindowLayoutTest, EveryDisplayedControlLiesInsideTheClientArea) {
    for (const TwipsRect& place : DisplayedControls()) {
        EXPECT_GE(place.left, 0);
        EXPECT_GE(place.top, 0);
        EXPECT_LE(place.left + place.width, kClientWidth) << place.left << "," << place.top;
        EXPECT_LE(place.top + place.height, kClientHeight) << place.left << "," << place.top;
    }
}

TEST(WindowLayoutTest, TheOutputColumnsStand480TwipsApartAndTheAlarmsFollow) {
    for (int slot = 1; slot < kOutputCount; ++slot) {
        EXPECT_EQ(layout::Lamp(slot).left - layout::Lamp(slot - 1).left, 480);
    }
    EXPECT_EQ(layout::Lamp(kAudioSlot).left, 3960);
    EXPECT_EQ(layout::EditEquation(kAudioSlot).left, 3930);
    EXPECT_EQ(layout::Lamp(kEmailSlot).left, 4440);
    EXPECT_EQ(layout::EditEquation(kEmailSlot).left, 4410);
}

TEST(WindowLayoutTest, EachGuideLineRunsAtTheLevelOfItsLabel) {
    for (std::size_t i = 0; i < layout::kGuideLines.size(); ++i) {
        const TwipsRect& label = layout::kGuideLabels[i].place;
        EXPECT_GE(layout::kGuideLines[i].top, label.top);
        EXPECT_LE(layout::kGuideLines[i].top, label.top + label.height);
    }
}

TEST(WindowLayoutTest, TabVisitsEveryFocusControlOnce) {
    std::set<std::pair<int, int>> seen;
    for (const layout::TabStop& stop : layout::TabOrder()) {
        EXPECT_TRUE(seen.insert({static_cast<int>(stop.control), stop.slot}).second);
    }
    // Start/Stop, the four bottom buttons and box, the check box, ten switches, ten buttons.
    EXPECT_EQ(seen.size(), 26u);
    EXPECT_EQ(layout::TabOrder().front().control, layout::FocusStop::StartStop);
    EXPECT_EQ(layout::TabOrder().back().control, layout::FocusStop::EmailSettings);
}

TEST(WindowLayoutTest, EditButtonsSayWhatTheyEdit) {
    EXPECT_EQ(layout::EditEquationToolTip(3), "Logical Equation for Digital Output 3 (PROG Mode)");
    EXPECT_EQ(layout::EditEquationToolTip(kAudioSlot),
              "Logical Equation for Audio Alarm (PROG Mode)");
    EXPECT_EQ(layout::EditEquationToolTip(kEmailSlot),
              "Logical Equation for Email Alarm (PROG Mode)");
}

struct ConversionCase {
    int twips;
    int dpi;
    int pixels;
};

class TwipsConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(TwipsConversionTest, RoundsToTheNearestPixel) {
    EXPECT_EQ(TwipsToPixels(GetParam().twips, GetParam().dpi), GetParam().pixels);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TwipsConversionTest,
    ::testing::Values(ConversionCase{15, 96, 1}, ConversionCase{7, 96, 0}, ConversionCase{8, 96, 1},
                      ConversionCase{-8, 96, -1}, ConversionCase{5655, 96, 377},
                      ConversionCase{5655, 144, 566}, ConversionCase{2895, 192, 386},
                      ConversionCase{1440, 144, 144}),
    [](const auto& info) { return testing::CaseName(info.param.twips, "at", info.param.dpi); });

TEST(TwipsRoundTripTest, WholePixelsGoThereAndBack) {
    for (int dpi : {96, 120, 144, 192}) {
        for (int pixels : {-40, 0, 1, 17, 377, 1920}) {
            EXPECT_EQ(TwipsToPixels(PixelsToTwips(pixels, dpi), dpi), pixels) << dpi;
        }
    }
}

class PictureTest : public ::testing::TestWithParam<std::pair<const char*, Picture (*)()>> {};

TEST_P(PictureTest, EveryShapeStaysInsideThePicture) {
    const Picture picture = GetParam().second();
    ASSERT_FALSE(picture.shapes.empty());
    for (const PictureShape& shape : picture.shapes) {
        ASSERT_GE(shape.points.size(), 2u);
        for (const PicturePoint& point : shape.points) {
            EXPECT_GE(point.x, 0.0);
            EXPECT_GE(point.y, 0.0);
            EXPECT_LE(point.x, picture.width);
            EXPECT_LE(point.y, picture.height);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, PictureTest,
                         ::testing::Values(std::pair{"Bell", &BellPicture},
                                           std::pair{"Envelope", &EnvelopePicture},
                                           std::pair{"GreyEnvelope", &GreyEnvelopePicture},
                                           std::pair{"Gear", &GearPicture},
                                           std::pair{"WindowIcon", &WindowIconPicture}),
                         [](const auto& info) { return std::string(info.param.first); });

TEST(EnvelopePictureTest, TheDisabledEnvelopeIsTheSameDrawingInGrey) {
    const Picture coloured = EnvelopePicture();
    const Picture grey = GreyEnvelopePicture();
    ASSERT_EQ(coloured.shapes.size(), grey.shapes.size());
    for (std::size_t i = 0; i < grey.shapes.size(); ++i) {
        EXPECT_EQ(coloured.shapes[i].points.size(), grey.shapes[i].points.size());
        EXPECT_NE(coloured.shapes[i].pen, grey.shapes[i].pen);
    }
}

}  // namespace
}  // namespace quillon
