// One picture of the tuner screen while the needle moves: the whole view tree
// at 2 pixels a point, turned for landscape. Argument 0 turns every element
// as it is drawn; 1 draws upright and turns the finished picture, as the app
// loop does.

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <filesystem>
#include <memory>

#include "Classes/MainViewController.h"
#include "audio/AudioSource.h"
#include "platform/Preferences.h"
#include "platform/Render.h"
#include "platform/RunLoop.h"
#include "platform/desktop/CairoGraphicsContext.h"
#include "views/TunerView.h"

namespace {

class SilentAudioSource : public AudioSource {
 public:
  void setDelegate(AudioSourceDelegate*) override {}
  int bytesPerFrame() override { return 2; }
  double sampleRate() override { return 22050; }
  void stopAudioUnit() override {}
  void startAudioUnit() override {}
  bool createAudioInput() override { return true; }
};

void BM_TunerScreenFrame(benchmark::State& state) {
  auto dir = std::filesystem::temp_directory_path() / "quillon-bench-prefs";
  platform::Preferences preferences(dir.string());
  auto controller = std::make_shared<MainViewController>(
      [] { return std::make_shared<SilentAudioSource>(); }, &preferences);
  controller->view();
  TunerView& view = *controller->tunerView();
  // A note showing: the label, the needle and one light are visible; for
  // the chromatic tuning a name with sign and octave, and the read-out.
  if (state.range(1)) {
    view.noteNameLabel()->setText("C\u266F3");
    view.setNumericReadoutChoice(true);
    view.deviationLabel()->setText(TunerView::deviationText(-3.2f));
    view.frequencyLabel()->setText(TunerView::frequencyText(138.33f));
  } else {
    view.noteNameLabel()->setText("D");
  }
  view.revealNeedle();
  view.setNeedle(0.3f);
  view.setSharpLight(true);
  platform::RunLoop::currentRunLoop().useManualClock().set(platform::kNanosPerSecond);

  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 960, 640);
  cairo_surface_t* portrait = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 640, 960);
  for (auto _ : state) {
    if (state.range(0)) {
      cairo_t* cr = cairo_create(portrait);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_set_source_rgb(cr, 0, 0, 0);
      cairo_paint(cr);
      cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
      platform::renderViewTree(*controller->view(), cr, 2.0);
      cairo_destroy(cr);
      cr = cairo_create(surface);
      cairo_matrix_t quarterTurn;
      cairo_matrix_init(&quarterTurn, 0, 1, -1, 0, 960, 0);
      cairo_transform(cr, &quarterTurn);
      cairo_set_source_surface(cr, portrait, 0, 0);
      cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
      cairo_paint(cr);
      cairo_destroy(cr);
      cairo_surface_flush(surface);
      continue;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_matrix_t quarterTurn;
    cairo_matrix_init(&quarterTurn, 0, 1, -1, 0, 960, 0);
    cairo_transform(cr, &quarterTurn);
    platform::renderViewTree(*controller->view(), cr, 2.0);
    cairo_destroy(cr);
    cairo_surface_flush(surface);
  }
  cairo_surface_destroy(portrait);
  cairo_surface_destroy(surface);
  controller.reset();
  platform::RunLoop::currentRunLoop().setClock(std::make_shared<platform::RealClock>());
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_TunerScreenFrame)
    ->Unit(benchmark::kMillisecond)
    ->ArgNames({"upright", "chromatic"})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({0, 1});

}  // namespace
