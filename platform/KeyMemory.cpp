#include "KeyMemory.h"

#include <bit>

namespace {

template <std::size_t N> bool Test(const std::array<std::uint64_t, N>& bits, int at) {
    return (bits[at >> 6] >> (at & 63)) & 1;
}
template <std::size_t N> void Set(std::array<std::uint64_t, N>& bits, int at, bool on) {
    const std::uint64_t mask = std::uint64_t{1} << (at & 63);
    bits[at >> 6] = on ? (bits[at >> 6] | mask) : (bits[at >> 6] & ~mask);
}

} // namespace

void KeyMemory::queue(int source, bool press, std::int64_t stamp) {
    if (pending_.size() >= maxPending_) {
        applyFirst();
    }
    pending_.push_back({stamp, static_cast<std::uint16_t>(source), press});
}

void KeyMemory::setDown(int source, bool down) {
    Set(sourceDown_, source, down);
    down_ = {};
    for (int word = 0; word < 8; ++word) {
        for (std::uint64_t rest = sourceDown_[word]; rest != 0; rest &= rest - 1) {
            if (const int code = codeOf_(word * 64 + std::countr_zero(rest)); code >= 0) {
                Set(down_, code, true);
            }
        }
    }
}

bool KeyMemory::down(int code) const {
    return Test(down_, code);
}

std::optional<std::int64_t> KeyMemory::firstStamp() const {
    return pending_.empty() ? std::nullopt : std::optional(pending_.front().stamp);
}

void KeyMemory::applyFirst() {
    const Input input = pending_.front();
    pending_.pop_front();
    setDown(input.source, input.press);
    if (const int code = codeOf_(input.source); input.press && code >= 0) {
        Set(pressedSince_, code, true);
    }
}

int KeyMemory::lowestActive() const {
    for (int word = 0; word < 4; ++word) {
        if (const std::uint64_t active = down_[word] | pressedSince_[word]) {
            return word * 64 + std::countr_zero(active);
        }
    }
    return kProbeSweepDone;
}

int KeyMemory::sweep(bool armed, std::int64_t upTo) {
    if (!armed) {
        while (due(upTo)) {
            applyFirst();
        }
        return kProbeSweepDone;
    }
    int answer = lowestActive();
    while (answer == lastAnswer_ && due(upTo)) {
        applyFirst();
        answer = lowestActive();
    }
    return answer;
}

int KeyMemory::endSweep(int answer) {
    for (int word = 0; word < 4; ++word) {
        const int first = word * 64;
        if (answer >= first + 63) {
            pressedSince_[word] = 0;
        } else if (answer >= first) {
            pressedSince_[word] &= ~((std::uint64_t{2} << (answer - first)) - 1);
        }
    }
    answeredFromMemory_ = answer != kProbeSweepDone && !Test(down_, answer);
    lastAnswer_ = answer;
    return answer;
}

bool KeyMemory::keyActive(int code, std::int64_t upTo) {
    while (due(upTo)) {
        applyFirst();
    }
    const bool active = Test(down_, code) || Test(pressedSince_, code);
    Set(pressedSince_, code, false);
    return active;
}
