// quillon_screen_probe COMMAND SHOT.png
//
// Reads a screenshot of the tuner screen as the window shows it (landscape,
// 960 x 640 at scale 2) by comparing regions of it with the same screen
// rendered offscreen in every state in question:
//   note         the note name shown ("-" for none)
//   calibration  the calibration read-out ("440 Hz", ...)
//   buttons      how many note buttons are shown
//   letters      the letter on each of six note buttons ("C G C G C E")
//   mark TUNING  which string of TUNING wears the auto mode's ring (1 is the
//                first string, "-" for none)
// The screen's other moving parts (needle, lights) touch none of the regions
// compared, or touch every candidate alike.
//
// quillon_screen_probe input SHOT.png ROWS
//
// Reads a screenshot of the settings screen as it opens (upright, 640 x 960)
// with ROWS rows in its Input section: which of them carries the checkmark
// (1 is "System default", "-" for none; "?" for a screen not at rest).

#include <cairo.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "Classes/FlipsideViewController.h"
#include "Classes/MainViewController.h"
#include "Classes/RootViewController.h"
#include "audio/AudioInputDevices.h"
#include "common/Tuning.h"
#include "common/TuningCatalogue.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/Preferences.h"
#include "platform/Render.h"
#include "platform/RunLoop.h"
#include "platform/TableView.h"
#include "platform/desktop/CairoGraphicsContext.h"
#include "views/NoteButton.h"
#include "views/TunerView.h"

namespace {

constexpr int kWidth = 960;
constexpr int kHeight = 640;
constexpr double kScale = 2;

struct PixelRect {
  int x, y, w, h;
};

// Luminance of every pixel of an RGB24 or ARGB32 surface.
class Grey {
 public:
  explicit Grey(cairo_surface_t* s) {
    cairo_surface_flush(s);
    w_ = cairo_image_surface_get_width(s);
    h_ = cairo_image_surface_get_height(s);
    const int stride = cairo_image_surface_get_stride(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    values_.resize(static_cast<size_t>(w_) * h_);
    for (int y = 0; y < h_; ++y) {
      const auto* row =
          reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
      for (int x = 0; x < w_; ++x) {
        const uint32_t p = row[x];
        values_[static_cast<size_t>(y) * w_ + x] =
            0.299f * ((p >> 16) & 0xff) + 0.587f * ((p >> 8) & 0xff) + 0.114f * (p & 0xff);
      }
    }
  }
  int width() const { return w_; }
  int height() const { return h_; }
  float at(int x, int y) const { return values_[static_cast<size_t>(y) * w_ + x]; }

 private:
  int w_ = 0, h_ = 0;
  std::vector<float> values_;
};

// Mean absolute difference of two pictures over a region.
double difference(const Grey& a, const Grey& b, const PixelRect& r) {
  double sum = 0;
  int n = 0;
  for (int y = std::max(0, r.y); y < std::min(a.height(), r.y + r.h); ++y) {
    for (int x = std::max(0, r.x); x < std::min(a.width(), r.x + r.w); ++x) {
      sum += std::abs(a.at(x, y) - b.at(x, y));
      ++n;
    }
  }
  return n ? sum / n : std::numeric_limits<double>::infinity();
}

// Where a view of the portrait screen lands in the landscape window, with a
// margin for shadows. Views turned a quarter for the reader come out upright,
// so their size is the same either way.
PixelRect regionOf(const platform::View& v, int margin) {
  const platform::Point c = v.center();
  const platform::Size s = v.bounds().size;
  bool turned = !platform::Transform3DIsIdentity(v.transform());
  const double w = (turned ? s.width : s.height) * kScale;
  const double h = (turned ? s.height : s.width) * kScale;
  const double cx = (480 - c.y) * kScale, cy = c.x * kScale;
  return PixelRect{static_cast<int>(cx - w / 2) - margin, static_cast<int>(cy - h / 2) - margin,
                   static_cast<int>(w) + 2 * margin, static_cast<int>(h) + 2 * margin};
}

// A source that never delivers: the screen is only drawn.
class SilentAudioSource : public AudioSource {
 public:
  void setDelegate(AudioSourceDelegate*) override {}
  int bytesPerFrame() override { return 2; }
  double sampleRate() override { return 22050; }
  bool createAudioInput() override { return true; }
  void startAudioUnit() override {}
  void stopAudioUnit() override {}
};

class Probe {
 public:
  Probe()
      : dir_(std::filesystem::temp_directory_path() /
             ("quillon-probe-" + std::to_string(getpid()))),
        preferences_(dir_.string()) {
    platform::RunLoop::currentRunLoop().useManualClock();
    controller_ = std::make_shared<MainViewController>(
        [] { return std::make_shared<SilentAudioSource>(); }, &preferences_);
    controller_->view();
  }
  ~Probe() {
    controller_.reset();
    std::filesystem::remove_all(dir_);
  }

