// A tiny screen in the real window, driven from outside by window.sh: it
// reports on stdout what reached it, so the test can tell that clicks land on
// the right view through the turned presentation, that timers fire on the main
// thread inside the window's loop, that the window turns upright at run time
// and that the keys reach the app.
#include <cstdio>
#include <memory>

#include "platform/Application.h"
#include "platform/Button.h"
#include "platform/RunLoop.h"
#include "platform/Thread.h"

using namespace platform;

namespace {

void say(const char* format, double a = 0, double b = 0) {
  printf(format, a, b);
  printf("\n");
  fflush(stdout);
}

// The screen's background reports where it was touched, in portrait points.
class Backdrop : public View {
 public:
  using View::View;
  void touchesBegan(Point p) override { say("background touched at %.0f,%.0f", p.x, p.y); }
};

class Demo : public ApplicationDelegate {
 public:
  void applicationDidFinishLaunching(Application& app) override {
    auto backdrop = std::make_shared<Backdrop>(RectMake(0, 0, 320, 480));
    backdrop->setBackgroundColor(Color::colorWithWhite(0.1, 1));

    // Near the portrait top (the window's right side in landscape).
    auto first = std::make_shared<Button>(RectMake(60, 60, 80, 80));
    first->setBackgroundColor(Color::redColor());
    first->addAction(
        [&app](Control*) {
          say("button A pressed");
          // Turn upright, as the settings screen will.
          app.setOrientation(Orientation::Portrait);
          app.setTitle("Quillon window test upright");
        },
        ControlEventTouchDown);

    // Near the portrait bottom right.
    auto second = std::make_shared<Button>(RectMake(200, 380, 80, 60));
    second->setBackgroundColor(Color::colorWithRed(0, 0.8, 0, 1));
    second->addAction([](Control*) { say("button B pressed"); }, ControlEventTouchDown);

    backdrop->addSubview(first);
    backdrop->addSubview(second);
    app.window()->addSubview(backdrop);
    app.window()->makeKeyAndVisible();

    app.setKeyHandler([&app, button = first.get()](Key key, unsigned modifiers) {
      if (key == keyForCharacter('k')) {
        say("key k, modifiers %.0f", modifiers);
      } else if (key == keyForCharacter('a')) {
        // Half a second of fading: the loop draws frames until it ends.
        View::beginAnimations("fade");
        View::setAnimationDuration(0.5);
        button->setAlpha(button->alpha() < 1 ? 1 : 0.2);
        View::commitAnimations();
        say("animating");
      } else if (key == keyForCharacter('f')) {
        say("frames drawn %.0f", static_cast<double>(app.framesDrawn()));
      } else {
        return false;
      }
      return true;
    });

    // Reports once that timers run, on the main thread, after a first picture.
    tick_ = Timer::timerWithTimeInterval(0.1, [&app](Timer& t) {
      if (app.framesDrawn() == 0) return;
      say(isMainThread() ? "timer fired on the main thread" : "timer fired elsewhere");
      t.invalidate();
    });
    RunLoop::currentRunLoop().addTimer(tick_);

    // Never hang a test run.
    watchdog_ = Timer::timerWithTimeInterval(
        30,
        [&app](Timer&) {
          say("timed out");
          app.terminate(2);
        },
        nullptr, false);
    RunLoop::currentRunLoop().addTimer(watchdog_);
  }

 private:
  std::shared_ptr<Timer> tick_;
  std::shared_ptr<Timer> watchdog_;
};

}  // namespace

int main() {
  ApplicationOptions options;
  options.title = "Quillon window test";
  options.orientation = Orientation::LandscapeTopRight;
  Application application(options);
  Demo demo;
  const int status = application.run(&demo);
  say("quit with status %.0f", status);
  return status;
}
