#include "platform/View.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "platform/Render.h"
#include "platform/Window.h"

namespace platform {

// ---------------------------------------------------------------- animation state

namespace {
constexpr double kDefaultAnimationDuration = 0.2;

struct AnimationBlock {
  std::string name;
  double duration = kDefaultAnimationDuration;
  AnimationCurve curve = AnimationCurve::EaseInOut;
  AnimationTransition transition = AnimationTransition::None;
  View* transitionView = nullptr;
  std::vector<std::shared_ptr<View>> transitionBefore;
  std::vector<View*> alphaChanged;
  std::vector<View*> transformChanged;
};

Nanos clockNow() {
  return RunLoop::currentRunLoop().now();
}

// fraction of time → fraction of the way, for a cubic Bézier from (0,0) to
// (1,1) with control points (x1, y1), (x2, y2).
double cubicBezier(double x1, double y1, double x2, double y2, double t) {
  auto coord = [](double a, double b, double s) {
    double u = 1 - s;
    return 3 * u * u * s * a + 3 * u * s * s * b + s * s * s;
  };
  double lo = 0, hi = 1, s = t;
  for (int i = 0; i < 60; ++i) {
    s = 0.5 * (lo + hi);
    if (coord(x1, x2, s) < t)
      lo = s;
    else
      hi = s;
  }
  return coord(y1, y2, s);
}
}  // namespace

class AnimationRegistry {
 public:
  static AnimationRegistry& shared() {
    static AnimationRegistry registry;
    return registry;
  }
  std::vector<AnimationBlock> blocks;
  std::set<View*> animating;
  std::map<std::string, int> counts;

