#include "app/unhandled_errors.h"

#include <gtest/gtest.h>

#include "app/cycle_rig.h"

namespace monitor {
namespace {

TEST(SingleErrorBox, ShowsNoSecondBoxWhileOneIsOpenAndShowsAgainAfterwards) {
    testing::RecordingErrors inner;
    SingleErrorBox box(inner);
    inner.whileShown = [&](const std::string&) {
        box.ShowUnhandled("second");
        box.ShowUnhandled("third");
    };
    box.ShowUnhandled("first");
    EXPECT_EQ(inner.messages, (std::vector<std::string>{"first"}));
    EXPECT_EQ(box.Dropped(), 2);
    EXPECT_FALSE(box.Showing());

    inner.whileShown = nullptr;
    box.ShowUnhandled("later");
    EXPECT_EQ(inner.messages.back(), "later");
}

}  // namespace
}  // namespace monitor
