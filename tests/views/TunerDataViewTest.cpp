#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"
#include "platform/Font.h"
#include "platform/Render.h"
#include "tests/support/Canvas.h"
#include "views/TunerDataView.h"

namespace {

constexpr double kScale = 2.0;

// Draws the given records instead of an engine's, through the same table
// drawing as the view.
class TestTunerDataView : public TunerDataView {
 public:
  TestTunerDataView(const platform::Rect& frame, Tuning::TuningDataList rows,
                    const TuningData* selected)
      : TunerDataView(frame), rows_(std::move(rows)), selected_(selected) {}
  void drawRect(const platform::Rect&) override { drawTable(rows_, selected_); }

 private:
  Tuning::TuningDataList rows_;
  const TuningData* selected_;
};

using Rgb = test_support::Pixel;

// The tuner screen (320 x 480 portrait, black) with the data view over it,
// rendered offscreen at twice the size; pixels are looked up at points of
// the view's own landscape drawing (X along the 480 points, Y down).
class Screen {
 public:
  explicit Screen(const std::shared_ptr<TunerDataView>& view)
      : root_(std::make_shared<platform::View>(platform::RectMake(0, 0, 320, 480))) {
    root_->setBackgroundColor(platform::Color::blackColor());
    root_->addSubview(view);
    canvas_.emplace(*root_, kScale);
  }

  // Drawing point (X, Y) is portrait point (Y + 40, 480 - X).
  Rgb at(double X, double Y) const {
    return canvas_->at(static_cast<int>(std::floor((Y + 40.0) * kScale)),
                       static_cast<int>(std::floor((480.0 - X) * kScale)));
  }

  // Pixels of the drawing rectangle [X0, X1) x [Y0, Y1), one per half point.
  std::vector<Rgb> area(double X0, double Y0, double X1, double Y1) const {
    std::vector<Rgb> pixels;
    for (double X = X0; X < X1; X += 0.5)
      for (double Y = Y0; Y < Y1; Y += 0.5) pixels.push_back(at(X, Y));
    return pixels;
  }

 private:
  std::shared_ptr<platform::View> root_;
  std::optional<test_support::Canvas> canvas_;
};

bool near(Rgb want, Rgb got, int tolerance = 3) {
  return std::abs(want.r - got.r) <= tolerance && std::abs(want.g - got.g) <= tolerance &&
         std::abs(want.b - got.b) <= tolerance;
}

::testing::AssertionResult colourIs(Rgb want, Rgb got) {
  if (near(want, got)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "got (" << got.r << ", " << got.g << ", " << got.b << "), want (" << want.r << ", "
         << want.g << ", " << want.b << ")";
}

Rgb over(double r, double g, double b, double alpha, Rgb below) {
  auto mix = [alpha](double top, int under) {
    return static_cast<int>(std::lround(255 * (top * alpha) + under * (1 - alpha)));
  };
  return Rgb{mix(r, below.r), mix(g, below.g), mix(b, below.b)};
}

bool anyWhite(const std::vector<Rgb>& pixels) {
  return std::any_of(pixels.begin(), pixels.end(),
                     [](Rgb p) { return p.r > 235 && p.g > 235 && p.b > 235; });
}
bool anyDark(const std::vector<Rgb>& pixels) {
  return std::any_of(pixels.begin(), pixels.end(),
                     [](Rgb p) { return p.r < 50 && p.g < 50 && p.b < 50; });
}

const Rgb kBlack{0, 0, 0};
const Rgb kBar{153, 204, 153};  // (0.6, 0.8, 0.6)
const Rgb kGrey{128, 128, 128};

// The violin's four notes, with harmonic h of each record given `levels[h]`.
Tuning::TuningDataList violinRows(const std::vector<std::vector<float>>& levels) {
  Tuning::TuningDataList rows;
  const auto& notes = Tuning::tuningForId("violin")->tuningNotes;
  for (size_t i = 0; i < notes.size(); ++i) {
    auto row = TuningData::initWithTargetNote(notes[i]);
    for (size_t h = 0; h < levels[i].size(); ++h) {
      row->addSampleWithFrequency(notes[i]->frequency() * (h + 1), levels[i][h], 440);
    }
    row->computeNoteScore();
    rows.push_back(row);
  }
  return rows;
}

// The widest "name frequency" text of `rows`, which sets the columns (their
// arithmetic is checked on its own below).
double widestName(const Tuning::TuningDataList& rows) {
  auto font = platform::Font::fontWithName("Helvetica", 14.0);
  double m = 0;
  for (const auto& row : rows) {
    char text[64];
    std::snprintf(text, sizeof text, "%s %.01f", row->targetNote()->name().c_str(),
                  static_cast<double>(row->targetNote()->frequency()));
    m = std::max(m, platform::sizeWithFont(text, font).width);
  }
  return m;
}

TEST(TunerDataViewTest, ColumnsForANinetyPointName) {
  const auto layout = TunerDataView::layoutForNameWidth(90.0);
  EXPECT_EQ(30.0, layout.cellWidth);
  EXPECT_EQ(110.0, layout.cellX(0));
  EXPECT_EQ(150.0, layout.cellX(1));
  EXPECT_EQ(390.0, layout.cellX(7));
  EXPECT_EQ(435.0, layout.scoreX);
  EXPECT_EQ(10.0, TunerDataView::rowTop(0));
  EXPECT_EQ(109.0, TunerDataView::rowTop(3));
}

class TunerDataViewRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Row 2 (A 440) is the selected one: harmonic 0 above full, 1 at half,
    // 2 nothing, 3 exactly full. Row 0 (G) has a quarter-level fundamental.
    rows = violinRows(
        {{250000.0f},
         {},
         {2000000.0f, 500000.0f, 0.0f, 1000000.0f, 10000.0f, 10000.0f, 10000.0f, 10000.0f},
         {}});
    selected = rows[2].get();
    view = std::make_shared<TestTunerDataView>(platform::RectMake(0, 0, 320, 480), rows, selected);
    layout = TunerDataView::layoutForNameWidth(widestName(rows));
  }

