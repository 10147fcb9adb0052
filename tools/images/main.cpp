// Draws every image of the application bundle into the directory given on
// the command line, at 1x and 2x, plus the application icon; given an icon
// theme directory and a name, also the launcher icon in the theme's sizes.
#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "ImageGenerator.h"

void enterLandscape(cairo_t* cr, double portraitHeight) {
  // (X, Y) landscape → (x, y) = (Y, portraitHeight - X) portrait.
  cairo_matrix_t m;
  cairo_matrix_init(&m, 0, -1, 1, 0, 0, portraitHeight);
  cairo_transform(cr, &m);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  r = std::min(r, std::min(w, h) / 2);
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
  cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
  cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
  cairo_close_path(cr);
}

void setRGB(cairo_t* cr, double r, double g, double b, double a) {
  cairo_set_source_rgba(cr, r, g, b, a);
}

namespace {
void selectFace(cairo_t* cr, double size, bool bold, const char* face) {
  cairo_select_font_face(cr, face, CAIRO_FONT_SLANT_NORMAL,
                         bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
  cairo_set_font_size(cr, size);
  // Unhinted: the letters are drawn turned a quarter for the landscape reading.
  cairo_font_options_t* o = cairo_font_options_create();
  cairo_font_options_set_hint_style(o, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(o, CAIRO_HINT_METRICS_OFF);
  cairo_set_font_options(cr, o);
  cairo_font_options_destroy(o);
}
}  // namespace

double textWidth(cairo_t* cr, const std::string& text, double size, bool bold, const char* face) {
  selectFace(cr, size, bold, face);
  cairo_text_extents_t te;
  cairo_text_extents(cr, text.c_str(), &te);
  return te.width;
}

void centredText(cairo_t* cr, const std::string& text, double cx, double cy, double size, bool bold,
                 const char* face) {
  selectFace(cr, size, bold, face);
  cairo_text_extents_t te;
  cairo_text_extents(cr, text.c_str(), &te);
  cairo_move_to(cr, cx - te.x_bearing - te.width / 2, cy - te.y_bearing - te.height / 2);
  cairo_show_text(cr, text.c_str());
  cairo_new_path(cr);
}

void lamp(cairo_t* cr, double cx, double cy, double radius, double r, double g, double b) {
  cairo_pattern_t* p = cairo_pattern_create_radial(cx, cy, 0, cx, cy, radius);
  cairo_pattern_add_color_stop_rgba(p, 0.0, 1, 1, 1, 1);
  cairo_pattern_add_color_stop_rgba(p, 0.18, r + (1 - r) * 0.6, g + (1 - g) * 0.6,
                                    b + (1 - b) * 0.6, 1);
  cairo_pattern_add_color_stop_rgba(p, 0.5, r, g, b, 1);
  cairo_pattern_add_color_stop_rgba(p, 0.68, r, g, b, 0.55);
  cairo_pattern_add_color_stop_rgba(p, 1.0, r, g, b, 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, cx, cy, radius, 0, 2 * M_PI);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

namespace {
// Draws the recipe `scale` times its size in points into a PNG at `path`.
bool writePng(const std::string& path, const ImageRecipe& recipe, double scale) {
  int pw = static_cast<int>(std::lround(recipe.width * scale));
  int ph = static_cast<int>(std::lround(recipe.height * scale));
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pw, ph);
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, scale, scale);
  recipe.draw(cr, recipe.width, recipe.height);
  cairo_destroy(cr);
  cairo_status_t st = cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
  if (st != CAIRO_STATUS_SUCCESS) {
    std::fprintf(stderr, "quillon_images: cannot write %s: %s\n", path.c_str(),
                 cairo_status_to_string(st));
    return false;
  }
  return true;
}

bool write(const std::string& dir, const ImageRecipe& recipe, int scale) {
  return writePng(dir + "/" + recipe.name + (scale == 2 ? "@2x" : "") + ".png", recipe, scale);
}

// The launcher icon in the sizes the desktop's icon theme looks for:
// <theme dir>/hicolor/NxN/apps/<name>.png.
bool writeThemeIcons(const std::string& themeDir, const std::string& name,
                     const ImageRecipe& recipe) {
  bool ok = true;
  for (int size : {48, 128, 256}) {
    const std::string sizeName = std::to_string(size) + "x" + std::to_string(size);
    const std::filesystem::path dir =
        std::filesystem::path(themeDir) / "hicolor" / sizeName / "apps";
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    ok = writePng((dir / (name + ".png")).string(), recipe, size / recipe.width) && ok;
  }
  return ok;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) {
    std::fprintf(
        stderr,
        "usage: quillon_images <resource directory> [<icon theme directory> <icon name>]\n");
    return 2;
  }
  std::string dir = argv[1];
  bool ok = true;
  for (auto list : {faceImages(), buttonImages()}) {
    for (const auto& recipe : list) {
      if (recipe.name == "quillon") {
        ok = write(dir, recipe, 1) && ok;  // the window's icon: one size
        if (argc == 4) ok = writeThemeIcons(argv[2], argv[3], recipe) && ok;
        continue;
      }
      ok = write(dir, recipe, 1) && ok;
      ok = write(dir, recipe, 2) && ok;
    }
  }
  return ok ? 0 : 1;
}

// fontconfig keeps its caches for the life of the process by design; under the
// leak checker (sanitizer builds run this tool too) they would read as leaks.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
