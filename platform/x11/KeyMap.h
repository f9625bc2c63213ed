#pragma once

// Windows virtual-key codes for X keys and pointer buttons, so that the same typing gives the
// same counts as on Windows. Pure functions: no display needed.

// The code of keys that have no place on a standard keyboard (the value Windows keyboard layouts
// give their unassigned keys).
inline constexpr int kVkUnassigned = 0xFF;
// What a pointer button that is no press (the wheel) maps to.
inline constexpr int kVkNone = -1;

// The virtual-key code of the key at the position of X keycode `keycode` on a US keyboard. X
// servers number keys by their Linux input codes plus 8 (evdev), whatever the keyboard layout,
// so every physical key keeps its own code under every layout and a layout switch changes
// nothing. Keypad digits give their numeric-keypad codes whatever Num Lock says.
int VirtualKeyOfKeycode(int keycode);

// The virtual-key code of a physical pointer button (1 left, 2 middle, 3 right, 4 to 7 the
// wheel, 8 back, 9 forward), kVkNone for the wheel.
int VirtualButtonOf(int button);
