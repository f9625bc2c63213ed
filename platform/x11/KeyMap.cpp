#include "KeyMap.h"

#include <X11/XF86keysym.h>
#include <X11/keysym.h>

namespace {

struct SymCode {
    KeySym sym;
    int vk;
};

// Keysyms (of the unshifted level) that are not letters, digits, F-keys or keypad keys, with
// their virtual-key codes. The punctuation keys take the OEM codes of the US layout.
constexpr SymCode kTable[] = {
    {XK_Break, 0x03},
    {XK_BackSpace, 0x08},
    {XK_Tab, 0x09},
    {XK_ISO_Left_Tab, 0x09},
    {XK_Clear, 0x0C},
    {XK_Return, 0x0D},
    {XK_KP_Enter, 0x0D},
    {XK_Shift_L, 0x10},
    {XK_Shift_R, 0x10},
    {XK_Control_L, 0x11},
    {XK_Control_R, 0x11},
    {XK_Alt_L, 0x12},
    {XK_Alt_R, 0x12},
    {XK_Meta_L, 0x12},
    {XK_Meta_R, 0x12},
    {XK_ISO_Level3_Shift, 0x12},
    {XK_Mode_switch, 0x12},
    {XK_Pause, 0x13},
    {XK_Caps_Lock, 0x14},
    {XK_Escape, 0x1B},
    {XK_space, 0x20},
    {XK_Prior, 0x21},
    {XK_Next, 0x22},
    {XK_End, 0x23},
    {XK_Home, 0x24},
    {XK_Left, 0x25},
    {XK_Up, 0x26},
    {XK_Right, 0x27},
    {XK_Down, 0x28},
    {XK_Select, 0x29},
    {XK_Execute, 0x2B},
    {XK_Print, 0x2C},
    {XK_Sys_Req, 0x2C},
    {XK_Insert, 0x2D},
    {XK_Delete, 0x2E},
    {XK_Help, 0x2F},
    {XK_Super_L, 0x5B},
    {XK_Super_R, 0x5C},
    {XK_Menu, 0x5D},
    {XF86XK_Sleep, 0x5F},
    {XK_KP_Multiply, 0x6A},
    {XK_KP_Add, 0x6B},
    {XK_KP_Subtract, 0x6D},
    {XK_KP_Divide, 0x6F},
    {XK_Num_Lock, 0x90},
    {XK_Scroll_Lock, 0x91},
    {XF86XK_Back, 0xA6},
    {XF86XK_Forward, 0xA7},
    {XF86XK_Reload, 0xA8},
    {XF86XK_Stop, 0xA9},
    {XF86XK_Search, 0xAA},
    {XF86XK_Favorites, 0xAB},
    {XF86XK_HomePage, 0xAC},
    {XF86XK_AudioMute, 0xAD},
    {XF86XK_AudioLowerVolume, 0xAE},
    {XF86XK_AudioRaiseVolume, 0xAF},
    {XF86XK_AudioNext, 0xB0},
    {XF86XK_AudioPrev, 0xB1},
    {XF86XK_AudioStop, 0xB2},
    {XF86XK_AudioPlay, 0xB3},
    {XF86XK_AudioPause, 0xB3},
    {XF86XK_Mail, 0xB4},
    {XF86XK_AudioMedia, 0xB5},
    {XF86XK_MyComputer, 0xB6},
    {XF86XK_Calculator, 0xB7},
    {XK_semicolon, 0xBA},
    {XK_equal, 0xBB},
    {XK_plus, 0xBB},
    {XK_comma, 0xBC},
    {XK_minus, 0xBD},
    {XK_period, 0xBE},
    {XK_slash, 0xBF},
    {XK_grave, 0xC0},
    {XK_bracketleft, 0xDB},
    {XK_backslash, 0xDC},
    {XK_bracketright, 0xDD},
    {XK_apostrophe, 0xDE},
    {XK_less, 0xE2},
};

int KeypadCodeOf(KeySym sym) {
    if (sym >= XK_KP_0 && sym <= XK_KP_9) {
        return 0x60 + static_cast<int>(sym - XK_KP_0);
    }
    if (sym == XK_KP_Decimal || sym == XK_KP_Separator) {
        return 0x6E;
    }
    return kVkNone;
}

int CodeOfSym(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) {
        return 'A' + static_cast<int>(sym - XK_a);
    }
    if (sym >= XK_A && sym <= XK_Z) {
        return 'A' + static_cast<int>(sym - XK_A);
    }
    if (sym >= XK_0 && sym <= XK_9) {
        return '0' + static_cast<int>(sym - XK_0);
    }
    if (sym >= XK_F1 && sym <= XK_F24) {
        return 0x70 + static_cast<int>(sym - XK_F1);
    }
    for (const SymCode& entry : kTable) {
        if (entry.sym == sym) {
            return entry.vk;
        }
    }
    return kVkNone;
}

} // namespace

int VirtualKeyOf(const KeySym* syms, int count) {
    // The keypad's digit keys carry KP_Home, KP_End ... on their first level and the digits on
    // the second; they count as the digits, as on Windows with Num Lock on.
    for (int level = 0; level < count; ++level) {
        if (const int code = KeypadCodeOf(syms[level]); code != kVkNone) {
            return code;
        }
    }
    for (int level = 0; level < count; ++level) {
        if (syms[level] == NoSymbol) {
            continue;
        }
        const int code = CodeOfSym(syms[level]);
        return code == kVkNone ? kVkUnassigned : code;
    }
    return kVkUnassigned;
}

int VirtualButtonOf(int button) {
    switch (button) {
    case 1:
        return 0x01; // VK_LBUTTON
    case 2:
        return 0x04; // VK_MBUTTON
    case 3:
        return 0x02; // VK_RBUTTON
    case 4:
    case 5:
    case 6:
    case 7:
        return kVkNone; // the wheel, vertical and horizontal
    case 8:
        return 0x05; // VK_XBUTTON1, back
    case 9:
        return 0x06; // VK_XBUTTON2, forward
    default:
        return kVkUnassigned;
    }
}
