#pragma once

#include <X11/X.h>

// Windows virtual-key codes for X keys and pointer buttons, so that the same typing gives the
// same counts as on Windows. Pure functions: no display needed.

// The code of keys that have no virtual-key equivalent (the value Windows keyboard layouts give
// their unassigned keys).
inline constexpr int kVkUnassigned = 0xFF;
// What a pointer button that is no press (the wheel) maps to.
inline constexpr int kVkNone = -1;

// The virtual-key code of a keycode whose keysyms, first group, levels in order, are `syms`.
// Keypad digit and decimal keys give their numeric-keypad codes whatever Num Lock says.
int VirtualKeyOf(const KeySym* syms, int count);

// The virtual-key code of a physical pointer button (1 left, 2 middle, 3 right, 4 to 7 the
// wheel, 8 back, 9 forward), kVkNone for the wheel.
int VirtualButtonOf(int button);
