// quillon-screenshot OUTPUT.png [CENTS] [SCALE] [--tuning ID] [--string N | --note NAME]
//                    [--readout on|off] [--tone]
// quillon-screenshot --settings OUTPUT.png [TUNING-ID] [SCALE]
//
// Plays a string CENTS (default +12) off pitch into the tuner screen on a
// manual clock, lets the needle settle and writes what the screen shows,
// turned the way the reader holds it (landscape), at SCALE pixels a point
// (default 2). No window, display or sound device is needed.
//
//   --tuning ID     the tuning shown (default guitar)
//   --string N      play the N-th note of the tuning (1 is the first)
//   --note NAME     play this note ("C#3"); the default is the D3 string
//   --readout on|off  show or hide the numeric read-out (default: as a new
//                   user sees it: shown for the chromatic tuning only)
//   --tone          switch to tone mode before the picture is taken
//
// With --settings, writes the settings screen (upright) as it opens with
// TUNING-ID chosen (default guitar).

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Classes/FlipsideViewController.h"
#include "Classes/MainViewController.h"
#include "Classes/RootViewController.h"
#include "audio/AudioSource.h"
#include "common/CaptureFormat.h"
#include "common/NoteName.h"
#include "common/Tuning.h"
#include "platform/Preferences.h"
#include "platform/Render.h"
#include "platform/RunLoop.h"
#include "platform/desktop/CairoGraphicsContext.h"
#include "views/TunerView.h"

namespace {

// The D string of the guitar: its harmonics that the analysis looks at all
// lie well inside the band it searches.
constexpr double kString = 146.83;

// Delivers a steady plucked-string-like tone in 0.05 s blocks on the run
// loop, as the microphone would.
class ToneAudioSource : public AudioSource {
 public:
  explicit ToneAudioSource(double frequency) : frequency_(frequency) {}
  void setDelegate(AudioSourceDelegate* delegate) override { delegate_ = delegate; }
  int bytesPerFrame() override { return 2; }
  double sampleRate() override { return kCaptureSampleRate; }
  bool createAudioInput() override { return true; }
  void startAudioUnit() override {
    timer_ = platform::Timer::timerWithTimeInterval(0.05, [this](platform::Timer&) { deliver(); });
    platform::RunLoop::currentRunLoop().addTimer(timer_);
  }
  void stopAudioUnit() override {
    if (timer_) timer_->invalidate();
    timer_.reset();
  }

 private:
  void deliver() {
    constexpr int kFrames = 1102;
    AudioBufferList* list = makeAudioBuffersForChannels(1, kFrames * 2);
    auto* samples = static_cast<int16_t*>(list->buffers[0].data);
    const double amplitudes[] = {1.0, 0.6, 0.4, 0.25, 0.15};
    for (int i = 0; i < kFrames; ++i) {
      double t = static_cast<double>(frame_ + i) / kCaptureSampleRate;
      double v = 0;
      for (int h = 0; h < 5; ++h)
        v += amplitudes[h] * std::sin(2 * M_PI * frequency_ * (h + 1) * t);
      samples[i] = static_cast<int16_t>(std::lround(v * 6000));
    }
    frame_ += kFrames;
    if (delegate_) delegate_->addSampledFrames(list, kFrames);
    freeAudioBuffers(list);
  }

