// The browser's window and app loop: the page's canvas, fitted to the
// viewport at the screen's pixel density, with the portrait display presented
// as on the desktop (turned for the tuner screen, upright for the settings,
// letterboxed); mouse, touch, wheel and keys through Emscripten's HTML5
// functions (touch-down and mouse-down alike are touch-down); the loop on
// requestAnimationFrame firing the run loop's timers, advancing animations
// and drawing when something changed.
// Does not handle: quitting (a page cannot close itself: Escape and Ctrl+Q do
// nothing here), window icons and positions (the page's manifest has the
// icon), or sound (AudioUnit.cpp with WebAudio.js).
#include "platform/Application.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <string>

#include "platform/Log.h"
#include "platform/Render.h"
#include "platform/RunLoop.h"
#include "platform/TextField.h"
#include "platform/web/BrowserKeys.h"
#include "platform/web/CanvasGraphicsContext.h"

extern "C" {
void quillon_canvas_fit(double* cssWidth, double* cssHeight, int* pixelWidth, int* pixelHeight);
void quillon_canvas_begin_frame();
void quillon_canvas_set_title(const char* title);
void quillon_canvas_save();
void quillon_canvas_restore();
void quillon_canvas_clip_rect(double x, double y, double w, double h);
void quillon_canvas_transform(double a, double b, double c, double d, double e, double f);
}

