#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Color.h"
#include "platform/Geometry.h"
#include "platform/RunLoop.h"
#include "platform/Transform3D.h"

namespace platform {

class GraphicsContext;

enum class AnimationCurve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };

enum class AnimationTransition { None = 0, FlipFromLeft = 1, FlipFromRight = 2 };

// Autoresizing: how a subview follows a change of its superview's size.
enum AutoresizingMask : unsigned {
  AutoresizingNone = 0,
  AutoresizingFlexibleLeftMargin = 1,
  AutoresizingFlexibleWidth = 2,
  AutoresizingFlexibleRightMargin = 4,
  AutoresizingFlexibleTopMargin = 8,
  AutoresizingFlexibleHeight = 16,
  AutoresizingFlexibleBottomMargin = 32,
};

// A value of an animatable property as it moves on screen.
template <typename T>
struct PropertyAnimation {
  T from{};
  T to{};
  Nanos start = 0;
  Nanos duration = 0;
  AnimationCurve curve = AnimationCurve::EaseInOut;
  bool active = false;
};

// A rectangle of the screen with its own drawing and subviews. Geometry is in
// points in the superview's coordinates: `center` and the size of `bounds` are
// the truth, `frame` is derived from them (as it is under an identity
// transform). The origin of `bounds` is the point of the view's own
// coordinates shown at its top-left corner: (0, 0) unless the view scrolls
// its content. The layer transform turns and moves the view about its centre;
// alpha 0 is invisible; later-added subviews lie above earlier ones.
class View : public std::enable_shared_from_this<View> {
 public:
  explicit View(const Rect& frame = Rect{});
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // --- geometry
  Rect frame() const;
  void setFrame(const Rect& frame);
  Rect bounds() const { return Rect{boundsOrigin_, size_}; }
  // Scrolls what the view draws and holds: its own point `origin` comes to
  // its top-left corner. Redraws only where the view is.
  void setBoundsOrigin(Point origin);
  Point center() const { return center_; }
  void setCenter(Point c) {
    center_ = c;
    setNeedsDisplay();
  }
  unsigned autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(unsigned mask) { autoresizingMask_ = mask; }

  // --- appearance. alpha and transform animate inside an animation block.
  double alpha() const { return alpha_; }
  void setAlpha(double alpha);
  Transform3D transform() const { return transform_; }
  void setTransform(const Transform3D& t);
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden) {
    hidden_ = hidden;
    setNeedsDisplay();
  }
  // Whether the view's subviews are cut at its bounds (a leaf view's own
  // drawing always is).
  bool clipsToBounds() const { return clipsToBounds_; }
  void setClipsToBounds(bool clips) {
    clipsToBounds_ = clips;
    setNeedsDisplay();
  }
  Color backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(const Color& c) {
    backgroundColor_ = c;
    setNeedsDisplay();
  }

  // What is on screen now: the model value, or where its animation has got to
  // on the run loop's clock.
  double presentationAlpha() const;
  Transform3D presentationTransform() const;

  // --- hierarchy
  View* superview() const { return superview_; }
  const std::vector<std::shared_ptr<View>>& subviews() const { return subviews_; }
  // Adds on top of every other subview (moving it there if already a subview,
  // and out of any other superview).
  void addSubview(const std::shared_ptr<View>& view);
  // Adds just above `sibling` (on top when `sibling` is not a subview).
  void insertSubview(const std::shared_ptr<View>& view, const View* sibling);
  void insertSubviewAboveSubview(const std::shared_ptr<View>& view, const View* sibling) {
    insertSubview(view, sibling);
  }
  void removeFromSuperview();
  bool isDescendantOfView(const View* view) const;
  // The window at the root of this view's tree, if any.
  class Window* window() const;

  // --- drawing
  // Draws the view's own content in its bounds with the current graphics
  // context (GraphicsGetCurrentContext); the background is already filled.
  virtual void drawRect(const Rect& rect);
  // Marks the window as needing a new frame (the whole tree is redrawn then).
  // The setters of visible state call it.
  void setNeedsDisplay();

  // --- touches
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // The front-most visible, touchable view at `p` (this view's coordinates),
  // this view included; null when none.
  virtual View* hitTest(Point p);
  virtual bool pointInside(Point p) const;
  // A point of this view's coordinates in `other`'s (null: the root's).
  Point convertPointToView(Point p, const View* other) const;
  Point convertPointFromView(Point p, const View* other) const;
  // Touch phases, in this view's coordinates; the view passes them to its
  // superview by default (so a touch on a plain subview reaches its cell).
  virtual void touchesBegan(Point p);
  virtual void touchesMoved(Point p);
  virtual void touchesEnded(Point p);
  // The mouse wheel turned over the view by `notches` (fractions from a
  // touchpad), positive away from the user: what lies above should come into
  // view. Passed to the superview by default, like touches.
  virtual void scrollWheel(double notches);

  // --- animation blocks (main thread). Changes of alpha and transform made
  // between begin and commit animate over the duration with the curve; each
  // starts from what is on screen at the commit. Blocks may nest; each
  // starts its own changes, with its own duration and curve, at its commit.
  // The default duration is 0.2 s and the default curve ease-in-ease-out.
  static void beginAnimations(const std::string& name, void* context = nullptr);
  static void setAnimationDuration(double seconds);
  static void setAnimationCurve(AnimationCurve curve);
  // Turns `view` over (horizontal flip, the content swapped halfway) while the
  // subview changes of this block take effect.
  static void setAnimationTransition(AnimationTransition transition, View* view, bool cache = true);
  static void commitAnimations();
  // Name of the most recently committed block ("" before any): for the app's
  // diagnostics and tests.
  static int committedAnimationCount(const std::string& name);
  static void resetAnimationCounts();

  // True while any animation of any live view (or a transition) is still
  // moving at the run loop's current time; the app loop keeps drawing then.
  static bool anyAnimationRunning();
  // Drops finished animations (called by the app loop each frame; harmless).
  static void purgeFinishedAnimations();
  // The views with an animation or transition not yet purged, finished or not:
  // what may have moved on screen since the last picture.
  static std::vector<View*> animatedViews();
  // True while a flip transition of any view is still turning.
  static bool anyTransitionRunning();

  // Flip transition in progress on this view: fraction done (0..1) and the
  // subviews shown before it, or none.
  struct TransitionState {
    AnimationTransition kind = AnimationTransition::None;
    Nanos start = 0;
    Nanos duration = 0;
    std::vector<std::shared_ptr<View>> before;
  };
  const TransitionState* runningTransition() const;

 protected:
  // Called when the bounds size changes, after autoresizing the subviews.
  virtual void layoutSubviews() {}

 private:
  friend class AnimationRegistry;
  void resizeSubviews(Size oldSize);
  void detachFromSuperview();

  Point center_;
  Size size_;
  Point boundsOrigin_;
  unsigned autoresizingMask_ = AutoresizingNone;
  double alpha_ = 1.0;
  Transform3D transform_ = Transform3DIdentity;
  bool hidden_ = false;
  bool clipsToBounds_ = false;
  bool userInteractionEnabled_ = true;
  Color backgroundColor_ = Color::clearColor();

  PropertyAnimation<double> alphaAnimation_;
  PropertyAnimation<Transform3D> transformAnimation_;
  std::unique_ptr<TransitionState> transition_;

  View* superview_ = nullptr;
  std::vector<std::shared_ptr<View>> subviews_;
};

// Animation curves: fraction of the way at fraction t of the time.
double animationCurveValue(AnimationCurve curve, double t);

}  // namespace platform
