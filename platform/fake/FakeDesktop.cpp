#include "FakeDesktop.h"

#include <bit>

void FakeDesktop::set(Bits& bits, int code, bool on) {
    const std::uint64_t mask = std::uint64_t{1} << (code & 63);
    bits[code >> 6] = on ? (bits[code >> 6] | mask) : (bits[code >> 6] & ~mask);
}

void FakeDesktop::press(int code) {
    set(down_, code, true);
    set(pressedSince_, code, true);
}

void FakeDesktop::release(int code) {
    set(down_, code, false);
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
    return mayRest_ && (lastAnswer_ == kProbeSweepDone || test(down_, lastAnswer_));
}