  double frequency_;
  int64_t frame_ = 0;
  AudioSourceDelegate* delegate_ = nullptr;
  std::shared_ptr<platform::Timer> timer_;
};

cairo_status_t writePng(platform::View& root, bool landscape, double scale,
                        const std::string& output) {
  const int width = static_cast<int>(std::lround((landscape ? 480 : 320) * scale));
  const int height = static_cast<int>(std::lround((landscape ? 320 : 480) * scale));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  if (landscape) {
    // The portrait picture turned a quarter turn clockwise, so the portrait
    // top edge is on the right.
    cairo_translate(cr, width, 0);
    cairo_rotate(cr, M_PI / 2);
  }
  platform::renderViewTree(root, cr, scale);
  cairo_destroy(cr);
  cairo_status_t status = cairo_surface_write_to_png(surface, output.c_str());
  cairo_surface_destroy(surface);
  if (status != CAIRO_STATUS_SUCCESS) {
    fprintf(stderr, "cannot write %s: %s\n", output.c_str(), cairo_status_to_string(status));
  }
  return status;
}

// The settings screen as the app shows it after the flip, bar included.
int settingsScreenshot(const std::string& output, const std::string& tuningId, double scale,
                       platform::Preferences& preferences) {
  if (!Tuning::tuningForId(tuningId)) {
    fprintf(stderr, "no tuning %s\n", tuningId.c_str());
    return 2;
  }
  preferences.setString(tuningId, TargetTuningOption);
  auto root = std::make_shared<RootViewController>(
      [&preferences] {
        return std::make_shared<MainViewController>(
            [] { return std::make_shared<ToneAudioSource>(kString); }, &preferences);
      },
      [&preferences] { return std::make_shared<FlipsideViewController>(&preferences); });
  root->view();
  root->toggleView();
  platform::RunLoop::currentRunLoop().advanceBy(RootViewController::kFlipDuration + 0.1);
  const cairo_status_t status = writePng(*root->view(), false, scale, output);
  return status == CAIRO_STATUS_SUCCESS ? 0 : 1;
}

int usage(const char* program) {
  fprintf(stderr,
          "usage: %s OUTPUT.png [CENTS] [SCALE] [--tuning ID] [--string N | --note NAME]\n"
          "       [--readout on|off] [--tone]\n"
          "       %s --settings OUTPUT.png [TUNING-ID] [SCALE]\n",
          program, program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const bool settings = argc > 1 && std::string(argv[1]) == "--settings";
  if (settings && argc < 3) return usage(argv[0]);
  if (settings) {
    platform::RunLoop::currentRunLoop().useManualClock();
    auto dir = std::filesystem::temp_directory_path() / "quillon-screenshot-prefs";
    std::filesystem::remove_all(dir);
    int status;
    {
      platform::Preferences preferences(dir.string());
      status = settingsScreenshot(argv[2], argc > 3 ? argv[3] : "guitar",
                                  argc > 4 ? std::atof(argv[4]) : 2.0, preferences);
    }
    std::filesystem::remove_all(dir);
    return status;
  }
  std::vector<std::string> positional;
  std::string tuningId = "guitar";
  int string = 0;
  std::optional<NoteName> note;
  std::optional<bool> readout;
  bool tone = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--tuning" && hasValue) {
      tuningId = argv[++i];
    } else if (arg == "--string" && hasValue) {
      string = std::atoi(argv[++i]);
      if (string < 1) return usage(argv[0]);
    } else if (arg == "--note" && hasValue) {
      auto parsed = parseNoteName(argv[++i]);
      if (!parsed) {
        fprintf(stderr, "%s\n", parsed.reason.c_str());
        return 2;
      }
      note = parsed.value;
    } else if (arg == "--readout" && hasValue) {
      const std::string value = argv[++i];
      if (value != "on" && value != "off") return usage(argv[0]);
      readout = value == "on";
    } else if (arg == "--tone") {
      tone = true;
    } else if (arg.rfind("--", 0) == 0) {
      return usage(argv[0]);
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.empty() || positional.size() > 3) return usage(argv[0]);
  const std::string output = positional[0];
  const double cents = positional.size() > 1 ? std::atof(positional[1].c_str()) : 12.0;
  const double scale = positional.size() > 2 ? std::atof(positional[2].c_str()) : 2.0;
  auto tuning = Tuning::tuningForId(tuningId);
  if (!tuning) {
    fprintf(stderr, "no tuning %s\n", tuningId.c_str());
    return 2;
  }
  double played = kString;
  if (note) played = note->frequency();
  if (string > 0) {
    if (static_cast<size_t>(string) > tuning->tuningNotes.size()) return usage(argv[0]);
    played = tuning->tuningNotes[string - 1]->frequency();
  }

  platform::RunLoop::currentRunLoop().useManualClock();
  // A store of its own, so the picture shows the defaults whatever the user chose.
  auto dir = std::filesystem::temp_directory_path() / "quillon-screenshot-prefs";
  std::filesystem::remove_all(dir);
  platform::Preferences preferences(dir.string());
  preferences.setString(tuningId, TargetTuningOption);

  const double frequency = played * std::pow(2.0, cents / 1200.0);
  auto controller = std::make_shared<MainViewController>(
      [frequency] { return std::make_shared<ToneAudioSource>(frequency); }, &preferences);
  controller->view();
  if (readout) controller->tunerView()->setNumericReadoutChoice(*readout);
  controller->viewDidAppear(true);
  // Two seconds of playing; the last refresh's needle animation is over.
  platform::RunLoop::currentRunLoop().advanceBy(2.0);
  platform::RunLoop::currentRunLoop().advanceBy(0.2);
  if (tone) {
    TunerView& view = *controller->tunerView();
    view.modeButtonPressed(view.modeButton());
    platform::RunLoop::currentRunLoop().advanceBy(0.5);  // the needle fades out
  }

  Tuning* tuner = controller->tuner();
  if (tuner->selectedNote()) {
    fprintf(stderr, "showing %s at %+.2f cents\n",
            controller->tunerView()->noteNameLabel()->text().c_str(),
            tuner->frequencyDeltaForNote(*tuner->selectedNote()));
  }

  const cairo_status_t status = writePng(*controller->view(), true, scale, output);
  controller.reset();
  std::filesystem::remove_all(dir);
  return status == CAIRO_STATUS_SUCCESS ? 0 : 1;
}
