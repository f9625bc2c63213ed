#pragma once

#include "platform/DesktopProbe.h"

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <utility>

// A desktop for tests and benchmarks: set the cursor, press and release codes, switch the
// foreground window. Key state follows the desktop's rules exactly: a code is active while it
// is down and, once pressed, until it has been queried.
//
// Stamped, it stands for a desktop whose events carry time stamps: from stampAt() on, cursor,
// key and window changes wait, stamped with the time last given, until sampleAt() reaches it.
// A 0 after a window is held back by the grace (ForegroundGrace) as of the millisecond last
// given to sampleAt(): a test that ticks an unstamped desktop gives it each tick's millisecond.
class FakeDesktop : public DesktopProbe {
public:
    void setCursor(int x, int y) {
        change([=, this] { cursor_ = {x, y}; });
    }
    void moveBy(int dx, int dy) {
        change([=, this] { cursor_ = {cursor_.x + dx, cursor_.y + dy}; });
    }
    // A relative move as a server makes it, held inside the screen.
    void pushBy(int dx, int dy);
    void setForeground(WindowHandle window) {
        change([=, this] { foreground_ = window; });
    }
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
    void stampAt(std::int64_t ms) {
        stamped_ = true;
        now_ = ms;
    }

    // How many codes the probe has queried since construction.
    std::int64_t queries() const { return queries_; }

    Point cursorPos() override { return cursor_; }
    WindowHandle foregroundWindow() override { return grace_.see(foreground_, sampledAt_); }
    bool keyActive(int code) override;
    int pollKeys(bool armed) override;
    ScreenMetrics screen() override { return screen_; }
    void setScreenHandler(std::function<void()> handler) override {
        screenHandler_ = std::move(handler);
    }
    bool mayRest() const override;
    std::optional<std::int64_t> inputTime() override;
    std::optional<std::int64_t> pendingTime() const override;
    void sampleAt(std::int64_t ms) override;
    std::int64_t sampledAt() const { return sampledAt_; }

private:
    using Bits = std::array<std::uint64_t, 4>;
    static bool test(const Bits& bits, int code) { return (bits[code >> 6] >> (code & 63)) & 1; }
    static void set(Bits& bits, int code, bool on);

    void change(std::function<void()> apply);

    Point cursor_;
    WindowHandle foreground_ = 0;
    ForegroundGrace grace_;
    ScreenMetrics screen_ = ScreenMetrics::fromPixels(1200, 900);
    Bits down_{};
    Bits pressedSince_{};
    int lastAnswer_ = kProbeSweepDone;
    bool mayRest_ = true;
    std::function<void()> screenHandler_;
    std::int64_t queries_ = 0;
    bool stamped_ = false;
    std::int64_t now_ = 0;
    std::int64_t latest_ = 0;
    std::int64_t sampledAt_ = 0;
    std::deque<std::pair<std::int64_t, std::function<void()>>> waiting_;
};
