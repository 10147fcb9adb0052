#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Presentation.h"
#include "platform/Window.h"

namespace platform {

class TextField;

// Keys as the app sees them: printable keys are their unshifted character
// ('a', '1', ' ', '-'), the others have their own values.
enum class Key : int32_t {
  Unknown = 0,
  Backspace = 8,
  Tab = 9,
  Return = 13,
  Escape = 27,
  Space = 32,
  Delete = 127,
  Left = 0x110000,  // beyond every character
  Right,
  Up,
  Down,
  Home,
  End,
  PageUp,
  PageDown,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
};

constexpr Key keyForCharacter(char c) {
  return static_cast<Key>(static_cast<unsigned char>(c));
}

enum KeyModifier : unsigned {
  KeyModifierNone = 0,
  KeyModifierShift = 1,
  KeyModifierControl = 2,
  KeyModifierAlt = 4,
  KeyModifierSuper = 8,
};

class Application;

// The application's delegate: told once, after the window exists and before
// the loop runs, that the application has launched.
class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching(Application& application) = 0;
};

struct ApplicationOptions {
  std::string title = "Quillon";
  Orientation orientation = Orientation::LandscapeTopRight;
  // Window points per display point at start.
  double scale = 2;
  // A PNG among the bundle resources for the window's icon ("" for none).
  std::string iconName;
  // Runs without showing a window (the desktop: SDL's offscreen video
  // driver): everything works, nothing is shown (tests and measurements).
  bool offscreen = false;
};

// The window and the app loop (the desktop's on SDL2 and cairo, the browser's
// on a canvas). The 320 x 480 portrait display (the
// root `Window` view) is drawn at the window's pixel density and
// shown turned the way the reader holds it, scaled to fit the window and
// centred with black bars. Mouse-down is touch-down at the portrait point under
// the pointer; the wheel goes to the view under the pointer. The loop fires the main run loop's
// timers, advances animations and redraws, and sleeps in between: until the next event, the next
// timer or, while something animates, the next frame.
//
// Keys go first to the text field with the focus (platform/TextField), if it
// is in this window, then to the key handler; Escape and Ctrl+Q quit when
// neither took them. Closing the window or SIGTERM quits too. Typed text
// (on the desktop SDL's text input, on only while a field has the focus) goes to the field.
// One application exists at a time, on the main thread.
class Application {
 public:
  explicit Application(ApplicationOptions options = {});
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // The live application, or null.
  static Application* sharedApplication();

  // The display's root view (320 x 480 points): add the screens to it.
  const std::shared_ptr<Window>& window() const { return window_; }

  // Turns the window for the reader: a landscape window for a screen read in
  // landscape, a portrait window for an upright one. Keeps the current scale.
  void setOrientation(Orientation orientation);
  Orientation orientation() const { return orientation_; }

  void setTitle(const std::string& title);
  const std::string& title() const { return title_; }

  // Keys other than the quit keys go here first; the handler returns whether
  // it used the key.
  using KeyHandler = std::function<bool(Key key, unsigned modifiers)>;
  void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }

  // Opens the window (when not yet open), tells the delegate it launched, and
  // runs the loop until the application quits. Returns the exit status. Gives
  // 1 at once when no window can be opened, and when there is no display to
  // open one on (see hasDisplay) unless the options ask for offscreen.
  int run(ApplicationDelegate* delegate = nullptr);

  // Whether there is a display to show a window on: DISPLAY or
  // WAYLAND_DISPLAY names one, or SDL_VIDEODRIVER picks a video driver
  // explicitly (offscreen and dummy included). Without one SDL would quietly
  // run on its offscreen driver, and nobody would see the window.
  static bool hasDisplay();

  // Ends the loop after the current pass, with this exit status.
  void terminate(int status = 0);
  bool isRunning() const { return running_; }
  bool isTerminating() const { return quit_; }

  // Asks for a new picture even though nothing seems to have changed.
  void setNeedsDisplay() { needsDisplay_ = true; }

  // The presentation of the window as it is now, in window points (the
  // units of the mouse); none before the window opens.
  Presentation presentation() const;

  // Input as the window system reports it, in window points. Public so that
  // the mapping can be exercised without a display.
  View* mouseDown(double x, double y);
  void mouseMoved(double x, double y);
  void mouseUp(double x, double y);
  // The wheel turned `notches` (positive away from the user) with the
  // pointer at (x, y): goes to the view under the pointer. Returns it.
  View* mouseWheel(double x, double y, double notches);
  // The focused field, then the key handler, then the quit keys. Returns
  // whether the key was used.
  bool keyDown(Key key, unsigned modifiers);
  // Typed text (UTF-8) for the focused field; false when none takes it.
  bool textInput(std::string_view utf8);

  // How many pictures were drawn (diagnostics and tests).
  uint64_t framesDrawn() const { return framesDrawn_; }

 private:
  // The backend's window, picture and loop state.
  struct Backend;
  bool openWindow();
  void closeWindow();
  void handleEvent(const void* event);
  // One turn of a loop that the host calls (the browser, at its animation
  // frames) instead of one that waits for events.
  void frame();
  void followFocus();
  // The focused text field when it is on this application's window.
  TextField* focusedFieldOnWindow() const;
  int waitTimeoutMillis() const;
  // Draws a new picture: the whole of it, or only what animations moved.
  void draw(bool whole);

  ApplicationOptions options_;
  std::shared_ptr<Window> window_;
  Orientation orientation_;
  std::string title_;
  KeyHandler keyHandler_;
  std::unique_ptr<Backend> backend_;
  // Window size in points while no window is open (for the mapping).
  double windowWidth_ = 0, windowHeight_ = 0;
  bool running_ = false;
  bool quit_ = false;
  int status_ = 0;
  bool needsDisplay_ = true;
  bool touching_ = false;
  bool textInputOn_ = false;
  uint64_t framesDrawn_ = 0;
};

}  // namespace platform
