#pragma once

#include "platform/GraphicsContext.h"

namespace platform {

// The drawing context on the page's canvas (the web backend): every call goes
// to the canvas's 2-D context through Canvas.js. Transparency layers are
// canvases of their own, laid on the one below when they end.
class CanvasGraphicsContext final : public GraphicsContext {
 public:
  explicit CanvasGraphicsContext(double deviceScale) : GraphicsContext(deviceScale) {}

  void translateCTM(double tx, double ty) override;
  void rotateCTM(double angle) override;
  void scaleCTM(double sx, double sy) override;
  void concatCTM(const AffineTransform& t) override;
  void beginPath() override;
  void moveToPoint(double x, double y) override;
  void addLineToPoint(double x, double y) override;
  void addArc(double x, double y, double radius, double start, double end) override;
  void newSubPath() override { newSubPath_ = true; }
  void closePath() override;
  void addRect(const Rect& r) override;
  void drawPath(PathDrawingMode mode) override;
  void clipToRect(const Rect& r) override;
  void beginTransparencyLayer() override;
  void endTransparencyLayer(double alpha) override;
  std::unique_ptr<Picture> endTransparencyLayerAsPicture() override;
  void drawPicture(const Picture& picture) override;

  // Hands the fill colour or gradient to the canvas for text: whether a
  // gradient is to be used; the colour in `rgba` otherwise.
  bool prepareFill(double rgba[4]);

 protected:
  void save() override;
  void restore() override;

 private:
  // The next arc starts a sub-path of its own (the canvas would join it to
  // the end of the last one).
  bool newSubPath_ = false;
};

}  // namespace platform
