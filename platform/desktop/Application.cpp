// The desktop's window and app loop on SDL2: the window and its presentation
// (turned, scaled, HiDPI), mouse, wheel, keys and typed text, the loop that
// sleeps until an event, a timer or the next animation frame, and drawing the
// view tree with cairo. Audio devices and sound files live in their own files.
#include "platform/Application.h"

#include <SDL.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/AudioUnit.h"
#include "platform/Bundle.h"
#include "platform/Log.h"
#include "platform/Render.h"
#include "platform/RunLoop.h"
#include "platform/Window.h"
#include "platform/desktop/CairoGraphicsContext.h"
#include "platform/desktop/X11Errors.h"

namespace platform {

namespace {

// The one application of the process, for sharedApplication(): controllers
// reach the window and its orientation through it without being handed it.
Application* current = nullptr;

// While something animates the loop draws about thirty pictures a second:
// the needle's 0.2-s swing still moves in six steps, at half the cost of
// sixty (the tuner animates almost all the time it listens).
constexpr int kFrameMillis = 33;

Key keyForSdl(SDL_Keycode sym) {
  if (!(sym & SDLK_SCANCODE_MASK)) {
    // Printable keys and the few control keys are their character already.
    return static_cast<Key>(sym);
  }
  // The number pad's keys are the keys they stand for.
  if (sym >= SDLK_KP_1 && sym <= SDLK_KP_9)
    return keyForCharacter(static_cast<char>('1' + (sym - SDLK_KP_1)));
  switch (sym) {
    case SDLK_KP_0:
      return keyForCharacter('0');
    case SDLK_KP_ENTER:
      return Key::Return;
    case SDLK_KP_PLUS:
      return keyForCharacter('+');
    case SDLK_KP_MINUS:
      return keyForCharacter('-');
    case SDLK_KP_PERIOD:
      return keyForCharacter('.');
    case SDLK_KP_COMMA:
      return keyForCharacter(',');
    case SDLK_LEFT:
      return Key::Left;
    case SDLK_RIGHT:
      return Key::Right;
    case SDLK_UP:
      return Key::Up;
    case SDLK_DOWN:
      return Key::Down;
    case SDLK_HOME:
      return Key::Home;
    case SDLK_END:
      return Key::End;
    case SDLK_PAGEUP:
      return Key::PageUp;
    case SDLK_PAGEDOWN:
      return Key::PageDown;
    default:
      break;
  }
  if (sym >= SDLK_F1 && sym <= SDLK_F12) {
    return static_cast<Key>(static_cast<int32_t>(Key::F1) + (sym - SDLK_F1));
  }
  return Key::Unknown;
}

unsigned modifiersForSdl(Uint16 mod) {
  unsigned m = KeyModifierNone;
  if (mod & KMOD_SHIFT) m |= KeyModifierShift;
  if (mod & KMOD_CTRL) m |= KeyModifierControl;
  if (mod & KMOD_ALT) m |= KeyModifierAlt;
  if (mod & KMOD_GUI) m |= KeyModifierSuper;
  return m;
}

// Gives the window the icon the task bar and window switcher show.
void setWindowIcon(SDL_Window* window, const std::string& iconName) {
  if (iconName.empty()) return;
  auto path = Bundle::mainBundle().pathForResource(iconName);
  if (!path) {
    Log("no icon %s among the resources", iconName.c_str());
    return;
  }
  cairo_surface_t* png = cairo_image_surface_create_from_png(path->c_str());
  if (cairo_surface_status(png) == CAIRO_STATUS_SUCCESS &&
      cairo_image_surface_get_format(png) == CAIRO_FORMAT_ARGB32) {
    cairo_surface_flush(png);
    // cairo's ARGB32 is premultiplied, which the icon's few soft edge pixels
    // barely show; SDL's ARGB8888 has the same layout in memory.
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
        cairo_image_surface_get_data(png), cairo_image_surface_get_width(png),
        cairo_image_surface_get_height(png), 32, cairo_image_surface_get_stride(png),
        SDL_PIXELFORMAT_ARGB8888);
    if (icon) {
      SDL_SetWindowIcon(window, icon);
      SDL_FreeSurface(icon);
    }
  } else {
    Log("cannot read the icon %s", path->c_str());
  }
  cairo_surface_destroy(png);
}

Rect unionRect(const Rect& a, const Rect& b) {
  if (a.isEmpty()) return b;
  if (b.isEmpty()) return a;
  const double x0 = std::min(a.minX(), b.minX()), y0 = std::min(a.minY(), b.minY());
  return RectMake(x0, y0, std::max(a.maxX(), b.maxX()) - x0, std::max(a.maxY(), b.maxY()) - y0);
}

// Where every animated view of `root`'s tree is drawn now, in root points.
std::vector<Rect> animatedRects(const View& root) {
  std::vector<Rect> rects;
  for (View* v : View::animatedViews()) {
    Rect r = renderedExtentInRoot(*v, root);
    if (!r.isEmpty()) rects.push_back(r);
  }
  return rects;
}

// A part of the upright picture, in its pixels: [x0, x1) x [y0, y1).
struct PixelRect {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
  bool isEmpty() const { return x1 <= x0 || y1 <= y0; }
};

// Clears `part` of the upright picture to black and draws the view tree over
// it (clipped to the part unless the picture is drawn whole).
void drawViewTree(cairo_surface_t* upright, const PixelRect& part, bool whole, View& root,
                  double scale) {
  cairo_t* cr = cairo_create(upright);
  if (!whole) {
    cairo_rectangle(cr, part.x0, part.y0, part.width(), part.height());
    cairo_clip(cr);
  }
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
  renderViewTree(root, cr, scale);
  cairo_destroy(cr);
  cairo_surface_flush(upright);
}

}  // namespace

