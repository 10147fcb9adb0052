#pragma once

#include <memory>
#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"

namespace platform {

enum class PathDrawingMode { Fill = 0, EOFill = 1, Stroke = 2, FillStroke = 3 };
enum class LineCap { Butt, Round, Square };
enum class LineJoin { Miter, Round, Bevel };
// How fills and strokes combine with what is drawn: over it, or (SourceAtop)
// only where something is drawn already, keeping its coverage.
enum class BlendMode { Normal, SourceAtop };

// A colour ramp along a line (Linear: start to end) or between two circles
// about one centre (Radial: radius startRadius to endRadius).
struct Gradient {
  enum class Kind { Linear, Radial };
  struct Stop {
    double offset;
    Color color;
  };
  Kind kind = Kind::Linear;
  Point start, end;  // Radial: start is the centre
  double startRadius = 0, endRadius = 0;
  std::vector<Stop> stops;

  static Gradient linear(Point start, Point end, std::vector<Stop> stops) {
    return Gradient{Kind::Linear, start, end, 0, 0, std::move(stops)};
  }
  static Gradient radial(Point centre, double startRadius, double endRadius,
                         std::vector<Stop> stops) {
    return Gradient{Kind::Radial, centre, centre, startRadius, endRadius, std::move(stops)};
  }
};

// The 2-D drawing context a view draws into: the calls the views make, with
// one graphics-state model (save/restore keep colours, line style, blend mode
// and the current transform together). Each backend draws it with its own
// library; this part keeps the state the views read back.
class GraphicsContext {
 public:
  // A finished transparency layer kept to be drawn (the flip transition
  // draws the turning face in strips).
  class Picture {
   public:
    virtual ~Picture() = default;
  };

  // `deviceScale` is pixels per point, used to pick 2× images.
  explicit GraphicsContext(double deviceScale) : deviceScale_(deviceScale) {}
  virtual ~GraphicsContext() = default;
  GraphicsContext(const GraphicsContext&) = delete;
  GraphicsContext& operator=(const GraphicsContext&) = delete;

  void saveGState();
  void restoreGState();

  void setRGBStrokeColor(double r, double g, double b, double a) { state_.stroke = {r, g, b, a}; }
  void setRGBFillColor(double r, double g, double b, double a);
  void setFillColor(const Color& c) { setRGBFillColor(c.red, c.green, c.blue, c.alpha); }
  void setStrokeColor(const Color& c) { state_.stroke = c; }
  // Fills paint the gradient (in the coordinates current when filling) until
  // a fill colour is set.
  void setFillGradient(Gradient gradient);
  void setLineWidth(double width) { state_.lineWidth = width; }
  void setLineCap(LineCap cap) { state_.lineCap = cap; }
  void setLineJoin(LineJoin join) { state_.lineJoin = join; }
  void setBlendMode(BlendMode mode) { state_.blendMode = mode; }
  Color fillColor() const { return state_.fill; }

  virtual void translateCTM(double tx, double ty) = 0;
  virtual void rotateCTM(double angle) = 0;
  virtual void scaleCTM(double sx, double sy) = 0;
  virtual void concatCTM(const AffineTransform& t) = 0;

  virtual void beginPath() = 0;
  virtual void moveToPoint(double x, double y) = 0;
  // Without a current point the line starts where it is asked to.
  virtual void addLineToPoint(double x, double y) = 0;
  // An arc about (x, y) from angle `start` to `end` (radians, growing
  // clockwise on the y-down screen), joined by a line to the current point
  // if there is one (see newSubPath).
  virtual void addArc(double x, double y, double radius, double start, double end) = 0;
  // Ends the current sub-path without closing it: the next arc starts on its own.
  virtual void newSubPath() = 0;
  virtual void closePath() = 0;
  virtual void addRect(const Rect& r) = 0;
  // A rectangle with its top corners rounded by `topRadius` and its bottom
  // ones by `bottomRadius`, as a sub-path of its own.
  void addRoundedRect(const Rect& r, double topRadius, double bottomRadius);
  // Fills and/or strokes the path, which is then gone.
  virtual void drawPath(PathDrawingMode mode) = 0;
  void strokePath() { drawPath(PathDrawingMode::Stroke); }
  void fillPath() { drawPath(PathDrawingMode::Fill); }

  void fillRect(const Rect& r);
  void strokeRect(const Rect& r);

  // Narrows the clip to the rectangle (until the state is restored).
  virtual void clipToRect(const Rect& r) = 0;

  // Draws what follows into a layer of its own; ending it paints the layer
  // with `alpha` as one picture, or keeps it as a Picture to draw (under the
  // transform and clip current then, each time) with drawPicture.
  virtual void beginTransparencyLayer() = 0;
  virtual void endTransparencyLayer(double alpha) = 0;
  virtual std::unique_ptr<Picture> endTransparencyLayerAsPicture() = 0;
  virtual void drawPicture(const Picture& picture) = 0;

  double deviceScale() const { return deviceScale_; }

 protected:
  struct State {
    Color fill{0, 0, 0, 1};
    Color stroke{0, 0, 0, 1};
    std::shared_ptr<const Gradient> fillGradient;
    double lineWidth = 1.0;
    LineCap lineCap = LineCap::Butt;
    LineJoin lineJoin = LineJoin::Miter;
    BlendMode blendMode = BlendMode::Normal;
  };
  const State& state() const { return state_; }
  // The backend's own save and restore, beside the state kept here.
  virtual void save() = 0;
  virtual void restore() = 0;

 private:
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