  // A point in the lower part of cell (i, j), below its label.
  double cellMidX(int j) const { return layout.cellX(j) + 0.5 + layout.cellWidth / 2; }
  static double belowLabelY(int i) { return TunerDataView::rowTop(i) + 21.0; }

  Tuning::TuningDataList rows;
  const TuningData* selected = nullptr;
  std::shared_ptr<TunerDataView> view;
  TunerDataView::Layout layout{};
};

TEST_F(TunerDataViewRenderTest, CellsAreFilledByLevelOverTheBarOrTheScreen) {
  Screen screen(view);
  // Selected row: on the green bar, left of the cells and right of the score.
  EXPECT_TRUE(colourIs(kBar, screen.at(layout.cellX(0) - 4, belowLabelY(2))));
  EXPECT_TRUE(colourIs(kBar, screen.at(467, belowLabelY(2))));
  // Full (2000000 and exactly 1000000), half, and nothing.
  EXPECT_TRUE(colourIs(over(1, 0, 0, 0.5, kBar), screen.at(cellMidX(0), belowLabelY(2))));
  EXPECT_TRUE(colourIs(over(1, 0.5, 0.5, 0.5, kBar), screen.at(cellMidX(1), belowLabelY(2))));
  EXPECT_TRUE(colourIs(kBar, screen.at(cellMidX(2), belowLabelY(2))));
  EXPECT_TRUE(colourIs(over(1, 0, 0, 0.5, kBar), screen.at(cellMidX(3), belowLabelY(2))));
  EXPECT_TRUE(colourIs(over(1, 0.99, 0.99, 0.5, kBar), screen.at(cellMidX(4), belowLabelY(2))));
  // Other rows: no bar; a quarter level is pink over black, no level no fill.
  EXPECT_TRUE(colourIs(over(1, 0.75, 0.75, 0.5, kBlack), screen.at(cellMidX(0), belowLabelY(0))));
  EXPECT_TRUE(colourIs(kBlack, screen.at(cellMidX(1), belowLabelY(0))));
  EXPECT_TRUE(colourIs(kBlack, screen.at(467, belowLabelY(1))));
  // Every cell is outlined in grey, filled or not: its top edge.
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 8; ++j)
      EXPECT_TRUE(colourIs(kGrey, screen.at(cellMidX(j), TunerDataView::rowTop(i) + 0.75)))
          << "row " << i << " cell " << j;
}

