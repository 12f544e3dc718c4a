#include <gtest/gtest.h>

#include <chrono>

#include "link/tick.h"

namespace {

TEST(Tick, PauseAndTickAgree) {
    const auto start = std::chrono::steady_clock::now();
    const uint32_t dwBefore = TickMs();
    PauseMs(100);
    const uint32_t dwElapsed = TickMs() - dwBefore;
    const auto nMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::steady_clock::now() - start)
                         .count();
    EXPECT_GE(dwElapsed, 99u);
    EXPECT_LE(dwElapsed, 400u);
    EXPECT_GE(nMs, 100);
}

TEST(Tick, DifferencesSurviveTheWrap) {
    const uint32_t dwStart = 0xFFFFFF00u;
    const uint32_t dwNow = 0x00000010u;  // 0x110 ms later, after the wrap
    EXPECT_EQ(static_cast<uint32_t>(dwNow - dwStart), 0x110u);
}

TEST(Tick, PauseOfZeroReturns) {
    const uint32_t dwBefore = TickMs();
    PauseMs(0);
    EXPECT_LE(TickMs() - dwBefore, 20u);
}

}  // namespace