struct Application::Backend {
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Texture* texture = nullptr;
  cairo_surface_t* surface = nullptr;
  // The upright picture of a screen read in landscape, before its turn.
  cairo_surface_t* portrait = nullptr;
  int textureWidth = 0;
  int textureHeight = 0;
  bool wasAnimating = false;
  Uint32 lastFrameTicks = 0;
  // Whether the picture in the texture is whole (false until the first
  // full drawing, and again after the texture is made anew).
  bool pictureValid = false;
  bool wasTurning = false;  // a flip transition was in the last picture
  // Whether the renderer draws into memory that keeps the last picture
  // (SDL's software renderer on the window's surface).
  bool keepsPicture = false;
  // Where the animated views were in the last picture, and where those that
  // finished (and were purged) since then came to rest, in root points: with
  // where they are now, all that an animation frame must draw again.
  std::vector<Rect> lastAnimatedRects;
  Rect settledRect;

  ~Backend() {
    if (surface) cairo_surface_destroy(surface);
    if (portrait) cairo_surface_destroy(portrait);
    if (texture) SDL_DestroyTexture(texture);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  bool makePictureOfSize(int width, int height, Orientation orientation);
  PixelRect partToRedraw(Window& root, double scale, int width, int height, bool& whole);
  void turnIntoTexture(const PixelRect& part);
  void copyIntoTexture(const PixelRect& part);
  void present(const PresentedRect& place, const PixelRect& part, bool whole, bool turned,
               int outputWidth, int outputHeight);
};

// Makes the texture and the picture's surfaces anew when the picture's size
// (in pixels, as it is shown) changed. False, with nothing left, when they
// cannot be made.
bool Application::Backend::makePictureOfSize(int width, int height, Orientation orientation) {
  if (width == textureWidth && height == textureHeight && texture) return true;
  if (texture) SDL_DestroyTexture(texture);
  if (surface) cairo_surface_destroy(surface);
  if (portrait) cairo_surface_destroy(portrait);
  portrait = nullptr;
  texture = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                              width, height);
  // The picture is opaque (drawn on black): copy it, don't blend it.
  if (texture) SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_NONE);
  surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  if (orientation == Orientation::LandscapeTopRight) {
    portrait = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, height, width);
  }
  textureWidth = width;
  textureHeight = height;
  pictureValid = false;
  if (!texture || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    Log("cannot make a %dx%d picture: %s", width, height, SDL_GetError());
    if (texture) SDL_DestroyTexture(texture);
    texture = nullptr;
    textureWidth = textureHeight = 0;
    return false;
  }
  return true;
}