  TunerView& view() { return *controller_->tunerView(); }
  Tuning& tuner() { return *controller_->tuner(); }

  // The screen as it is now, turned as the window shows it.
  Grey render() {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kWidth, kHeight);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_paint(cr);
    cairo_translate(cr, kWidth, 0);
    cairo_rotate(cr, M_PI / 2);
    platform::renderViewTree(*controller_->view(), cr, kScale);
    cairo_destroy(cr);
    Grey grey(surface);
    cairo_surface_destroy(surface);
    return grey;
  }

 private:
  std::filesystem::path dir_;
  platform::Preferences preferences_;
  std::shared_ptr<MainViewController> controller_;
};

// A fixed list of input devices that never changes.
class ListedInputDevices : public AudioInputDevices {
 public:
  explicit ListedInputDevices(std::vector<std::string> names) : names_(std::move(names)) {}
  std::vector<std::string> names() override { return names_; }
  void setChangeHandler(ChangeHandler) override {}

 private:
  std::vector<std::string> names_;
};

// Which Input row of the upright settings screen carries the checkmark: the
// screen is laid out by the app's own classes with `rows` rows in the
// section, and each row in turn checked is compared with the shot where the
// checkmarks go. The rows' texts lie outside the region compared.
std::string checkedInputRow(const Grey& shot, int rows) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("quillon-probe-settings-" + std::to_string(getpid()));
  platform::RunLoop::currentRunLoop().useManualClock();
  std::string result = "-";
  {
    platform::Preferences preferences(dir.string());
    std::vector<std::string> names;
    for (int i = 1; i < rows; ++i) names.push_back("Probe device " + std::to_string(i));
    FlipsideViewController* settings = nullptr;
    auto root = std::make_shared<RootViewController>(
        [&] {
          return std::make_shared<MainViewController>(
              [] { return std::make_shared<SilentAudioSource>(); }, &preferences,
              std::make_shared<ListedInputDevices>(names));
        },
        [&] {
          auto c = std::make_shared<FlipsideViewController>(&preferences);
          settings = c.get();
          return c;
        });
    root->view();
    root->toggleView();
    platform::RunLoop::currentRunLoop().advanceBy(RootViewController::kFlipDuration + 0.1);
    platform::TableView& table = *settings->tableView();
    const int section = settings->inputSectionIndex().value_or(-1);
    if (section < 0 || table.numberOfRowsInSection(section) != rows) {
      fprintf(stderr, "the settings screen does not lay out %d input rows\n", rows);
      return result;
    }
    std::vector<platform::TableViewCell*> cells;
    for (int r = 0; r < rows; ++r) cells.push_back(table.cellForRowAtIndexPath({section, r}));
    const platform::View& top = *root->view();
    const platform::Point from =
        cells.front()->convertPointToView({cells.front()->bounds().size.width - 36, 0}, &top);
    const platform::Point to = cells.back()->convertPointToView(
        {cells.back()->bounds().size.width - 4, cells.back()->bounds().size.height}, &top);
    const PixelRect region{static_cast<int>(from.x * kScale), static_cast<int>(from.y * kScale),
                           static_cast<int>((to.x - from.x) * kScale),
                           static_cast<int>((to.y - from.y) * kScale)};
    const auto render = [&] {
      const int w = static_cast<int>(320 * kScale), h = static_cast<int>(480 * kScale);
      cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
      cairo_t* cr = cairo_create(surface);
      platform::renderViewTree(*root->view(), cr, kScale);
      cairo_destroy(cr);
      Grey grey(surface);
      cairo_surface_destroy(surface);
      return grey;
    };
    double best = std::numeric_limits<double>::infinity();
    for (int checked = 0; checked <= rows; ++checked) {
      for (int r = 0; r < rows; ++r) {
        cells[r]->setAccessoryType(r + 1 == checked
                                       ? platform::TableViewCellAccessoryType::Checkmark
                                       : platform::TableViewCellAccessoryType::None);
      }
      const double score = difference(shot, render(), region);
      fprintf(stderr, "  row %d checked: %.2f\n", checked, score);
      if (score < best) {
        best = score;
        result = checked ? std::to_string(checked) : "-";
      }
    }
    // The window draws what the app's classes draw, pixel for pixel, once
    // the flip is over; anything further off is not the settings at rest.
    if (best > 1.0) result = "?";
  }
  std::filesystem::remove_all(dir);
  return result;
}

