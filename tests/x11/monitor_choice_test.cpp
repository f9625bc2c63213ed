#include "platform/MonitorChoice.h"

#include <gtest/gtest.h>
#include <vector>

TEST(MonitorChoice, PrimaryElseTheOneAtTheOriginElseNone) {
    const MonitorRect left{0, 0, 1920, 1080}, right{1920, 0, 1280, 1024};
    const MonitorRect rightPrimary{1920, 0, 2560, 1440, 0, 0, true};
    const MonitorRect turnedPrimary{1920, 0, 1080, 1920, 0, 0, true};
    const MonitorRect darkPrimary{0, 0, 0, 0, 0, 0, true}; // an output without a picture
    // The chosen width; 0: none, the caller takes the root window.
    for (const auto& [monitors, width] : std::vector<std::pair<std::vector<MonitorRect>, int>>{
             {{left, rightPrimary}, 2560},
             {{left, turnedPrimary}, 1080},
             {{right, left}, 1920},
             {{darkPrimary, right, left}, 1920},
             {{{-1920, -1080, 1920, 1080}, {100, 0, 800, 600}}, 0},
             {{}, 0}}) {
        const auto chosen = ChoosePrimaryMonitor(monitors);
        EXPECT_EQ(chosen ? chosen->width : 0, width);
    }
}
