#include "KeyMap.h"

#include <array>

namespace {

// X keycodes are Linux input codes plus this.
constexpr int kEvdevOffset = 8;

struct PositionCode {
    int evdev; // the key's Linux input code
    int vk;
};

// Keys by position. Both Shift, both Control and both Alt keys give the one code Windows
// reports for either side; the keypad's Enter gives Enter's.
constexpr PositionCode kPositions[] = {
    {1, 0x1B},   {2, '1'},    {3, '2'},    {4, '3'},    {5, '4'},    {6, '5'},    {7, '6'},
    {8, '7'},    {9, '8'},    {10, '9'},   {11, '0'},   {12, 0xBD},  {13, 0xBB},  {14, 0x08},
    {15, 0x09},  {16, 'Q'},   {17, 'W'},   {18, 'E'},   {19, 'R'},   {20, 'T'},   {21, 'Y'},
    {22, 'U'},   {23, 'I'},   {24, 'O'},   {25, 'P'},   {26, 0xDB},  {27, 0xDD},  {28, 0x0D},
    {29, 0x11},  {30, 'A'},   {31, 'S'},   {32, 'D'},   {33, 'F'},   {34, 'G'},   {35, 'H'},
    {36, 'J'},   {37, 'K'},   {38, 'L'},   {39, 0xBA},  {40, 0xDE},  {41, 0xC0},  {42, 0x10},
    {43, 0xDC},  {44, 'Z'},   {45, 'X'},   {46, 'C'},   {47, 'V'},   {48, 'B'},   {49, 'N'},
    {50, 'M'},   {51, 0xBC},  {52, 0xBE},  {53, 0xBF},  {54, 0x10},  {55, 0x6A},  {56, 0x12},
    {57, 0x20},  {58, 0x14},  {69, 0x90},  {70, 0x91},  {71, 0x67},  {72, 0x68},  {73, 0x69},
    {74, 0x6D},  {75, 0x64},  {76, 0x65},  {77, 0x66},  {78, 0x6B},  {79, 0x61},  {80, 0x62},
    {81, 0x63},  {82, 0x60},  {83, 0x6E},  {86, 0xE2},  {87, 0x7A},  {88, 0x7B},  {96, 0x0D},
    {97, 0x11},  {98, 0x6F},  {99, 0x2C},  {100, 0x12}, {102, 0x24}, {103, 0x26}, {104, 0x21},
    {105, 0x25}, {106, 0x27}, {107, 0x23}, {108, 0x28}, {109, 0x22}, {110, 0x2D}, {111, 0x2E},
    {113, 0xAD}, {114, 0xAE}, {115, 0xAF}, {119, 0x13}, {125, 0x5B}, {126, 0x5C}, {127, 0x5D},
    {128, 0xA9}, {140, 0xB7}, {142, 0x5F}, {155, 0xB4}, {156, 0xAB}, {157, 0xB6}, {158, 0xA6},
    {159, 0xA7}, {163, 0xB0}, {164, 0xB3}, {165, 0xB1}, {166, 0xB2}, {172, 0xAC}, {173, 0xA8},
    {217, 0xAA}, {226, 0xB5},
};
// F1 to F10 and F13 to F24 lie in runs.
constexpr int kEvdevF1 = 59;
constexpr int kEvdevF13 = 183;
constexpr int kVkF1 = 0x70;
constexpr int kVkF13 = 0x7C;

constexpr std::array<unsigned char, 256> BuildTable() {
    std::array<unsigned char, 256> table{};
    table.fill(kVkUnassigned);
    for (const PositionCode& key : kPositions) {
        table[key.evdev + kEvdevOffset] = static_cast<unsigned char>(key.vk);
    }
    for (int i = 0; i < 10; ++i) {
        table[kEvdevF1 + i + kEvdevOffset] = static_cast<unsigned char>(kVkF1 + i);
    }
    for (int i = 0; i < 12; ++i) {
        table[kEvdevF13 + i + kEvdevOffset] = static_cast<unsigned char>(kVkF13 + i);
    }
    return table;
}

constexpr std::array<unsigned char, 256> kCodeOfKeycode = BuildTable();

} // namespace

int VirtualKeyOfKeycode(int keycode) {
    return keycode >= 0 && keycode < 256 ? kCodeOfKeycode[keycode] : kVkUnassigned;
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
