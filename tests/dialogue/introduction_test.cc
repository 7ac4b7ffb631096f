#include "dialogue/introduction.h"

#include <gtest/gtest.h>

namespace dialogue {
namespace {

TEST(Introduction, LinesKeepTheirLengths) {
  const std::size_t quintrel[] = {63, 57, 57, 60, 43, 1,  63, 64, 39, 63,
                                  63, 26, 1,  61, 58, 1,  60, 56, 56, 1};
  const std::size_t tolvaric[] = {62, 58, 57, 1, 63, 64, 39,
                                  57, 1,  60, 56, 25, 1};
  for (int i = 0; i < kQuintrelIntroductionLines; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(kQuintrelIntroduction[i].size(), quintrel[i]);
  }
  for (int i = 0; i < kTolvaricIntroductionLines; ++i) {
    SCOPED_TRACE(i + 1);
    EXPECT_EQ(kTolvaricIntroduction[i].size(), tolvaric[i]);
  }
}

TEST(Introduction, AttributionNoticeEndsItsLines) {
  EXPECT_EQ(kAttributionNotice.size(), 22u);
  for (char c : kAttributionNotice) EXPECT_TRUE(c >= 0x20 && c < 0x7F);
  EXPECT_TRUE(kQuintrelIntroduction[18].ends_with(kAttributionNotice));
  EXPECT_TRUE(kTolvaricIntroduction[11].ends_with(kAttributionNotice));
  EXPECT_EQ(kQuintrelVersion.size(), 49u);
  EXPECT_EQ(kTolvaricVersion.size(), 44u);
}

}  // namespace
}  // namespace dialogue