// While only animations move, only where the animated views were and are
// is drawn, turned and copied again: the needle's swing covers a small part
// of the screen, and the rest of the picture stays as it was. Sets `whole`
// when the picture must be drawn whole after all, and takes the damage.
PixelRect Application::Backend::partToRedraw(Window& root, double scale, int width, int height,
                                             bool& whole) {
  std::vector<Rect> now = animatedRects(root);
  // A flip draws the turning face beyond the view's bounds: drawn whole while
  // it turns and once more after, when it has come to rest.
  const bool turning = View::anyTransitionRunning();
  whole = whole || !pictureValid || turning || wasTurning;
  wasTurning = turning;
  PixelRect part{0, 0, width, height};
  if (!whole) {
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    std::vector<Rect> damaged = lastAnimatedRects;
    damaged.insert(damaged.end(), now.begin(), now.end());
    if (!root.damage().isEmpty()) damaged.push_back(root.damage());
    if (!settledRect.isEmpty()) damaged.push_back(settledRect);
    for (const Rect& r : damaged) {
      minX = std::min(minX, r.minX());
      minY = std::min(minY, r.minY());
      maxX = std::max(maxX, r.maxX());
      maxY = std::max(maxY, r.maxY());
    }
    // Two pixels more on every side for antialiased edges and smoothing.
    part.x0 = std::max(0, static_cast<int>(std::floor(minX * scale)) - 2);
    part.y0 = std::max(0, static_cast<int>(std::floor(minY * scale)) - 2);
    part.x1 = std::min(width, static_cast<int>(std::ceil(maxX * scale)) + 2);
    part.y1 = std::min(height, static_cast<int>(std::ceil(maxY * scale)) + 2);
  }
  lastAnimatedRects = std::move(now);
  root.clearDamage();
  settledRect = Rect{};
  return part;
}

// Turns the redrawn part of the portrait picture a quarter clockwise, straight
// into the texture's memory, which saves copying the finished picture once
// more. cairo's ARGB32 is native-endian 32-bit ARGB, SDL's ARGB8888 too.
void Application::Backend::turnIntoTexture(const PixelRect& part) {
  void* texturePixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture, nullptr, &texturePixels, &pitch) != 0) return;
  cairo_surface_t* target =
      cairo_image_surface_create_for_data(static_cast<unsigned char*>(texturePixels),
                                          CAIRO_FORMAT_ARGB32, textureWidth, textureHeight, pitch);
  cairo_t* cr = cairo_create(target);
  // A quarter turn clockwise: portrait (x, y) lands at (width - y, x),
  // written out exactly so that pixman copies instead of resampling.
  cairo_matrix_t quarterTurn;
  cairo_matrix_init(&quarterTurn, 0, 1, -1, 0, textureWidth, 0);
  cairo_transform(cr, &quarterTurn);
  // The redrawn part only, given in upright pixels: its turned rectangle is
  // pixel-aligned too.
  cairo_rectangle(cr, part.x0, part.y0, part.width(), part.height());
  cairo_clip(cr);
  cairo_set_source_surface(cr, portrait, 0, 0);
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_flush(target);
  cairo_surface_destroy(target);
  SDL_UnlockTexture(texture);
}

// Copies the redrawn part of an upright picture into the texture (cairo's
// ARGB32 is native-endian 32-bit ARGB, SDL's ARGB8888 too).
void Application::Backend::copyIntoTexture(const PixelRect& part) {
  const int stride = cairo_image_surface_get_stride(surface);
  const SDL_Rect rect = {part.x0, part.y0, part.width(), part.height()};
  SDL_UpdateTexture(texture, &rect,
                    cairo_image_surface_get_data(surface) + part.y0 * stride + 4 * part.x0, stride);
}

