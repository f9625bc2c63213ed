#pragma once

#include "Currency.h"

#include <QString>
#include <array>

// The value labels of the main window that the engine, the day rollover and the commands write.
enum class Label : int {
    InputClicks,      // lblInputClicks
    TotalInputClicks, // lblTotalInputClicks
    WindowsViewed,    // lblWindowsViewed
    TotalWinCount,    // lblTotalWinCount
    DistTotal,        // lblDistTotal
    TotalDistTotal,   // lblTotalDistTotal
    Date,             // lblDate
    SinceDate,        // lblSinceDate
};
inline constexpr int kLabelCount = 8;

// Where label texts go: the main window's labels, or a recorder in tests.
class LabelSink {
public:
    virtual ~LabelSink() = default;
    virtual void setLabel(Label label, const QString& text) = 0;
};

// The texts the labels show, kept beside the window so that the tick can compare without
// asking the widgets. Every write goes through here and on to the sink.
class MainLabels {
public:
    MainLabels();
    void setSink(LabelSink* sink) { sink_ = sink; }

    // Exactly the text last written ("0" for the six value labels, "Start" for the dates, at
    // creation).
    const QString& text(Label label) const { return texts_[index(label)]; }
    // The number a count label shows, its text read as a number with group separators ignored.
    Currency shownCount(Label label) const { return counts_[index(label)]; }

    void write(Label label, const QString& text);
    // Writes a count in the count pattern (a zero count gives the empty text).
    void writeCount(Label label, Currency value);

private:
    static constexpr int index(Label label) { return static_cast<int>(label); }
    LabelSink* sink_ = nullptr;
    std::array<QString, kLabelCount> texts_;
    std::array<Currency, kLabelCount> counts_{};
};