namespace platform {

namespace {

Application* current = nullptr;

// As on the desktop: about thirty pictures a second while something
// animates, none while nothing changes.
constexpr double kFrameMillis = 33;

constexpr const char* kCanvas = "#quillon";

unsigned modifiersForEvent(const EmscriptenKeyboardEvent& e) {
  unsigned m = KeyModifierNone;
  if (e.shiftKey) m |= KeyModifierShift;
  if (e.ctrlKey) m |= KeyModifierControl;
  if (e.altKey) m |= KeyModifierAlt;
  if (e.metaKey) m |= KeyModifierSuper;
  return m;
}

}  // namespace

struct Application::Backend {
  double cssWidth = 0, cssHeight = 0;
  int pixelWidth = 0, pixelHeight = 0;
  bool wasAnimating = false;
  double lastFrame = 0;
};

Application::Application(ApplicationOptions options)
    : options_(std::move(options)),
      window_(std::make_shared<Window>(RectMake(0, 0, kDisplayWidth, kDisplayHeight))),
      orientation_(options_.orientation),
      title_(options_.title) {
  if (options_.scale <= 0) options_.scale = 2;
  int w, h;
  Presentation::windowSizeForScale(orientation_, options_.scale, w, h);
  windowWidth_ = w;
  windowHeight_ = h;
  current = this;
}

Application::~Application() {
  closeWindow();
  if (current == this) current = nullptr;
}

Application* Application::sharedApplication() {
  return current;
}

Presentation Application::presentation() const {
  if (backend_) return Presentation(orientation_, backend_->cssWidth, backend_->cssHeight);
  return Presentation(orientation_, windowWidth_, windowHeight_);
}

void Application::setOrientation(Orientation orientation) {
  // The page keeps its size; the picture turns within it.
  orientation_ = orientation;
  needsDisplay_ = true;
}

void Application::setTitle(const std::string& title) {
  title_ = title;
  if (backend_) quillon_canvas_set_title(title_.c_str());
}

bool Application::hasDisplay() {
  return true;  // the page
}

namespace {

Application& app(void* userData) {
  return *static_cast<Application*>(userData);
}

EM_BOOL onMouseDown(int, const EmscriptenMouseEvent* e, void* user) {
  if (e->button != 0) return EM_FALSE;
  app(user).mouseDown(e->targetX, e->targetY);
  return EM_TRUE;
}

EM_BOOL onMouseMove(int, const EmscriptenMouseEvent* e, void* user) {
  // Targeted at the window, so that a drag leaving the canvas still ends
  // there: the canvas fills the viewport from its top-left corner.
  if (e->buttons & 1) app(user).mouseMoved(e->clientX, e->clientY);
  return EM_FALSE;
}

EM_BOOL onMouseUp(int, const EmscriptenMouseEvent* e, void* user) {
  if (e->button == 0) app(user).mouseUp(e->clientX, e->clientY);
  return EM_FALSE;
}

EM_BOOL onWheel(int, const EmscriptenWheelEvent* e, void* user) {
  // A notch is about 100 pixels in the browsers, or 3 lines; positive away
  // from the user, as the wheel's own notches.
  double notches = e->deltaY / (e->deltaMode == DOM_DELTA_LINE   ? 3.0
                                : e->deltaMode == DOM_DELTA_PAGE ? 0.1
                                                                 : 100.0);
  if (notches == 0) return EM_FALSE;
  app(user).mouseWheel(e->mouse.targetX, e->mouse.targetY, -notches);
  return EM_TRUE;
}

// One finger at a time is a touch, the first one down; the page neither
// scrolls nor zooms under it, and no mouse events are made from it.
constexpr long kNoTouch = -1;
long touchFollowed = kNoTouch;

EM_BOOL onTouch(int type, const EmscriptenTouchEvent* e, void* user) {
  Application& a = app(user);
  for (int i = 0; i < e->numTouches; ++i) {
    const EmscriptenTouchPoint& t = e->touches[i];
    if (!t.isChanged) continue;
    if (type == EMSCRIPTEN_EVENT_TOUCHSTART) {
      if (touchFollowed != kNoTouch) continue;  // a second finger
      touchFollowed = t.identifier;
      a.mouseDown(t.targetX, t.targetY);
    } else if (t.identifier == touchFollowed) {
      if (type == EMSCRIPTEN_EVENT_TOUCHMOVE) {
        a.mouseMoved(t.targetX, t.targetY);
      } else {
        touchFollowed = kNoTouch;
        a.mouseUp(t.targetX, t.targetY);
      }
    }
  }
  return EM_TRUE;
}

EM_BOOL onKeyDown(int, const EmscriptenKeyboardEvent* e, void* user) {
  Application& a = app(user);
  const Key key = keyForBrowserKey(e->key, e->code);
  // Typed only into a field that had the focus before the key: the key that
  // opens a field does not type into it (as on the desktop).
  TextField* field = TextField::focusedField();
  const bool typing = field && field->window() == a.window().get();
  // Escape and Ctrl+Q end the desktop program; a page cannot close itself,
  // and the loop goes on.
  bool used = key != Key::Unknown && a.keyDown(key, modifiersForEvent(*e));
  if (typing) {
    const bool command = e->ctrlKey || e->altKey || e->metaKey;
    const std::string text = command ? "" : textForBrowserKey(e->key);
    if (!text.empty()) used = a.textInput(text) || used;
  }
  return used ? EM_TRUE : EM_FALSE;
}

EM_BOOL onResize(int, const EmscriptenUiEvent*, void* user) {
  app(user).setNeedsDisplay();
  return EM_FALSE;
}

}  // namespace

bool Application::openWindow() {
  // The page's program has no file name of its own ("this.program").
  setLogProgramName("quillon");
  auto backend = std::make_unique<Backend>();
  quillon_canvas_fit(&backend->cssWidth, &backend->cssHeight, &backend->pixelWidth,
                     &backend->pixelHeight);
  backend_ = std::move(backend);
  quillon_canvas_set_title(title_.c_str());
  const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
  emscripten_set_mousedown_callback(kCanvas, this, true, onMouseDown);
  emscripten_set_mousemove_callback(window, this, true, onMouseMove);
  emscripten_set_mouseup_callback(window, this, true, onMouseUp);
  emscripten_set_wheel_callback(kCanvas, this, true, onWheel);
  emscripten_set_touchstart_callback(kCanvas, this, true, onTouch);
  emscripten_set_touchmove_callback(kCanvas, this, true, onTouch);
  emscripten_set_touchend_callback(kCanvas, this, true, onTouch);
  emscripten_set_touchcancel_callback(kCanvas, this, true, onTouch);
  emscripten_set_keydown_callback(window, this, true, onKeyDown);
  emscripten_set_resize_callback(window, this, true, onResize);
  needsDisplay_ = true;
  return true;
}

void Application::closeWindow() {
  backend_.reset();
}

void Application::draw(bool) {
  quillon_canvas_fit(&backend_->cssWidth, &backend_->cssHeight, &backend_->pixelWidth,
                     &backend_->pixelHeight);
  backend_->lastFrame = emscripten_get_now();
  // Drawn at the density of the screen's pixels, turned and placed as the
  // desktop's window shows it.
  const Presentation pixels(orientation_, backend_->pixelWidth, backend_->pixelHeight);
  const PresentedRect place = pixels.contentRect();
  quillon_canvas_begin_frame();
  quillon_canvas_save();
  quillon_canvas_clip_rect(place.x, place.y, place.width, place.height);
  if (orientation_ == Orientation::LandscapeTopRight) {
    // A quarter turn clockwise: portrait (x, y) lands at (width - y, x).
    quillon_canvas_transform(0, 1, -1, 0, place.x + place.width, place.y);
  } else {
    quillon_canvas_transform(1, 0, 0, 1, place.x, place.y);
  }
  CanvasGraphicsContext ctx(pixels.scale());
  renderViewTree(*window_, ctx);
  quillon_canvas_restore();
  // Marked in the page's timeline, where the time to the first picture is
  // read (tests/web/browser/measure.js).
  if (framesDrawn_ == 0) EM_ASM(performance.mark('quillon-first-picture'));
  ++framesDrawn_;
  needsDisplay_ = false;
  window_->setNeedsDisplayFlag(false);
  window_->clearDamage();
}

void Application::frame() {
  // What the timers take (the tuner's analysis passes are its refresh
  // timer's work) goes to the page's window.quillonTimerTimes when the page
  // made that array: that is how the pass is timed in the browser.
  const double start = emscripten_get_now();
  if (RunLoop::currentRunLoop().fireDueTimers() > 0) {
    EM_ASM(
        {
          if (Array.isArray(window.quillonTimerTimes)) window.quillonTimerTimes.push($0);
        },
        emscripten_get_now() - start);
  }
  const bool animating = View::anyAnimationRunning();
  bool animationFrame = false;
  if (animating || backend_->wasAnimating) {
    animationFrame = emscripten_get_now() - backend_->lastFrame >= kFrameMillis || !animating;
  }
  const bool whole = needsDisplay_ || window_->needsDisplay() || !window_->damage().isEmpty();
  if (whole || animationFrame) {
    draw(true);
    backend_->wasAnimating = animating;
  }
  View::purgeFinishedAnimations();
}

int Application::run(ApplicationDelegate* delegate) {
  if (!backend_ && !openWindow()) return 1;
  running_ = true;
  quit_ = false;
  status_ = 0;
  if (delegate) delegate->applicationDidFinishLaunching(*this);
  // Never returns: the page's frames call the loop from now on, and what the
  // caller keeps on its stack (the application, its delegate) stays alive.
  emscripten_set_main_loop_arg([](void* user) { static_cast<Application*>(user)->frame(); }, this,
                               0, true);
  return 0;
}

}  // namespace platform