// Puts the texture on the window at `place` and shows it.
void Application::Backend::present(const PresentedRect& place, const PixelRect& part, bool whole,
                                   bool turned, int outputWidth, int outputHeight) {
  const int tw = textureWidth, th = textureHeight;
  // SDL's software renderer draws into the window's own memory, which keeps
  // the last picture: then only the redrawn part needs copying there.
  const bool placedOnPixels = place.x == std::floor(place.x) && place.y == std::floor(place.y);
  if (!whole && keepsPicture && placedOnPixels) {
    // The redrawn part in the texture's pixels (turned: upright (x, y) is at
    // (width - y, x)).
    const SDL_Rect inTexture = turned ? SDL_Rect{tw - part.y1, part.x0, part.height(), part.width()}
                                      : SDL_Rect{part.x0, part.y0, part.width(), part.height()};
    const SDL_Rect dst = {static_cast<int>(place.x) + inTexture.x,
                          static_cast<int>(place.y) + inTexture.y, inTexture.w, inTexture.h};
    if (inTexture.w > 0 && inTexture.h > 0) SDL_RenderCopy(renderer, texture, &inTexture, &dst);
  } else {
    // Black bars where the picture leaves room; a picture filling the window
    // covers every pixel anyway.
    if (place.x > 0.5 || place.y > 0.5 || tw < outputWidth || th < outputHeight) {
      SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
      SDL_RenderClear(renderer);
    }
    const SDL_FRect dst = {static_cast<float>(place.x), static_cast<float>(place.y),
                           static_cast<float>(tw), static_cast<float>(th)};
    SDL_RenderCopyF(renderer, texture, nullptr, &dst);
  }
  SDL_RenderPresent(renderer);
}

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
  if (backend_ && backend_->window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(backend_->window, &w, &h);
    return Presentation(orientation_, w, h);
  }
  return Presentation(orientation_, windowWidth_, windowHeight_);
}

void Application::setOrientation(Orientation orientation) {
  if (orientation == orientation_) return;
  const double scale = presentation().scale();
  orientation_ = orientation;
  int w, h;
  Presentation::windowSizeForScale(orientation_, scale, w, h);
  windowWidth_ = w;
  windowHeight_ = h;
  if (backend_ && backend_->window) {
    // Turn about the window's centre, kept on the screen: a landscape window
    // turned upright in place would hang off the bottom of most screens.
    int x = 0, y = 0, oldW = 0, oldH = 0;
    SDL_GetWindowPosition(backend_->window, &x, &y);
    SDL_GetWindowSize(backend_->window, &oldW, &oldH);
    x += (oldW - w) / 2;
    y += (oldH - h) / 2;
    SDL_Rect usable;
    const int display = SDL_GetWindowDisplayIndex(backend_->window);
    if (display >= 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0) {
      x = std::max(usable.x, std::min(x, usable.x + usable.w - w));
      y = std::max(usable.y, std::min(y, usable.y + usable.h - h));
    }
    // Moved first: whoever sees the new size then sees the new place too.
    SDL_SetWindowPosition(backend_->window, x, y);
    SDL_SetWindowSize(backend_->window, w, h);
  }
  needsDisplay_ = true;
}

void Application::setTitle(const std::string& title) {
  title_ = title;
  if (backend_ && backend_->window) SDL_SetWindowTitle(backend_->window, title_.c_str());
}

bool Application::hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* value = getenv(name);
    if (value && *value) return true;
  }
  return false;
}

