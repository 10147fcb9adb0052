#pragma once

#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"

typedef struct _cairo cairo_t;

namespace platform {

enum class PathDrawingMode { Fill = 0, EOFill = 1, Stroke = 2, FillStroke = 3 };

// The 2-D drawing context a view draws into, on cairo: the calls the views
// make, with the same graphics-state model (save/restore keep colours, line
// width and the current transform together).
class GraphicsContext {
 public:
  // Draws into `cr` (not owned); `deviceScale` is pixels per point, used to
  // pick 2× images.
  GraphicsContext(cairo_t* cr, double deviceScale);
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;

  void saveGState();
  void restoreGState();

  void setRGBStrokeColor(double r, double g, double b, double a);
  void setRGBFillColor(double r, double g, double b, double a);
  void setFillColor(const Color& c) { setRGBFillColor(c.red, c.green, c.blue, c.alpha); }
  void setLineWidth(double width);
  Color fillColor() const { return state_.fill; }

  void translateCTM(double tx, double ty);
  void rotateCTM(double angle);

  void beginPath();
  void moveToPoint(double x, double y);
  void addLineToPoint(double x, double y);
  void addRect(const Rect& r);
  void drawPath(PathDrawingMode mode);
  void strokePath() { drawPath(PathDrawingMode::Stroke); }

  void fillRect(const Rect& r);
  void strokeRect(const Rect& r);

  cairo_t* cairo() const { return cr_; }
  double deviceScale() const { return deviceScale_; }

  // Sets the cairo source to the fill colour (text and image drawing use it).
  void useFillColor();

 private:
  struct State {
    Color fill{0, 0, 0, 1};
    Color stroke{0, 0, 0, 1};
    double lineWidth = 1.0;
  };
  cairo_t* cr_;
  double deviceScale_;
  State state_;
  std::vector<State> saved_;
};

// The context of the drawing in progress (set while views draw), or null.
GraphicsContext* GraphicsGetCurrentContext();

// Makes `context` current for the scope's life; scopes nest.
class GraphicsContextScope {
 public:
  explicit GraphicsContextScope(GraphicsContext* context);
  ~GraphicsContextScope();
  GraphicsContextScope(const GraphicsContextScope&) = delete;
  GraphicsContextScope& operator=(const GraphicsContextScope&) = delete;

 private:
  GraphicsContext* previous_;
};

}  // namespace platform
