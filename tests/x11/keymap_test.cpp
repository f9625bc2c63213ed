#include <gtest/gtest.h>
#include <vector>

// After gtest, whose names Xlib's macros (None...) would hit.
#include "platform/x11/KeyMap.h"
#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace {

int Code(std::vector<KeySym> levels) {
    return VirtualKeyOf(levels.data(), static_cast<int>(levels.size()));
}

TEST(KeyMap, KeysTakeTheirWindowsCodesFromTheUnshiftedLevel) {
    EXPECT_EQ(Code({XK_a, XK_A}), 65);
    EXPECT_EQ(Code({XK_z, XK_Z}), 90);
    EXPECT_EQ(Code({XK_0, XK_parenright}), 48);
    EXPECT_EQ(Code({XK_9, XK_parenleft}), 57);
    EXPECT_EQ(Code({XK_Shift_R}), 16);
    EXPECT_EQ(Code({XK_Control_L}), 17);
    EXPECT_EQ(Code({XK_Alt_L, XK_Meta_L}), 18);
    EXPECT_EQ(Code({XK_Return}), 13);
    EXPECT_EQ(Code({XK_space}), 32);
    EXPECT_EQ(Code({XK_F1}), 0x70);
    EXPECT_EQ(Code({XK_F24}), 0x87);
    EXPECT_EQ(Code({XK_semicolon, XK_colon}), 0xBA);
    EXPECT_EQ(Code({XK_apostrophe, XK_quotedbl}), 0xDE);
    EXPECT_EQ(Code({XK_less, XK_greater}), 0xE2);
    EXPECT_EQ(Code({XF86XK_AudioMute}), 0xAD);
    // A key whose first level is empty is named by the next one.
    EXPECT_EQ(Code({NoSymbol, XK_Escape}), 0x1B);
}

TEST(KeyMap, KeypadKeysCountAsWithNumLockOn) {
    EXPECT_EQ(Code({XK_KP_Home, XK_KP_7}), 0x67);
    EXPECT_EQ(Code({XK_KP_Insert, XK_KP_0}), 0x60);
    EXPECT_EQ(Code({XK_KP_Delete, XK_KP_Decimal}), 0x6E);
    EXPECT_EQ(Code({XK_KP_Delete, XK_KP_Separator}), 0x6E);
    EXPECT_EQ(Code({XK_KP_Add}), 0x6B);
    EXPECT_EQ(Code({XK_KP_Enter}), 13);
}

TEST(KeyMap, KeysWithoutAWindowsCodeShareOne) {
    EXPECT_EQ(Code({XK_udiaeresis, XK_Udiaeresis}), kVkUnassigned);
    EXPECT_EQ(Code({XK_Cyrillic_ef}), kVkUnassigned);
    EXPECT_EQ(Code({NoSymbol, NoSymbol}), kVkUnassigned);
    EXPECT_EQ(Code({}), kVkUnassigned);
}

TEST(KeyMap, ButtonsCountExceptTheWheel) {
    EXPECT_EQ(VirtualButtonOf(1), 1);
    EXPECT_EQ(VirtualButtonOf(3), 2);
    EXPECT_EQ(VirtualButtonOf(2), 4);
    EXPECT_EQ(VirtualButtonOf(8), 5);
    EXPECT_EQ(VirtualButtonOf(9), 6);
    for (int wheel = 4; wheel <= 7; ++wheel) {
        EXPECT_EQ(VirtualButtonOf(wheel), kVkNone) << wheel;
    }
    EXPECT_EQ(VirtualButtonOf(12), kVkUnassigned);
}

} // namespace