bool Application::openWindow() {
  if (options_.offscreen) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  } else if (!hasDisplay()) {
    Log("no display to open a window on: neither DISPLAY nor WAYLAND_DISPLAY is set");
    return false;
  }
  // Clicks on a window without focus still count (the first tap is a tap).
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  // Smooth scaling in case the picture and its place differ by a pixel.
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  // The picture is drawn by cairo and only copied to the window, which SDL's
  // software path does as well as OpenGL, without loading a GL driver (under
  // a bare X server that is llvmpipe: 60 MB of memory and two threads).
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // Before SDL's video starts: SDL keeps the X error handler it finds and puts
  // it back when it closes its connections to the X server.
  ignoreWakeUpsOfGoneWindows();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    Log("cannot start the video system: %s", SDL_GetError());
    return false;
  }
  auto sdl = std::make_unique<Backend>();
  sdl->window = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                 static_cast<int>(windowWidth_), static_cast<int>(windowHeight_),
                                 SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!sdl->window) {
    Log("cannot open the window: %s", SDL_GetError());
    return false;
  }
  sdl->renderer = SDL_CreateRenderer(sdl->window, -1, 0);
  if (!sdl->renderer) sdl->renderer = SDL_CreateRenderer(sdl->window, -1, SDL_RENDERER_SOFTWARE);
  if (!sdl->renderer) {
    Log("cannot draw into the window: %s", SDL_GetError());
    return false;
  }
  SDL_RendererInfo info;
  sdl->keepsPicture =
      SDL_GetRendererInfo(sdl->renderer, &info) == 0 && (info.flags & SDL_RENDERER_SOFTWARE) != 0;
  SDL_SetWindowMinimumSize(sdl->window, 160, 160);
  // SDL starts with text input on; it is turned on when a field is focused.
  SDL_StopTextInput();
  setWindowIcon(sdl->window, options_.iconName);
  backend_ = std::move(sdl);
  needsDisplay_ = true;
  return true;
}

void Application::closeWindow() {
  backend_.reset();
}

// Text input is on only while a field is being typed into, and it follows
// the focus after every event: SDL makes a key's text when it reads the key,
// so the key that opens a field must not type into it, and the first key
// typed after a click on a field must.
void Application::followFocus() {
  const bool typing = focusedFieldOnWindow() != nullptr;
  if (typing == textInputOn_) return;
  textInputOn_ = typing;
  if (typing) {
    SDL_StartTextInput();
  } else {
    SDL_StopTextInput();
  }
}

int Application::waitTimeoutMillis() const {
  if (needsDisplay_ || window_->needsDisplay() || !window_->damage().isEmpty()) return 0;
  int timeout = -1;  // sleep until an event
  if (backend_->wasAnimating) {
    const int sinceFrame = static_cast<int>(SDL_GetTicks() - backend_->lastFrameTicks);
    timeout = std::max(0, kFrameMillis - sinceFrame);
  }
  RunLoop& loop = RunLoop::currentRunLoop();
  if (auto next = loop.nextFireTime()) {
    const Nanos wait = std::max<Nanos>(0, *next - loop.now());
    // Round up: waking a hair early would only spin until the timer is due.
    const Nanos millis = (wait + 999'999) / 1'000'000;
    const int ms = static_cast<int>(std::min<Nanos>(millis, 24 * 3600 * 1000));
    timeout = timeout < 0 ? ms : std::min(timeout, ms);
  }
  return timeout;
}

void Application::handleEvent(const void* e) {
  const SDL_Event& event = *static_cast<const SDL_Event*>(e);
  switch (event.type) {
    case SDL_QUIT:
      terminate(0);
      break;
    case SDL_MOUSEBUTTONDOWN:
      if (event.button.button == SDL_BUTTON_LEFT) mouseDown(event.button.x, event.button.y);
      break;
    case SDL_MOUSEMOTION:
      if (event.motion.state & SDL_BUTTON_LMASK) mouseMoved(event.motion.x, event.motion.y);
      break;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button == SDL_BUTTON_LEFT) mouseUp(event.button.x, event.button.y);
      break;
    case SDL_MOUSEWHEEL:
      // preciseY carries a touchpad's fractions of a notch; a system set to
      // "natural" scrolling has flipped it already, as its user wants.
      if (event.wheel.preciseY != 0) {
        mouseWheel(event.wheel.mouseX, event.wheel.mouseY, event.wheel.preciseY);
      }
      break;
    case SDL_KEYDOWN:
      if (Key key = keyForSdl(event.key.keysym.sym); key != Key::Unknown) {
        keyDown(key, modifiersForSdl(event.key.keysym.mod));
      }
      break;
    case SDL_TEXTINPUT:
      textInput(event.text.text);
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
          event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED ||
          event.window.event == SDL_WINDOWEVENT_RESTORED) {
        needsDisplay_ = true;
      }
      break;
    case SDL_AUDIODEVICEADDED:
    case SDL_AUDIODEVICEREMOVED:
      // Those who follow the input devices hear of it here, on the main thread.
      if (event.adevice.iscapture) AudioInputDevicesChanged();
      break;
    default:
      break;
  }
}

