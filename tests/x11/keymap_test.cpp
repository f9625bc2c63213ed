#include <gtest/gtest.h>
#include <map>
#include <vector>

// After gtest, whose names Xlib's macros (None...) would hit.
#include "platform/MonitorChoice.h"
#include "platform/x11/KeyMap.h"
#include "platform/x11/X11Desktop.h"

namespace {

// X keycodes are Linux input codes plus 8. Two keys with one code would count an overlapping
// roll of them as one click: only the two sides of a modifier and the two Enter keys share.
TEST(KeyMap, EveryKeyOfAStandardKeyboardHasACodeOfItsOwnAndButtonsCountExceptTheWheel) {
    std::map<int, int> keys;
    for (int keycode = 0; keycode < 256; ++keycode) {
        ++keys[VirtualKeyOfKeycode(keycode)];
    }
    keys.erase(kVkUnassigned);
    for (const auto& [code, count] : keys) {
        const bool pair = code == 0x0D || (code >= 0x10 && code <= 0x12);
        EXPECT_EQ(count, pair ? 2 : 1) << code;
    }
    EXPECT_GE(keys.size(), 104U);
    for (const auto& [keycode, code] : std::map<int, int>{
             {38, 'A'}, {10, '1'}, {94, 0xE2}, {87, 0x61}, {95, 0x7A}, {300, kVkUnassigned}}) {
        EXPECT_EQ(VirtualKeyOfKeycode(keycode), code) << keycode;
    }
    for (const auto& [button, code] : std::map<int, int>{
             {1, 1}, {3, 2}, {2, 4}, {8, 5}, {9, 6}, {4, kVkNone}, {7, kVkNone}, {12, 0xFF}}) {
        EXPECT_EQ(VirtualButtonOf(button), code) << button;
    }
}

TEST(MonitorChoice, PrimaryElseTheOneAtTheOriginElseNone) {
    const MonitorRect left{0, 0, 1920, 1080}, right{1920, 0, 1280, 1024};
    const MonitorRect rightPrimary{1920, 0, 2560, 1440, 0, 0, true};
    const MonitorRect turnedPrimary{1920, 0, 1080, 1920, 0, 0, true};
    const MonitorRect darkPrimary{0, 0, 0, 0, 0, 0, true}; // an output without a picture
    // The chosen width; 0: none, the caller takes the root window.
    for (const auto& [monitors, width] : std::vector<std::pair<std::vector<MonitorRect>, int>>{
             {{left, rightPrimary}, 2560},
             {{left, turnedPrimary}, 1080},
             {{right, left}, 1920},
             {{darkPrimary, right, left}, 1920},
             {{{-1920, -1080, 1920, 1080}, {100, 0, 800, 600}}, 0},
             {{}, 0}}) {
        const auto chosen = ChoosePrimaryMonitor(monitors);
        EXPECT_EQ(chosen ? chosen->width : 0, width);
    }
}

// The server's 32-bit milliseconds wrap every 49.7 days; a desktop may go without input for
// longer than the 24.8 days a signed difference to the last stamp spans.
TEST(ServerTime, UnwrapsToTheStampNearestTheTimeItIsNow) {
    constexpr std::int64_t kWrap = std::int64_t{1} << 32, kDay = 24 * 3600 * 1000;
    // Now, and an event's time: just before it, across the wrap both ways, after long silences.
    const std::pair<std::int64_t, std::int64_t> rows[] = {{1000, 990},
                                                          {kWrap + 5, kWrap - 10},
                                                          {kWrap - 5, kWrap + 3},
                                                          {30 * kDay, 30 * kDay - 7},
                                                          {60 * kDay + 12, 60 * kDay + 15}};
    for (const auto& [now, stamp] : rows) {
        EXPECT_EQ(UnwrapServerTime(static_cast<std::uint32_t>(stamp), now), stamp) << now;
    }
}

} // namespace
