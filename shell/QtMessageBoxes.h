#pragma once

#include "MessageBoxes.h"

// Application-modal QMessageBoxes. exec() runs a nested event loop, so counting goes on behind
// every question.
class QtMessageBoxes : public MessageBoxes {
public:
    MsgResult MsgBox(const MsgBoxSpec& box) override;
};
