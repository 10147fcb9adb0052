#include <gtest/gtest.h>

#include "platform/Font.h"

namespace {

// Liberation Sans ("Helvetica") has no music signs; without the fallback a
// flat would be measured and drawn as the missing-glyph box.
TEST(FontTest, CharactersTheFaceLacksAreMeasuredInTheFallbackFace) {
  platform::Font helvetica("Helvetica", false, 40);
  platform::Font dejaVu("DejaVu Sans", false, 40);
  const double e = helvetica.sizeOfText("E").width;
  const double flat = dejaVu.sizeOfText("\u266D").width;
  EXPECT_DOUBLE_EQ(e + flat + e, helvetica.sizeOfText("E\u266DE").width);
  const platform::Rect drawn = helvetica.inkBoundsOfText("\u266D");
  const platform::Rect expected = dejaVu.inkBoundsOfText("\u266D");
  EXPECT_DOUBLE_EQ(expected.size.width, drawn.size.width);
  EXPECT_DOUBLE_EQ(expected.minY(), drawn.minY());
  // The face's own letters stay its own.
  EXPECT_NE(dejaVu.sizeOfText("E").width, e);
}

}  // namespace