// The candidate whose render is closest to the shot in the region.
std::string closest(const Grey& shot, const std::vector<std::string>& candidates,
                    const PixelRect& region, const std::function<Grey(const std::string&)>& draw) {
  std::string best;
  double bestScore = std::numeric_limits<double>::infinity();
  for (const auto& c : candidates) {
    const double score = difference(shot, draw(c), region);
    fprintf(stderr, "  %-8s %.2f\n", c.c_str(), score);
    if (score < bestScore) {
      bestScore = score;
      best = c;
    }
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (argc != (command == "mark" || command == "input" ? 4 : 3)) {
    fprintf(stderr,
            "usage: %s note|calibration|buttons|letters SHOT.png | mark SHOT.png TUNING"
            " | input SHOT.png ROWS\n",
            argv[0]);
    return 2;
  }
  cairo_surface_t* png = cairo_image_surface_create_from_png(argv[2]);
  if (cairo_surface_status(png) != CAIRO_STATUS_SUCCESS) {
    fprintf(stderr, "cannot read %s\n", argv[2]);
    return 2;
  }
  Grey shot(png);
  cairo_surface_destroy(png);
  if (command == "input") {
    if (shot.width() != kHeight || shot.height() != kWidth) {
      fprintf(stderr, "the shot is %dx%d, not the upright window %dx%d\n", shot.width(),
              shot.height(), kHeight, kWidth);
      return 2;
    }
    const int rows = std::atoi(argv[3]);
    if (rows < 1) return 2;
    printf("%s\n", checkedInputRow(shot, rows).c_str());
    return 0;
  }
  if (shot.width() != kWidth || shot.height() != kHeight) {
    fprintf(stderr, "the shot is %dx%d, not the landscape window %dx%d\n", shot.width(),
            shot.height(), kWidth, kHeight);
    return 2;
  }

  Probe probe;
  if (command == "note") {
    std::set<std::string> names;
    for (const auto& tuning : Tuning::definedTunings()) {
      for (const auto& note : tuning->tuningNotes) names.insert(note->name());
    }
    std::vector<std::string> candidates{"-"};
    candidates.insert(candidates.end(), names.begin(), names.end());
    platform::Label& label = *probe.view().noteNameLabel();
    printf("%s\n", closest(shot, candidates, regionOf(label, 8), [&](const std::string& c) {
                     label.setText(c == "-" ? "" : c);
                     return probe.render();
                   }).c_str());
  } else if (command == "calibration") {
    std::vector<std::string> candidates;
    for (int hz = 420; hz <= 460; ++hz) candidates.push_back(std::to_string(hz));
    platform::Label& label = *probe.view().calibrationLabel();
    printf("%s Hz\n", closest(shot, candidates, regionOf(label, 2), [&](const std::string& c) {
                        probe.tuner().setCalibration(std::stoi(c));
                        probe.view().updateCalibrationLabel();
                        return probe.render();
                      }).c_str());
  } else if (command == "buttons") {
    // The six places of the guitar's buttons, with and without a button.
    probe.tuner().setTargetTuning(Tuning::tuningForId("guitar"));
    probe.view().reloadNoteButtons();
    std::vector<PixelRect> slots;
    for (const auto& b : probe.view().noteButtons()) slots.push_back(regionOf(*b, -4));
    const Grey with = probe.render();
    for (const auto& b : probe.view().noteButtons()) b->setHidden(true);
    const Grey without = probe.render();
    int shown = 0;
    for (const auto& slot : slots) {
      const double toButton = difference(shot, with, slot);
      const double toNone = difference(shot, without, slot);
      fprintf(stderr, "  slot at %d: button %.2f, none %.2f\n", slot.x, toButton, toNone);
      shown += toButton < toNone;
    }
    printf("%d\n", shown);
  } else if (command == "letters") {
    // Six buttons of one letter at a time; each slot takes the closest.
    std::vector<std::pair<std::string, Grey>> renders;
    for (char letter : std::string("ABCDEFG")) {
      std::vector<std::shared_ptr<const TargetNote>> notes;
      for (int i = 0; i < 6; ++i) {
        notes.push_back(makeCatalogueNote(NoteName(letter, NoteName::Accidental::Natural, 3), 'x'));
      }
      probe.tuner().setTargetTuning(std::make_shared<const TuningDictionary>(
          TuningDictionary{"probe", "probe", std::move(notes)}));
      probe.view().reloadNoteButtons();
      renders.emplace_back(std::string(1, letter), probe.render());
    }
    std::string line;
    for (const auto& b : probe.view().noteButtons()) {
      const PixelRect slot = regionOf(*b, -4);
      std::string best;
      double bestScore = std::numeric_limits<double>::infinity();
      for (const auto& [letter, render] : renders) {
        const double score = difference(shot, render, slot);
        if (score < bestScore) {
          bestScore = score;
          best = letter;
        }
      }
      line += (line.empty() ? "" : " ") + best;
    }
    printf("%s\n", line.c_str());
  } else if (command == "mark") {
    auto tuning = Tuning::tuningForId(argv[3]);
    if (!tuning) {
      fprintf(stderr, "no tuning %s\n", argv[3]);
      return 2;
    }
    probe.tuner().setTargetTuning(tuning);
    probe.view().reloadNoteButtons();
    platform::ImageView& ring = *probe.view().stringMarkView();
    ring.setHidden(true);
    const Grey none = probe.render();
    // Each string with the ring around it, compared where the ring lies.
    // A ring changes its region by some 20 grey levels on average; anything
    // under 5 is the window's rendering, not a ring.
    std::string marked = "-";
    double clearest = 5.0;
    const auto& buttons = probe.view().noteButtons();
    for (size_t i = 0; i < buttons.size(); ++i) {
      const platform::Rect b = buttons[i]->frame();
      ring.setFrame(
          platform::RectMake(b.origin.x - 4, b.origin.y - 4, b.size.width + 8, b.size.height + 8));
      ring.setHidden(false);
      const PixelRect around = regionOf(ring, 0);
      const double toRing = difference(shot, probe.render(), around);
      const double toNone = difference(shot, none, around);
      fprintf(stderr, "  string %zu: ring %.2f, none %.2f\n", i + 1, toRing, toNone);
      if (toNone - toRing > clearest) {
        clearest = toNone - toRing;
        marked = std::to_string(i + 1);
      }
      ring.setHidden(true);
    }
    printf("%s\n", marked.c_str());
  } else {
    fprintf(stderr, "unknown command %s\n", command.c_str());
    return 2;
  }
  return 0;
}
