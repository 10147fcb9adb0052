// The generated bundle images: every picture the screens name exists at 1×
// and 2×, with the sizes their layout needs.
#include <cairo.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/Image.h"

using namespace platform;

namespace {

struct Expected {
  std::string name;
  int width;
  int height;
};

cairo_surface_t* load(const std::string& file) {
  return cairo_image_surface_create_from_png(
      (std::string(QUILLON_TEST_RESOURCE_DIR) + "/" + file).c_str());
}

TEST(BundleImagesTest, EveryNamedImageExistsAtBothScales) {
  std::vector<Expected> images = {
      {"Background", 320, 480},      {"NeedleHilight", 24, 260}, {"SideLight_Red", 40, 40},
      {"CenterLight_Green", 36, 64}, {"info_button", 16, 16},    {"tuner-mode", 26, 70},
      {"tone-mode", 26, 70},         {"auto-button-bg", 40, 65}, {"auto-button-bg-sel", 40, 65},
      {"auto-button-fg", 20, 50},    {"button-bg", 40, 40},      {"button-bg-sel", 40, 40},
      {"string-mark", 48, 48},       {"octave-down", 28, 28},    {"octave-up", 28, 28},
  };
  for (char c = 'a'; c <= 'g'; ++c) {
    for (const char* sign : {"", "-sharp", "-flat"}) {
      images.push_back({std::string("button-fg-") + c + sign, 28, 28});
    }
  }
  for (const auto& e : images) {
    SCOPED_TRACE(e.name);
    for (int scale : {1, 2}) {
      cairo_surface_t* s = load(e.name + (scale == 2 ? "@2x" : "") + ".png");
      ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(s));
      EXPECT_EQ(e.width * scale, cairo_image_surface_get_width(s));
      EXPECT_EQ(e.height * scale, cairo_image_surface_get_height(s));
      cairo_surface_destroy(s);
    }
  }
}

TEST(BundleImagesTest, NeedlePivotIsOneHundredTwentyBelowTheCentre) {
  // The needle's hub is drawn at the pivot: opaque there, clear well beside it.
  cairo_surface_t* s = load("NeedleHilight.png");
  ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(s));
  cairo_surface_flush(s);
  auto alphaAt = [s](int x, int y) {
    const unsigned char* d = cairo_image_surface_get_data(s);
    return d[y * cairo_image_surface_get_stride(s) + x * 4 + 3];
  };
  int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  EXPECT_EQ(255, alphaAt(w / 2, h / 2 + 120));
  EXPECT_GT(alphaAt(w / 2, h / 2), 128);  // the slim blade passes the centre
  EXPECT_EQ(0, alphaAt(0, 5));
  cairo_surface_destroy(s);
}

}  // namespace
