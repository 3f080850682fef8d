#include <gtest/gtest.h>

#include "HeaderPage.h"

TEST(HeaderMask, StartsWithKnownBytes) {
  const auto mask = jet::writer::HeaderMask();
  EXPECT_EQ(mask[0], 0xb5);
}
