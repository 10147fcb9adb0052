#pragma once

#include <memory>

#include "common/Tuning.h"
#include "platform/View.h"

// A diagnostic overlay of the analysis: one row per note of the tuning with
// its name and target frequency, the levels of its first eight harmonics
// (each cell filled from faint white to half-transparent red as the level
// approaches full, and labelled with log10 of the level) and its score; the
// note the analysis selected sits on a green bar. Everything is re-read from
// the engine on each drawing.
//
// It draws in landscape coordinates of its own, 480 points wide, read the
// same way as the tuner screen: give it the tuner screen's portrait frame.
class TunerDataView : public platform::View {
 public:
  // Where the columns go for a widest name text of `nameWidth` points.
  struct Layout {
    double cellWidth;   // w
    double firstCellX;  // x_0; cell j starts at x_0 + j (w + 10)
    double scoreX;      // the score text's left edge
    double cellX(int j) const { return firstCellX + j * (cellWidth + 10.0); }
  };
  static Layout layoutForNameWidth(double nameWidth);
  // Top of row i (from 0); every row is kRowHeight tall.
  static double rowTop(int i);

  static constexpr double kDrawingWidth = 480.0;
  static constexpr double kRowHeight = 25.0;
  static constexpr int kHarmonicCells = 8;
  // A harmonic level at or above this fills its cell completely.
  static constexpr double kFullLevel = 1000000.0;

  // `tuner` is not owned: the tuner controller owns the engine and outlives
  // its views.
  static std::shared_ptr<TunerDataView> initWithFrame(const platform::Rect& frame, Tuning* tuner);
  explicit TunerDataView(const platform::Rect& frame);

  Tuning* tuner() const { return tuner_; }
  void setTuner(Tuning* tuner) { tuner_ = tuner; }

  void drawRect(const platform::Rect& rect) override;

  // The table for the given records, `selected` (may be null) marked; what
  // drawRect draws from the engine, into the current graphics context.
  static void drawTable(const Tuning::TuningDataList& rows, const TuningData* selected);

 private:
  Tuning* tuner_ = nullptr;
};