void Application::draw(bool whole) {
  int dw = 0, dh = 0;
  if (SDL_GetRendererOutputSize(backend_->renderer, &dw, &dh) != 0 || dw <= 0 || dh <= 0) return;
  // Frames are paced from their start, so drawing time does not slow them.
  backend_->lastFrameTicks = SDL_GetTicks();
  // Draw at the density of the screen's pixels, so HiDPI stays sharp, and
  // already turned: cairo turns a quarter exactly and cheaply, where SDL's
  // software renderer (all there is under a bare X server) turns slowly.
  const Presentation pixels(orientation_, dw, dh);
  const double scale = pixels.scale();
  const PresentedRect place = pixels.contentRect();
  const int tw = std::max(1, static_cast<int>(std::lround(place.width)));
  const int th = std::max(1, static_cast<int>(std::lround(place.height)));
  if (!backend_->makePictureOfSize(tw, th, orientation_)) return;

  // A screen read in landscape is drawn upright and then turned as a whole:
  // every image and text drawn straight takes pixman's fast paths, and one
  // exact quarter-turn copy costs less than turning each of them.
  const bool turned = orientation_ == Orientation::LandscapeTopRight && backend_->portrait;
  cairo_surface_t* upright = turned ? backend_->portrait : backend_->surface;
  const PixelRect part =
      backend_->partToRedraw(*window_, scale, cairo_image_surface_get_width(upright),
                             cairo_image_surface_get_height(upright), whole);
  if (!part.isEmpty()) {
    drawViewTree(upright, part, whole, *window_, scale);
    if (turned) {
      backend_->turnIntoTexture(part);
    } else {
      backend_->copyIntoTexture(part);
    }
  }
  backend_->pictureValid = true;
  backend_->present(place, part, whole, turned, dw, dh);

  ++framesDrawn_;
  needsDisplay_ = false;
  window_->setNeedsDisplayFlag(false);
}

int Application::run(ApplicationDelegate* delegate) {
  if (!backend_ && !openWindow()) {
    backend_.reset();
    return 1;
  }
  running_ = true;
  quit_ = false;
  status_ = 0;
  if (delegate) delegate->applicationDidFinishLaunching(*this);

  RunLoop& loop = RunLoop::currentRunLoop();
  while (!quit_) {
    SDL_Event event;
    const int timeout = waitTimeoutMillis();
    const bool got = timeout < 0 ? SDL_WaitEvent(&event) : SDL_WaitEventTimeout(&event, timeout);
    if (got) {
      handleEvent(&event);
      followFocus();
      while (!quit_ && SDL_PollEvent(&event)) {
        handleEvent(&event);
        followFocus();
      }
    }
    if (quit_) break;
    // Timers change the picture through the views they change, which say so
    // (and say where); a timer that changes nothing visible costs no picture.
    loop.fireDueTimers();

    const bool animating = View::anyAnimationRunning();
    // One more picture after the last animation ends, so it rests exactly at
    // its final value.
    bool animationFrame = false;
    if (animating || backend_->wasAnimating) {
      animationFrame =
          static_cast<int>(SDL_GetTicks() - backend_->lastFrameTicks) >= kFrameMillis || !animating;
    }
    const bool whole = needsDisplay_ || window_->needsDisplay();
    if (whole || animationFrame || !window_->damage().isEmpty()) {
      draw(whole);
      backend_->wasAnimating = animating;
    } else {
      // Animations purged now may have come to rest since the last picture:
      // that place is drawn with the next. One rectangle holds them all, so
      // that a long wait adds up to nothing.
      for (const Rect& r : animatedRects(*window_))
        backend_->settledRect = unionRect(backend_->settledRect, r);
    }
    View::purgeFinishedAnimations();
  }
  running_ = false;
  touching_ = false;
  closeWindow();
  return status_;
}

}  // namespace platform
