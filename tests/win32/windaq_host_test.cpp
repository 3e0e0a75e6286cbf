// SPDX-License-Identifier: MIT
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <oleauto.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "case_name.hpp"
#include "com_test_fixture.hpp"
#include "host/host_error.hpp"
#include "host/windaq/windaq_host.hpp"
#include "platform/win32/com_text.hpp"

namespace quillon::testing {
namespace {

using windaq::WinDaqHost;
constexpr WORD kCall = DISPATCH_METHOD | DISPATCH_PROPERTYGET;

std::function<void(VARIANT&)> Returns(VARTYPE type, double value) {
    return [type, value](VARIANT& result) {
        V_VT(&result) = VT_R8;
        V_R8(&result) = value;
        ::VariantChangeType(&result, &result, 0, type);
    };
}

std::function<void(VARIANT&)> ReturnsText(const std::string& text) {
    return [text](VARIANT& result) {
        V_VT(&result) = VT_BSTR;
        V_BSTR(&result) = ::SysAllocString(WideText(text).c_str());
    };
}

// A (channels x scans) array whose element (c, s) is 10 * c + s, with the given lower bounds.
std::function<void(VARIANT&)> ReturnsScans(VARTYPE element, int channels, int scans,
                                           LONG channel_base, LONG scan_base) {
    return [=](VARIANT& result) {
        SAFEARRAYBOUND bounds[2] = {{static_cast<ULONG>(channels), channel_base},
                                    {static_cast<ULONG>(scans), scan_base}};
        SAFEARRAY* array = ::SafeArrayCreate(element, 2, bounds);
        for (int c = 0; c < channels; ++c) {
            for (int s = 0; s < scans; ++s) {
                LONG index[2] = {channel_base + c, scan_base + s};
                VARIANT value;
                V_VT(&value) = VT_R8;
                V_R8(&value) = 10.0 * c + s;
                if (element == VT_VARIANT) {
                    ::SafeArrayPutElement(array, index, &value);
                    continue;
                }
                ::VariantChangeType(&value, &value, 0, element);
                ::SafeArrayPutElement(array, index, &V_I4(&value));
            }
        }
        V_VT(&result) = VT_ARRAY | element;
        V_ARRAY(&result) = array;
    };
}

std::string BlockText(const SampleBlock& block) {
    std::ostringstream text;
    for (int c = 0; c < block.Channels(); ++c) {
        text << (c > 0 ? "; " : "");
        for (int s = 0; s < block.Scans(); ++s) {
            text << (s > 0 ? " " : "") << block.At(c, s);
        }
    }
    return text.str();
}

// The selected channels' scans, then every channel's newest.
std::string WindowText(const WindowBlock& block) {
    std::ostringstream text;
    for (const std::int16_t channel : block.HeldChannels()) {
        text << channel << ":";
        for (const double value : block.Series(channel)) {
            text << " " << value;
        }
        text << "; ";
    }
    text << "newest:";
    for (int c = 0; c < block.Channels(); ++c) {
        text << " " << block.Newest(c);
    }
    return text.str();
}

std::string Number(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

struct ExpectedArgument {
    VARTYPE type;
    double number;
    std::string text;
};

struct OperationCase {
    std::string name;
    std::function<std::string(WinDaqHost&)> operation;
    std::function<void(VARIANT&)> result;
    DISPID id;
    WORD flags;
    std::vector<ExpectedArgument> arguments;
    std::string decoded;
};

const OperationCase kOperations[] = {
    {"PutIdentification",
     [](WinDaqHost& h) {
         h.SetIdentification("rig 7");
         return std::string();
     },
     {},
     1,
     DISPATCH_PROPERTYPUT,
     {{VT_BSTR, 0, "rig 7"}},
     ""},
    {"GetIdentification",
     [](WinDaqHost& h) { return h.Identification(); },
     ReturnsText("DI-718B"),
     1,
     DISPATCH_PROPERTYGET,
     {},
     "DI-718B"},
    {"ChannelCountFromLong",
     [](WinDaqHost& h) { return Number(h.ChannelCount()); },
     Returns(VT_I4, 12),
     2,
     DISPATCH_PROPERTYGET,
     {},
     "12"},
    {"HostValueFromFloat",
     [](WinDaqHost& h) { return Number(h.HostValue()); },
     Returns(VT_R4, 2.5),
     3,
     kCall,
     {},
     "2.5"},
    {"UpperRangeByReference",
     [](WinDaqHost& h) { return Number(h.UpperRange(3)); },
     Returns(VT_R8, 10),
     6,
     kCall,
     {{VT_I2 | VT_BYREF, 3, ""}},
     "10"},
    {"LowerRangeByReference",
     [](WinDaqHost& h) { return Number(h.LowerRange(3)); },
     Returns(VT_R8, -10),
     7,
     kCall,
     {{VT_I2 | VT_BYREF, 3, ""}},
     "-10"},
    {"ModelFromShort",
     [](WinDaqHost& h) { return Number(h.InstrumentModel(-2)); },
     Returns(VT_I2, 720),
     8,
     kCall,
     {{VT_I2, -2, ""}},
     "720"},
    {"ModelFromText",
     [](WinDaqHost& h) { return Number(h.InstrumentModel(-2)); },
     ReturnsText("70000"),
     8,
     kCall,
     {{VT_I2, -2, ""}},
     "70000"},
    {"DigitalMark",
     [](WinDaqHost& h) { return Number(h.DigitalInputMark(5)); },
     Returns(VT_I4, -1),
     12,
     kCall,
     {{VT_I2, 5, ""}},
     "-1"},
    {"PrepareAcquisition",
     [](WinDaqHost& h) {
         h.PrepareAcquisition();
         return std::string();
     },
     {},
     14,
     kCall,
     {},
     ""},
    {"CompleteStartup",
     [](WinDaqHost& h) {
         h.CompleteStartup();
         return std::string();
     },
     {},
     15,
     kCall,
     {},
     ""},
    {"WriteHighByteWord",
     [](WinDaqHost& h) {
         h.WriteDigitalOutputs(-256);
         return std::string();
     },
     {},
     16,
     kCall,
     {{VT_I2, -256, ""}},
     ""},
    {"ReadVariantScans",
     [](WinDaqHost& h) {
         SampleBlock block;
         h.ReadScans(3, block);
         return BlockText(block);
     },
     ReturnsScans(VT_VARIANT, 2, 3, 1, 5),
     20,
     kCall,
     {{VT_I2, 3, ""}, {VT_I4, 1, ""}},
     "0 1 2; 10 11 12"},
    {"ReadDoubleScans",
     [](WinDaqHost& h) {
         SampleBlock block;
         h.ReadScans(2, block);
         return BlockText(block);
     },
     ReturnsScans(VT_R8, 3, 2, -4, 0),
     20,
     kCall,
     {{VT_I2, 2, ""}, {VT_I4, 1, ""}},
     "0 1; 10 11; 20 21"},
    {"ReadFloatScans",
     [](WinDaqHost& h) {
         SampleBlock block;
         h.ReadScans(2, block);
         return BlockText(block);
     },
     ReturnsScans(VT_R4, 1, 2, 0, 7),
     20,
     kCall,
     {{VT_I2, 2, ""}, {VT_I4, 1, ""}},
     "0 1"},
    {"ReadShortScans",
     [](WinDaqHost& h) {
         SampleBlock block;
         h.ReadScans(1, block);
         return BlockText(block);
     },
     ReturnsScans(VT_I2, 2, 1, 0, 0),
     20,
     kCall,
     {{VT_I2, 1, ""}, {VT_I4, 1, ""}},
     "0; 10"},
    {"ReadVariantWindowOfOneChannel",
     [](WinDaqHost& h) {
         WindowBlock block;
         block.Select({1});
         h.ReadWindow(3, block);
         return WindowText(block);
     },
     ReturnsScans(VT_VARIANT, 3, 3, 1, 5),
     20,
     kCall,
     {{VT_I2, 3, ""}, {VT_I4, 1, ""}},
     "1: 10 11 12; newest: 2 12 22"},
    {"ReadDoubleWindowOfTwoChannels",
     [](WinDaqHost& h) {
         WindowBlock block;
         block.Select({0, 2});
         h.ReadWindow(2, block);
         return WindowText(block);
     },
     ReturnsScans(VT_R8, 3, 2, -4, 0),
     20,
     kCall,
     {{VT_I2, 2, ""}, {VT_I4, 1, ""}},
     "0: 0 1; 2: 20 21; newest: 1 11 21"},
    {"ChannelTextByReference",
     [](WinDaqHost& h) { return h.ChannelText(2); },
     ReturnsText("Tank level"),
     21,
     kCall,
     {{VT_I2 | VT_BYREF, 2, ""}},
     "Tank level"},
};

class WinDaqOperationTest : public FakeControlTest,
                            public ::testing::WithParamInterface<OperationCase> {};

TEST_P(WinDaqOperationTest, SendsTheArgumentShapesAndDecodesTheResult) {
    const OperationCase& row = GetParam();
    if (row.result) {
        script_->results[row.id] = row.result;
    }
    WinDaqHost host;
    const std::size_t before = script_->calls.size();
    EXPECT_EQ(row.operation(host), row.decoded);
    ASSERT_EQ(script_->calls.size(), before + 1);
    const ReceivedCall& call = script_->calls.back();
    EXPECT_EQ(call.id, row.id);
    EXPECT_EQ(call.flags, row.flags);
    ASSERT_EQ(call.arguments.size(), row.arguments.size());
    for (std::size_t i = 0; i < row.arguments.size(); ++i) {
        EXPECT_EQ(call.arguments[i].type, row.arguments[i].type) << "argument " << i;
        EXPECT_EQ(call.arguments[i].number, row.arguments[i].number) << "argument " << i;
        EXPECT_EQ(call.arguments[i].text, row.arguments[i].text) << "argument " << i;
    }
    const std::vector<DISPID> named = row.flags == DISPATCH_PROPERTYPUT
                                          ? std::vector<DISPID>{DISPID_PROPERTYPUT}
                                          : std::vector<DISPID>{};
    EXPECT_EQ(call.named, named);
}

INSTANTIATE_TEST_SUITE_P(EveryOperation, WinDaqOperationTest, ::testing::ValuesIn(kOperations),
                         [](const auto& info) { return CaseName(info.param.name); });

struct FailureCase {
    std::string name;
    std::function<void(FakeControlScript&)> arrange;
    std::string message_part;
};

const FailureCase kFailures[] = {
    {"ControlException",
     [](FakeControlScript& s) { s.exception_texts[20] = "Acquisition is not running"; },
     "dispatch id 20 failed: Acquisition is not running"},
    {"FailingHresult", [](FakeControlScript& s) { s.failures[20] = DISP_E_MEMBERNOTFOUND; },
     "dispatch id 20 failed: "},
    {"NotAnArray", [](FakeControlScript& s) { s.results[20] = Returns(VT_R8, 1); },
     "returned no array"},
    {"OneDimension",
     [](FakeControlScript& s) {
         s.results[20] = [](VARIANT& result) {
             V_VT(&result) = VT_ARRAY | VT_R8;
             V_ARRAY(&result) = ::SafeArrayCreateVector(VT_R8, 0, 4);
         };
     },
     "1 dimensions, not 2"},
    {"TextElements",
     [](FakeControlScript& s) {
         s.results[20] = [](VARIANT& result) {
             SAFEARRAYBOUND bounds[2] = {{1, 0}, {1, 0}};
             V_VT(&result) = VT_ARRAY | VT_BSTR;
             V_ARRAY(&result) = ::SafeArrayCreate(VT_BSTR, 2, bounds);
         };
     },
     "not numbers or variants"},
};

class WinDaqFailureTest : public FakeControlTest,
                          public ::testing::WithParamInterface<FailureCase> {};

TEST_P(WinDaqFailureTest, BecomesHostErrorWithTheControlsText) {
    GetParam().arrange(*script_);
    WinDaqHost host;
    SampleBlock block;
    try {
        host.ReadScans(1, block);
        FAIL() << "no HostError";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr(GetParam().message_part));
    }
}

INSTANTIATE_TEST_SUITE_P(ScanReads, WinDaqFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return CaseName(info.param.name); });

using WinDaqHostTest = FakeControlTest;

// The calls the control heard after its creation and activation.
std::vector<std::string> CallsSince(const std::vector<std::string>& calls,
                                    const std::string& first) {
    const auto start = std::find(calls.begin(), calls.end(), first);
    return {start, calls.end()};
}

TEST_F(WinDaqHostTest, IsSitedLikeAFormAndReleasedBeforeComEnds) {
    {
        WinDaqHost host;
        EXPECT_THAT(script_->container_calls,
                    ::testing::UnorderedElementsAre("SetClientSite", "InitNew"));
        EXPECT_EQ(script_->advised_sinks, 1);
    }
    const std::vector<std::string> ending = CallsSince(script_->container_calls, "Close");
    ASSERT_GE(ending.size(), 3u) << ::testing::PrintToString(script_->container_calls);
    EXPECT_EQ(ending[1], "SetClientSite(0)");
    EXPECT_EQ(ending.back(), "Released");
    EXPECT_EQ(script_->advised_sinks, 0);
    EXPECT_EQ(script_->live_instances, 0);
}

TEST_F(WinDaqHostTest, AnInPlaceControlIsActiveOnAHiddenWindowAndDeactivatedBeforeRelease) {
    script_->needs_in_place_activation = true;
    script_->results[2] = Returns(VT_I2, 4);
    {
        WinDaqHost host;
        EXPECT_EQ(host.ChannelCount(), 4) << "the control answers once active";
        EXPECT_EQ(script_->window_root_class, "Static");
        HWND root = ::GetAncestor(::FindWindowExW(nullptr, nullptr, L"Static", L""), GA_ROOT);
        EXPECT_FALSE(::IsWindowVisible(root));
    }
    const std::vector<std::string> ending = CallsSince(script_->container_calls, "Deactivate");
    ASSERT_GE(ending.size(), 3u) << ::testing::PrintToString(script_->container_calls);
    EXPECT_EQ(ending[1], "Close");
    EXPECT_EQ(ending[2], "SetClientSite(0)");
    EXPECT_EQ(ending.back(), "Released") << "deactivated and unsited before it is let go";
    EXPECT_EQ(script_->live_instances, 0);
}

TEST_F(WinDaqHostTest, IsActivatedEvenWhenTheContainerLeavesItInactive) {
    script_->needs_in_place_activation = true;
    script_->activations_ignored = 1;
    script_->results[2] = Returns(VT_I2, 3);
    WinDaqHost host;
    EXPECT_EQ(host.ChannelCount(), 3);
}

TEST_F(WinDaqHostTest, MovedOntoAWindowTheControlEndsWithIt) {
    script_->needs_in_place_activation = true;
    HWND form = ::CreateWindowExW(0, L"Button", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                                  nullptr, nullptr, nullptr, nullptr);
    WinDaqHost host;
    host.MoveInto(form);
    host.CompleteStartup();
    EXPECT_EQ(script_->window_root_class, "Button");
    ::DestroyWindow(form);
    EXPECT_THAT(CallsSince(script_->container_calls, "Deactivate"),
                ::testing::IsSupersetOf({"Deactivate", "SetClientSite(0)"}))
        << "deactivated with the window, while the host object lives on";
    EXPECT_EQ(script_->live_instances, 1);
}

TEST_F(WinDaqHostTest, AControlWithoutContainerInterfacesWorksThroughDispatch) {
    script_->offers_ole_object = false;
    script_->results[2] = Returns(VT_I2, 4);
    WinDaqHost host;
    EXPECT_EQ(host.ChannelCount(), 4);
    EXPECT_THAT(script_->container_calls,
                ::testing::Each(::testing::Eq("Released")))  // only the container's own try
        << "never sited";
}

TEST_F(WinDaqHostTest, TheExitEventIsPassedOnOnceFromService) {
    WinDaqHost host;
    int exits = 0;
    host.OnExit([&] { ++exits; });
    FakeWinDaqControlClass::FireEvent(7);  // another event: ignored
    host.Service();
    EXPECT_EQ(exits, 0);
    FakeWinDaqControlClass::FireEvent(10);
    EXPECT_EQ(exits, 0) << "never from inside the control's own call";
    host.Service();
    FakeWinDaqControlClass::FireEvent(10);
    host.Service();
    EXPECT_EQ(exits, 1);
}

TEST_F(WinDaqHostTest, AMissingControlIsExplainedInWords) {
    FakeWinDaqControlClass::UnregisterProgId();
    try {
        WinDaqHost host;
        FAIL() << "created without a control";
    } catch (const HostError& error) {
        EXPECT_THAT(error.what(), ::testing::HasSubstr("is not installed on this computer"));
        EXPECT_THAT(error.what(), ::testing::HasSubstr("install the host program"));
    }
    FakeWinDaqControlClass::RegisterProgId();
}

}  // namespace
}  // namespace quillon::testing