TEST_F(TunerDataViewRenderTest, SelectedRowHasBlackCellAndScoreTextButAWhiteName) {
  Screen screen(view);
  auto label = [&](int i, int j) {
    const double x = layout.cellX(j) + 5, y = TunerDataView::rowTop(i) + 5;
    return screen.area(x, y, x + 20, y + 13);
  };
  auto scoreText = [&](int i) {
    const double y = TunerDataView::rowTop(i) + 5;
    return screen.area(layout.scoreX, y, layout.scoreX + 25, y + 13);
  };
  auto name = [&](int i) {
    const double y = TunerDataView::rowTop(i);
    return screen.area(10, y, 10 + layout.firstCellX - 25, y + 25);
  };
  for (int j = 0; j < 8; ++j) {
    EXPECT_TRUE(anyDark(label(2, j))) << "cell " << j;
    EXPECT_FALSE(anyWhite(label(2, j))) << "cell " << j;
    EXPECT_TRUE(anyWhite(label(1, j))) << "cell " << j;
  }
  EXPECT_TRUE(anyDark(scoreText(2)));
  EXPECT_FALSE(anyWhite(scoreText(2)));
  EXPECT_TRUE(anyWhite(scoreText(3)));
  EXPECT_TRUE(anyWhite(name(2)));
  EXPECT_TRUE(anyWhite(name(0)));
}

// The view on a real engine: after a few passes over a 440 Hz tone, the
// violin's A row is on the bar; before any pass nothing is.
TEST(TunerDataViewEngineTest, ShowsTheEnginesSelection) {
  auto tuner = Tuning::initWithSampleRate(22050.0f);
  ASSERT_NE(nullptr, tuner);
  tuner->setTargetTuning(Tuning::tuningForId("violin"));
  auto view = TunerDataView::initWithFrame(platform::RectMake(0, 0, 320, 480), tuner.get());
  const auto layout = TunerDataView::layoutForNameWidth(widestName(tuner->tuningData()));
  const double barX = layout.cellX(0) - 4;

  {
    Screen screen(view);
    for (int i = 0; i < 4; ++i)
      EXPECT_TRUE(colourIs(kBlack, screen.at(barX, TunerDataView::rowTop(i) + 21))) << i;
    // With nothing selected all the texts are white.
    EXPECT_TRUE(anyWhite(screen.area(layout.scoreX, 15, layout.scoreX + 25, 28)));
  }

  auto buffer = AudioSampleBuffer::initWithBufferSize(44100);
  std::vector<int16_t> block(5512);
  long n = 0;
  for (int pass = 0; pass < 4; ++pass) {
    for (auto& s : block) {
      const double t = static_cast<double>(n++) / 22050.0;
      s = static_cast<int16_t>(6000 * std::sin(2 * M_PI * 440 * t) +
                               3000 * std::sin(2 * M_PI * 880 * t));
    }
    buffer->reset();
    buffer->appendFrames(static_cast<int>(block.size()), block.data(),
                         static_cast<int>(block.size() * sizeof(int16_t)));
    tuner->setApplyHammingWindow(true);
    tuner->processSampleBuffer(*buffer);
  }
  ASSERT_NE(nullptr, tuner->selectedNote());
  ASSERT_EQ("A4v", tuner->selectedNote()->targetNote()->soundName());

  view->setNeedsDisplay();
  Screen screen(view);
  EXPECT_TRUE(colourIs(kBar, screen.at(barX, TunerDataView::rowTop(2) + 21)));
  EXPECT_TRUE(colourIs(kBlack, screen.at(barX, TunerDataView::rowTop(0) + 21)));
  // Its fundamental and second harmonic are strong enough to tint their cells.
  EXPECT_FALSE(near(kBar, screen.at(layout.cellX(0) + 3, TunerDataView::rowTop(2) + 21)));
}

}  // namespace