  void forget(View* v) {
    animating.erase(v);
    for (auto& b : blocks) {
      std::erase(b.alphaChanged, v);
      std::erase(b.transformChanged, v);
      if (b.transitionView == v) b.transitionView = nullptr;
    }
  }
};

double animationCurveValue(AnimationCurve curve, double t) {
  if (t <= 0) return 0;
  if (t >= 1) return 1;
  switch (curve) {
    case AnimationCurve::EaseInOut:
      return cubicBezier(0.42, 0, 0.58, 1, t);
    case AnimationCurve::EaseIn:
      return cubicBezier(0.42, 0, 1, 1, t);
    case AnimationCurve::EaseOut:
      return cubicBezier(0, 0, 0.58, 1, t);
    case AnimationCurve::Linear:
      return t;
  }
  return t;
}

namespace {
template <typename T>
bool isRunning(const PropertyAnimation<T>& a, Nanos now) {
  return a.active && now < a.start + a.duration;
}

template <typename T>
double progress(const PropertyAnimation<T>& a, Nanos now) {
  if (a.duration <= 0) return 1;
  double t = static_cast<double>(now - a.start) / static_cast<double>(a.duration);
  return animationCurveValue(a.curve, std::clamp(t, 0.0, 1.0));
}
}  // namespace

// ---------------------------------------------------------------- View

View::View(const Rect& frame) {
  setFrame(frame);
}

View::~View() {
  AnimationRegistry::shared().forget(this);
  for (auto& s : subviews_) s->superview_ = nullptr;
}

Rect View::frame() const {
  return Rect{{center_.x - size_.width * 0.5, center_.y - size_.height * 0.5}, size_};
}

void View::setFrame(const Rect& frame) {
  Size old = size_;
  size_ = frame.size;
  center_ = Point{frame.midX(), frame.midY()};
  if (old.width != size_.width || old.height != size_.height) {
    resizeSubviews(old);
    layoutSubviews();
  }
  setNeedsDisplay();
}

void View::resizeSubviews(Size old) {
  double dw = size_.width - old.width, dh = size_.height - old.height;
  for (auto& s : subviews_) {
    unsigned m = s->autoresizingMask_;
    if (m == AutoresizingNone) continue;
    Rect f = s->frame();
    auto share = [](double delta, bool a, bool b, bool c, double* pa, double* pb) {
      int n = a + b + c;
      if (n == 0) return;
      double part = delta / n;
      if (a) *pa += part;
      if (b) *pb += part;
    };
    // Each flexible part (left margin, size, right margin) takes an equal share.
    double dx = 0, ddw = 0, dy = 0, ddh = 0;
    share(dw, m & AutoresizingFlexibleLeftMargin, m & AutoresizingFlexibleWidth,
          m & AutoresizingFlexibleRightMargin, &dx, &ddw);
    share(dh, m & AutoresizingFlexibleTopMargin, m & AutoresizingFlexibleHeight,
          m & AutoresizingFlexibleBottomMargin, &dy, &ddh);
    s->setFrame(
        RectMake(f.origin.x + dx, f.origin.y + dy, f.size.width + ddw, f.size.height + ddh));
  }
}

void View::setBoundsOrigin(Point origin) {
  if (origin.x == boundsOrigin_.x && origin.y == boundsOrigin_.y) return;
  // Only this view's own place changes on screen (a clipping view's
  // subviews stay inside it): that part is drawn again, not the whole tree.
  Window* w = window();
  if (w) w->addDamage(renderedExtentInRoot(*this, *w));
  boundsOrigin_ = origin;
  if (w) w->addDamage(renderedExtentInRoot(*this, *w));
}

void View::setAlpha(double alpha) {
  Window* w = window();
  if (w) w->addDamage(renderedExtentInRoot(*this, *w));
  auto& reg = AnimationRegistry::shared();
  if (!reg.blocks.empty()) {
    auto& changed = reg.blocks.back().alphaChanged;
    if (std::find(changed.begin(), changed.end(), this) == changed.end()) {
      alphaAnimation_.from = presentationAlpha();
      alphaAnimation_.active = false;
      changed.push_back(this);
    }
    alphaAnimation_.to = alpha;
  } else {
    alphaAnimation_.active = false;
  }
  alpha_ = alpha;
  if (w) w->addDamage(renderedExtentInRoot(*this, *w));
}

void View::setTransform(const Transform3D& t) {
  Window* w = window();
  if (w) w->addDamage(renderedExtentInRoot(*this, *w));
  auto& reg = AnimationRegistry::shared();
  if (!reg.blocks.empty()) {
    auto& changed = reg.blocks.back().transformChanged;
    if (std::find(changed.begin(), changed.end(), this) == changed.end()) {
      transformAnimation_.from = presentationTransform();
      transformAnimation_.active = false;
      changed.push_back(this);
    }
    transformAnimation_.to = t;
  } else {
    transformAnimation_.active = false;
  }
  transform_ = t;
  if (w) w->addDamage(renderedExtentInRoot(*this, *w));
}

double View::presentationAlpha() const {
  const auto& a = alphaAnimation_;
  if (!a.active) return alpha_;
  Nanos now = clockNow();
  if (now >= a.start + a.duration) return alpha_;
  return a.from + (a.to - a.from) * progress(a, now);
}

Transform3D View::presentationTransform() const {
  const auto& a = transformAnimation_;
  if (!a.active) return transform_;
  Nanos now = clockNow();
  if (now >= a.start + a.duration) return transform_;
  return Transform3DInterpolate(a.from, a.to, progress(a, now));
}

// ---------------------------------------------------------------- hierarchy

void View::detachFromSuperview() {
  if (!superview_) return;
  auto& siblings = superview_->subviews_;
  auto it = std::find_if(siblings.begin(), siblings.end(),
                         [this](const std::shared_ptr<View>& v) { return v.get() == this; });
  superview_ = nullptr;
  if (it != siblings.end()) siblings.erase(it);
}

void View::addSubview(const std::shared_ptr<View>& viewArg) {
  insertSubview(viewArg, nullptr);
}

void View::insertSubview(const std::shared_ptr<View>& viewArg, const View* sibling) {
  std::shared_ptr<View> view = viewArg;  // the argument may live in the list we change
  if (!view || view.get() == this || isDescendantOfView(view.get())) return;
  view->detachFromSuperview();
  auto pos = subviews_.end();
  if (sibling) {
    auto it =
        std::find_if(subviews_.begin(), subviews_.end(),
                     [sibling](const std::shared_ptr<View>& v) { return v.get() == sibling; });
    if (it != subviews_.end()) pos = it + 1;
  }
  subviews_.insert(pos, view);
  view->superview_ = this;
  setNeedsDisplay();
}

void View::removeFromSuperview() {
  if (!superview_) return;
  View* parent = superview_;
  std::shared_ptr<View> keep;
  for (auto& v : parent->subviews_)
    if (v.get() == this) keep = v;
  detachFromSuperview();
  parent->setNeedsDisplay();
  // `keep` may be the last owner: nothing of this object is used after here.
}

bool View::isDescendantOfView(const View* view) const {
  for (const View* v = this; v; v = v->superview_)
    if (v == view) return true;
  return false;
}

Window* View::window() const {
  const View* v = this;
  while (v->superview_) v = v->superview_;
  return dynamic_cast<Window*>(const_cast<View*>(v));
}

void View::drawRect(const Rect&) {}

void View::setNeedsDisplay() {
  if (Window* w = window()) w->setNeedsDisplayFlag(true);
}

// ---------------------------------------------------------------- touches

bool View::pointInside(Point p) const {
  return bounds().contains(p);
}

namespace {
// From superview coordinates into v's own (model geometry).
Point toLocal(const View& v, Point p) {
  Point rel{p.x - v.center().x, p.y - v.center().y};
  Point local = rel;
  if (!Transform3DIsIdentity(v.transform()) && !Transform3DInvertApply(v.transform(), rel, &local))
    return Point{-1e9, -1e9};
  const Rect b = v.bounds();
  return Point{local.x + b.size.width * 0.5 + b.origin.x,
               local.y + b.size.height * 0.5 + b.origin.y};
}

Point toSuper(const View& v, Point p) {
  const Rect b = v.bounds();
  Point rel{p.x - b.origin.x - b.size.width * 0.5, p.y - b.origin.y - b.size.height * 0.5};
  Point moved = Transform3DApply(v.transform(), rel);
  return Point{moved.x + v.center().x, moved.y + v.center().y};
}
}  // namespace

View* View::hitTest(Point p) {
  if (hidden_ || !userInteractionEnabled_ || alpha_ < 0.01) return nullptr;
  if (!pointInside(p)) return nullptr;
  for (auto it = subviews_.rbegin(); it != subviews_.rend(); ++it) {
    if (View* hit = (*it)->hitTest(toLocal(**it, p))) return hit;
  }
  return this;
}

Point View::convertPointToView(Point p, const View* other) const {
  for (const View* v = this; v->superview_; v = v->superview_) {
    if (v == other) return p;
    p = toSuper(*v, p);
  }
  if (!other) return p;
  return other->convertPointFromView(p, nullptr);
}

Point View::convertPointFromView(Point p, const View* other) const {
  if (other) p = other->convertPointToView(p, nullptr);
  std::vector<const View*> chain;
  for (const View* v = this; v->superview_; v = v->superview_) chain.push_back(v);
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) p = toLocal(**it, p);
  return p;
}

