#include "FakeDesktop.h"

#include <algorithm>
#include <bit>

void FakeDesktop::set(Bits& bits, int code, bool on) {
    const std::uint64_t mask = std::uint64_t{1} << (code & 63);
    bits[code >> 6] = on ? (bits[code >> 6] | mask) : (bits[code >> 6] & ~mask);
}

void FakeDesktop::change(std::function<void()> apply) {
    if (!stamped_) {
        apply();
        return;
    }
    waiting_.emplace_back(now_, std::move(apply));
    latest_ = now_;
}

void FakeDesktop::pushBy(int dx, int dy) {
    change([=, this] {
        const auto clamp = [](int value, double pixels) {
            return std::clamp(value, 0, static_cast<int>(pixels) - 1);
        };
        cursor_ = {clamp(cursor_.x + dx, screen_.widthTwips / screen_.twipsPerPixelX),
                   clamp(cursor_.y + dy, screen_.heightTwips / screen_.twipsPerPixelY)};
    });
}

void FakeDesktop::press(int code) {
    change([=, this] {
        set(down_, code, true);
        set(pressedSince_, code, true);
    });
}

void FakeDesktop::release(int code) {
    change([=, this] { set(down_, code, false); });
}

std::optional<std::int64_t> FakeDesktop::inputTime() {
    return stamped_ ? std::optional(latest_) : std::nullopt;
}

std::optional<std::int64_t> FakeDesktop::pendingTime() const {
    return waiting_.empty() ? std::nullopt : std::optional(waiting_.front().first);
}

void FakeDesktop::sampleAt(std::int64_t ms) {
    sampledAt_ = ms;
    for (; !waiting_.empty() && waiting_.front().first <= ms; waiting_.pop_front()) {
        waiting_.front().second();
    }
}

bool FakeDesktop::keyActive(int code) {
    ++queries_;
    const bool active = test(down_, code) || test(pressedSince_, code);
    set(pressedSince_, code, false);
    return active;
}

int FakeDesktop::pollKeys(bool armed) {
    int answer = kProbeSweepDone;
    if (armed) {
        for (int word = 0; word < 4; ++word) {
            const std::uint64_t active = down_[word] | pressedSince_[word];
            if (active != 0) {
                answer = word * 64 + std::countr_zero(active);
                break;
            }
        }
    }
    // Codes up to and including the answer (all of them when none answered) were queried.
    const int queried = answer == kProbeSweepDone ? 256 : answer + 1;
    queries_ += queried;
    for (int word = 0; word < 4; ++word) {
        const int first = word * 64;
        if (queried >= first + 64) {
            pressedSince_[word] = 0;
        } else if (queried > first) {
            pressedSince_[word] &= ~((std::uint64_t{1} << (queried - first)) - 1);
        }
    }
    lastAnswer_ = answer;
    return answer;
}

bool FakeDesktop::mayRest() const {
    // A code that answered from memory alone will not answer again: the next sweep differs.
    return mayRest_ && !grace_.holding() &&
           (lastAnswer_ == kProbeSweepDone || test(down_, lastAnswer_));
}
