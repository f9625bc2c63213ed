#pragma once

#include "engine/Labels.h"

#include <QString>
#include <utility>
#include <vector>

// Records every label write, in order.
struct LabelRecorder : LabelSink {
    std::vector<std::pair<Label, QString>> writes;
    void setLabel(Label label, const QString& text) override { writes.emplace_back(label, text); }
};