void View::touchesBegan(Point p) {
  if (superview_) superview_->touchesBegan(toSuper(*this, p));
}
void View::touchesMoved(Point p) {
  if (superview_) superview_->touchesMoved(toSuper(*this, p));
}
void View::touchesEnded(Point p) {
  if (superview_) superview_->touchesEnded(toSuper(*this, p));
}
void View::scrollWheel(double notches) {
  if (superview_) superview_->scrollWheel(notches);
}

// ---------------------------------------------------------------- animation blocks

void View::beginAnimations(const std::string& name, void*) {
  AnimationBlock block;
  block.name = name;
  AnimationRegistry::shared().blocks.push_back(std::move(block));
}

void View::setAnimationDuration(double seconds) {
  auto& reg = AnimationRegistry::shared();
  if (!reg.blocks.empty()) reg.blocks.back().duration = std::max(0.0, seconds);
}

void View::setAnimationCurve(AnimationCurve curve) {
  auto& reg = AnimationRegistry::shared();
  if (!reg.blocks.empty()) reg.blocks.back().curve = curve;
}

void View::setAnimationTransition(AnimationTransition transition, View* view, bool) {
  auto& reg = AnimationRegistry::shared();
  if (reg.blocks.empty() || !view) return;
  auto& b = reg.blocks.back();
  b.transition = transition;
  b.transitionView = view;
  // What the view shows now is the face that turns away.
  b.transitionBefore = view->subviews_;
}

