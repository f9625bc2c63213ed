#include "platform/MonitorChoice.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(MonitorChoice, PrimaryElseTheOneAtTheOriginElseNone) {
    const MonitorRect left{0, 0, 1920, 1080, 527, 296, false};
    const MonitorRect rightPrimary{1920, 0, 2560, 1440, 597, 336, true};
    const MonitorRect turnedPrimary{1920, 0, 1080, 1920, 527, 296, true};
    const MonitorRect right{1920, 0, 1920, 1080, 527, 296, false};
    const MonitorRect aboveLeft{-1920, -1080, 1920, 1080, 0, 0, false};
    const MonitorRect offPrimary{0, 0, 0, 0, 0, 0, true}; // an output without a picture
    struct Row {
        const char* what;
        std::vector<MonitorRect> monitors;
        int chosenWidth; // 0: none, the caller takes the root window
    };
    for (const Row& row : {
             Row{"two side by side, primary on the right", {left, rightPrimary}, 2560},
             Row{"primary turned a quarter", {left, turnedPrimary}, 1080},
             Row{"none primary", {right, left}, 1920},
             Row{"none primary, none at the origin", {aboveLeft, {100, 0, 800, 600}}, 0},
             Row{"a primary without a picture", {offPrimary, {0, 0, 1280, 1024}}, 1280},
             Row{"no list", {}, 0},
         }) {
        const auto chosen = ChoosePrimaryMonitor(row.monitors);
        EXPECT_EQ(chosen ? chosen->width : 0, row.chosenWidth) << row.what;
        if (chosen && chosen->primary) {
            EXPECT_EQ(chosen->x, 1920) << row.what;
        }
    }
}

} // namespace
