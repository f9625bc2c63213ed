#pragma once

#include "platform/DesktopProbe.h"

#include <array>
#include <cstdint>

// A desktop for tests and benchmarks: set the cursor, press and release codes, switch the
// foreground window. Key state follows the desktop's rules exactly: a code is active while it
// is down and, once pressed, until it has been queried.
class FakeDesktop : public DesktopProbe {
public:
    void setCursor(int x, int y) { cursor_ = {x, y}; }
    void moveBy(int dx, int dy) { cursor_ = {cursor_.x + dx, cursor_.y + dy}; }
    void setForeground(WindowHandle window) { foreground_ = window; }
    void setScreenPixels(int width, int height) {
        screen_ = ScreenMetrics::fromPixels(width, height);
    }
    void setScreen(const ScreenMetrics& metrics) { screen_ = metrics; }
    // A change of monitors, told to the screen handler at once.
    void changeScreen(const ScreenMetrics& metrics) {
        screen_ = metrics;
        if (screenHandler_) {
            screenHandler_();
        }
    }
    void press(int code);
    void release(int code);
    // Press and release between two ticks.
    void tap(int code) {
        press(code);
        release(code);
    }
    void setMayRest(bool mayRest) { mayRest_ = mayRest; }

    // How many codes the probe has queried since construction.
    std::int64_t queries() const { return queries_; }

    Point cursorPos() override { return cursor_; }
    WindowHandle foregroundWindow() override { return foreground_; }
    bool keyActive(int code) override;
    int pollKeys(bool armed) override;
    ScreenMetrics screen() override { return screen_; }
    void setScreenHandler(std::function<void()> handler) override {
        screenHandler_ = std::move(handler);
    }
    bool mayRest() const override;

private:
    using Bits = std::array<std::uint64_t, 4>;
    static bool test(const Bits& bits, int code) { return (bits[code >> 6] >> (code & 63)) & 1; }
    static void set(Bits& bits, int code, bool on);

    Point cursor_;
    WindowHandle foreground_ = 0;
    ScreenMetrics screen_ = ScreenMetrics::fromPixels(1200, 900);
    Bits down_{};
    Bits pressedSince_{};
    int lastAnswer_ = kProbeSweepDone;
    bool mayRest_ = true;
    std::function<void()> screenHandler_;
    std::int64_t queries_ = 0;
};
