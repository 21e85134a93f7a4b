// The Windows face in its own process: its windows made, driven with window messages as a
// person's clicks and keys send them, its message boxes answered through the message service's
// seam. Run under Wine on Xvfb with openbox.

#include <gtest/gtest.h>

#include "win/FrmMain.h"
#include "win/Wide.h"

namespace tokimori {
namespace {

TEST(MainWindow, OpensWithItsCaption) {
    FrmMain w;
    ASSERT_TRUE(w.Form_Load());
    EXPECT_EQ(TextOf(w.handle()), "Tokimori 2.0.0");
}

} // namespace
} // namespace tokimori
