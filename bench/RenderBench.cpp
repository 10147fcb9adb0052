// One frame of a tuner-like screen: background, dial marks, big note label,
// turned needle, lights at alpha 0.8 and a row of image buttons, drawn at
// scale 2 (640 × 960 pixels), as the window redraws it while the needle moves.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <cmath>
#include <memory>
#include <string>

#include "platform/Button.h"
#include "platform/GraphicsContext.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/Render.h"
#include "platform/Window.h"
#include "platform/desktop/CairoGraphicsContext.h"

using namespace platform;

namespace {

class DialMarks : public View {
 public:
  using View::View;
  void drawRect(const Rect&) override {
    GraphicsContext* c = GraphicsGetCurrentContext();
    c->saveGState();
    c->setRGBStrokeColor(0.45, 0.45, 0.45, 1);
    c->setLineWidth(2);
    c->translateCTM(center().x + 155, center().y);
    for (int i = 0; i < 17; ++i) {
      double len = (i == 3 || i == 8 || i == 13) ? 14 : 8;
      c->saveGState();
      c->rotateCTM(0.7330383 + i * M_PI / 30);
      c->translateCTM(0, 238 - len);
      c->beginPath();
      c->moveToPoint(0, 0);
      c->addLineToPoint(0, len);
      c->strokePath();
      if (i == 3 || i == 13) {
        c->rotateCTM(M_PI);
        c->setRGBFillColor(0.45, 0.45, 0.45, 1);
        Size s = sizeWithFont(i == 3 ? "-20" : "+20", font);
        drawAtPoint(i == 3 ? "-20" : "+20", Point{-0.5 * s.width, -len - s.height}, font);
      }
      c->restoreGState();
    }
    c->restoreGState();
  }
  std::shared_ptr<Font> font = Font::fontWithName("Helvetica", 12);
};

std::shared_ptr<Window> tunerLikeScreen() {
  auto window = std::make_shared<Window>(RectMake(0, 0, 320, 480));
  auto bg = std::make_shared<ImageView>(Image::imageNamed("Background.png"));
  window->addSubview(bg);
  window->addSubview(std::make_shared<DialMarks>(RectMake(0, 0, 320, 480)));
  Transform3D quarter = Transform3DRotate(Transform3DIdentity, -1.5707964f, 0, 0, 1);
  auto name = std::make_shared<Label>(RectMake(90, 170, 140, 140));
  name->setFont(Font::fontWithName("Helvetica", 140));
  name->setTextAlignment(TextAlignment::Center);
  name->setAlpha(0.8);
  name->setShadowColor(Color::grayColor());
  name->setShadowOffset(Size{3, 3});
  name->setText("E");
  name->setTransform(quarter);
  window->addSubview(name);
  auto needle = std::make_shared<ImageView>(Image::imageNamed("NeedleHilight.png"));
  needle->setCenter(Point{188, 240});
  Transform3D t = Transform3DTranslate(quarter, 0, 120, 0);
  t = Transform3DRotate(t, 0.3, 0, 0, 1);
  needle->setTransform(Transform3DTranslate(t, 0, -120, 0));
  window->addSubview(needle);
  for (Point p : {Point{46, 22.5}, Point{46, 461.5}}) {
    auto light = std::make_shared<ImageView>(Image::imageNamed("SideLight_Red.png"));
    light->setCenter(p);
    light->setAlpha(0.8);
    window->addSubview(light);
  }
  const char* letters = "eadgbe";
  for (int i = 0; i < 6; ++i) {
    auto b = std::make_shared<Button>(RectMake(235, 410 - 60 * i, 40, 40));
    b->setBackgroundImage(Image::imageNamed("button-bg.png"), ControlStateNormal);
    b->setImage(Image::imageNamed(std::string("button-fg-") + letters[i] + ".png"),
                ControlStateNormal);
    window->addSubview(b);
  }
  return window;
}

void BM_RenderTunerLikeScreenAtScale2(benchmark::State& state) {
  auto window = tunerLikeScreen();
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 640, 960);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    renderViewTree(*window, cr, 2.0);
    cairo_surface_flush(surface);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_RenderTunerLikeScreenAtScale2)->Unit(benchmark::kMillisecond);

}  // namespace
