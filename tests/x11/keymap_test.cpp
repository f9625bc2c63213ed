#include <gtest/gtest.h>
#include <map>

// After gtest, whose names Xlib's macros (None...) would hit.
#include "platform/x11/KeyMap.h"

namespace {

// X keycodes of a standard keyboard (evdev: Linux input codes plus 8).
TEST(KeyMap, KeysAreNamedByTheirPlaceOnAUsKeyboard) {
    for (const auto& [keycode, code] : std::map<int, int>{{38, 'A'}, // A, Q on AZERTY
                                                          {10, '1'}, // & on AZERTY
                                                          {19, '0'},
                                                          {20, 0xBD}, // ß on QWERTZ
                                                          {34, 0xDB}, // ü, х
                                                          {94, 0xE2}, // the ISO key
                                                          {87, 0x61}, // keypad 1
                                                          {95, 0x7A}, // F11
                                                          {8, kVkUnassigned},
                                                          {300, kVkUnassigned}}) {
        EXPECT_EQ(VirtualKeyOfKeycode(keycode), code) << keycode;
    }
}

// Two keys with one code would count an overlapping roll of them as one click: only the two
// sides of a modifier and the two Enter keys may share.
TEST(KeyMap, NoTwoKeysShareACodeButTheSidesOfAModifier) {
    std::map<int, int> keys;
    for (int keycode = 0; keycode < 256; ++keycode) {
        const int code = VirtualKeyOfKeycode(keycode);
        if (code != kVkUnassigned) {
            ++keys[code];
        }
    }
    for (const auto& [code, count] : keys) {
        const bool pair = code == 0x0D || (code >= 0x10 && code <= 0x12);
        EXPECT_EQ(count, pair ? 2 : 1) << code;
    }
    EXPECT_GE(keys.size(), 104U);
}

TEST(KeyMap, ButtonsCountExceptTheWheel) {
    for (const auto& [button, code] : std::map<int, int>{
             {1, 1}, {3, 2}, {2, 4}, {8, 5}, {9, 6}, {4, kVkNone}, {7, kVkNone}, {12, 0xFF}}) {
        EXPECT_EQ(VirtualButtonOf(button), code) << button;
    }
}

} // namespace
