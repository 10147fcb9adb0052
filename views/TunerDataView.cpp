#include "views/TunerDataView.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "platform/Font.h"
#include "platform/GraphicsContext.h"

using platform::Point;
using platform::Rect;

namespace {

std::string format(const char* pattern, double value) {
  char text[64];
  std::snprintf(text, sizeof text, pattern, value);
  return text;
}

}  // namespace

TunerDataView::Layout TunerDataView::layoutForNameWidth(double m) {
  Layout layout;
  // Of the 480 points: margins, the name column, the score column and the
  // gaps between cells; what is left is shared by the eight cells.
  layout.cellWidth = (((kDrawingWidth - 50.0) - m) - 20.0 - 80.0) * 0.125;
  layout.firstCellX = m + 20.0;
  layout.scoreX = ((m + 10.0) + (layout.cellWidth + 10.0) * 8.0) + 10.0 + 5.0;
  return layout;
}

double TunerDataView::rowTop(int i) {
  return static_cast<float>(10 + 8 * i) + static_cast<float>(i * 25);
}

std::shared_ptr<TunerDataView> TunerDataView::initWithFrame(const Rect& frame, Tuning* tuner) {
  auto view = std::make_shared<TunerDataView>(frame);
  view->setTuner(tuner);
  return view;
}

TunerDataView::TunerDataView(const Rect& frame) : View(frame) {
  setBackgroundColor(platform::Color::clearColor());
}

void TunerDataView::drawRect(const Rect&) {
  if (tuner_ == nullptr) return;
  drawTable(tuner_->tuningData(), tuner_->selectedNote().get());
}

void TunerDataView::drawTable(const Tuning::TuningDataList& rows, const TuningData* selected) {
  platform::GraphicsContext* context = platform::GraphicsGetCurrentContext();
  if (context == nullptr) return;

  // Landscape, as the rest of the tuner screen reads: drawing point (X, Y)
  // lands at portrait (Y + 40, 480 - X).
  context->saveGState();
  context->rotateCTM(-1.5707964f);
  context->translateCTM(-kDrawingWidth, 40.0);

  const auto nameFont = platform::Font::fontWithName("Helvetica", 14.0);
  const auto cellFont = platform::Font::fontWithName("Helvetica", 11.0);
  const int count = static_cast<int>(rows.size());

  context->setRGBFillColor(0.6, 0.8, 0.6, 1.0);
  for (int i = 0; i < count; ++i) {
    if (rows[i].get() == selected) {
      context->fillRect(platform::RectMake(10.0, rowTop(i), kDrawingWidth - 20.0, kRowHeight));
    }
  }

  double m = 0.0;
  for (int i = 0; i < count; ++i) {
    const auto& note = rows[i]->targetNote();
    char text[256];
    std::snprintf(text, sizeof text, "%s %.01f", note->name().c_str(),
                  static_cast<double>(note->frequency()));
    const platform::Size size = platform::sizeWithFont(text, nameFont);
    // The name stays white even on the green bar.
    context->setRGBFillColor(1.0, 1.0, 1.0, 1.0);
    platform::drawAtPoint(text, Point{10.0, (kRowHeight - size.height) * 0.5 + rowTop(i)},
                          nameFont);
    if (m < size.width) m = size.width;
  }

  context->setRGBStrokeColor(0.5, 0.5, 0.5, 1.0);
  context->setLineWidth(1.0);
  const Layout layout = layoutForNameWidth(m);

  for (int i = 0; i < count; ++i) {
    const TuningData& row = *rows[i];
    const double top = rowTop(i);
    for (int j = 0; j < kHarmonicCells; ++j) {
      const double x = layout.cellX(j);
      const Rect cell = platform::RectMake(x + 0.5, top + 0.5, layout.cellWidth, kRowHeight);
      const double level = row.levelAtHarmonic(j);
      const double q = level / kFullLevel;
      float v = 1.0f;  // full, and also for a level that is not a number
      bool fill = true;
      if (q < 1.0) {
        v = static_cast<float>(q);
        fill = v > 0.0f;
      }
      if (fill) {
        context->setRGBFillColor(1.0, 1.0 - v, 1.0 - v, 0.5);
        context->fillRect(cell);
      }
      const std::string label = format("%0.02f", std::log10(level));
      if (&row == selected) {
        context->setRGBFillColor(0.0, 0.0, 0.0, 1.0);
      } else {
        context->setRGBFillColor(1.0, 1.0, 1.0, 1.0);
      }
      platform::drawAtPoint(label, Point{x + 5.0, top + 5.0}, cellFont);
      context->strokeRect(cell);
    }
  }

  for (int i = 0; i < count; ++i) {
    const std::string score = format("%0.02f", static_cast<double>(rows[i]->score()));
    if (rows[i].get() == selected) {
      context->setRGBFillColor(0.0, 0.0, 0.0, 1.0);
    } else {
      context->setRGBFillColor(1.0, 1.0, 1.0, 1.0);
    }
    platform::drawAtPoint(score, Point{layout.scoreX, rowTop(i) + 5.0}, cellFont);
  }

  context->restoreGState();
}