void View::commitAnimations() {
  auto& reg = AnimationRegistry::shared();
  if (reg.blocks.empty()) return;
  AnimationBlock b = std::move(reg.blocks.back());
  reg.blocks.pop_back();
  Nanos now = clockNow();
  Nanos duration = secondsToNanos(b.duration);
  for (View* v : b.alphaChanged) {
    auto& a = v->alphaAnimation_;
    a.start = now;
    a.duration = duration;
    a.curve = b.curve;
    a.active = duration > 0 && a.from != a.to;
    if (a.active) reg.animating.insert(v);
  }
  for (View* v : b.transformChanged) {
    auto& a = v->transformAnimation_;
    a.start = now;
    a.duration = duration;
    a.curve = b.curve;
    a.active = duration > 0 && !(a.from == a.to);
    if (a.active) reg.animating.insert(v);
  }
  if (b.transitionView && b.transition != AnimationTransition::None && duration > 0) {
    auto t = std::make_unique<TransitionState>();
    t->kind = b.transition;
    t->start = now;
    t->duration = duration;
    t->before = std::move(b.transitionBefore);
    b.transitionView->transition_ = std::move(t);
    reg.animating.insert(b.transitionView);
  }
  reg.counts[b.name] += 1;
}

int View::committedAnimationCount(const std::string& name) {
  auto& counts = AnimationRegistry::shared().counts;
  auto it = counts.find(name);
  return it == counts.end() ? 0 : it->second;
}

void View::resetAnimationCounts() {
  AnimationRegistry::shared().counts.clear();
}

const View::TransitionState* View::runningTransition() const {
  if (!transition_) return nullptr;
  if (clockNow() >= transition_->start + transition_->duration) return nullptr;
  return transition_.get();
}

bool View::anyAnimationRunning() {
  Nanos now = clockNow();
  for (View* v : AnimationRegistry::shared().animating) {
    if (isRunning(v->alphaAnimation_, now) || isRunning(v->transformAnimation_, now)) return true;
    if (v->transition_ && now < v->transition_->start + v->transition_->duration) return true;
  }
  return false;
}

std::vector<View*> View::animatedViews() {
  const auto& set = AnimationRegistry::shared().animating;
  return {set.begin(), set.end()};
}

bool View::anyTransitionRunning() {
  for (View* v : AnimationRegistry::shared().animating) {
    if (v->runningTransition()) return true;
  }
  return false;
}

void View::purgeFinishedAnimations() {
  Nanos now = clockNow();
  auto& set = AnimationRegistry::shared().animating;
  for (auto it = set.begin(); it != set.end();) {
    View* v = *it;
    if (!isRunning(v->alphaAnimation_, now)) v->alphaAnimation_.active = false;
    if (!isRunning(v->transformAnimation_, now)) v->transformAnimation_.active = false;
    if (v->transition_ && now >= v->transition_->start + v->transition_->duration)
      v->transition_.reset();
    bool still = v->alphaAnimation_.active || v->transformAnimation_.active || v->transition_;
    it = still ? std::next(it) : set.erase(it);
  }
}

}  // namespace platform
