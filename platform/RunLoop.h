#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

// Time in nanoseconds. Integer time keeps 0.1 s and 0.25 s timers in exact
// step: four refreshes and ten reads meet at exactly one second.
using Nanos = int64_t;
constexpr Nanos kNanosPerSecond = 1'000'000'000;
inline Nanos secondsToNanos(double s) {
  return static_cast<Nanos>(s * 1e9 + (s >= 0 ? 0.5 : -0.5));
}
inline double nanosToSeconds(Nanos n) {
  return static_cast<double>(n) / 1e9;
}

class Clock {
 public:
  virtual ~Clock() = default;
  virtual Nanos now() const = 0;
};

// Monotonic wall time.
class RealClock : public Clock {
 public:
  Nanos now() const override;
};

// Time that moves only when told to: tests and tools run minutes of timers in
// milliseconds with the same sequence of events as in real time.
class ManualClock : public Clock {
 public:
  Nanos now() const override { return now_; }
  void set(Nanos t) { now_ = t; }

 private:
  Nanos now_ = 0;
};

class RunLoop;

// A repeating (or one-shot) timer. The action and the user data are kept
// alive until the timer is invalidated (or, for a one-shot timer, has fired).
class Timer : public std::enable_shared_from_this<Timer> {
 public:
  using Action = std::function<void(Timer&)>;

  static std::shared_ptr<Timer> timerWithTimeInterval(double seconds, Action action,
                                                      std::shared_ptr<void> userInfo = nullptr,
                                                      bool repeats = true);

  // Target/action form: the timer holds the target until it is invalidated.
  template <typename T>
  static std::shared_ptr<Timer> timerWithTimeInterval(double seconds, std::shared_ptr<T> target,
                                                      void (T::*action)(Timer&),
                                                      std::shared_ptr<void> userInfo = nullptr,
                                                      bool repeats = true) {
    return timerWithTimeInterval(
        seconds, [target, action](Timer& t) { ((*target).*action)(t); }, std::move(userInfo),
        repeats);
  }

  void invalidate();
  const std::shared_ptr<void>& userInfo() const { return userInfo_; }

  Timer(Nanos interval, Action action, std::shared_ptr<void> userInfo, bool repeats);

 private:
  friend class RunLoop;
  Nanos interval_;
  Action action_;
  std::shared_ptr<void> userInfo_;
  bool repeats_;
  bool valid_ = true;
  Nanos fireAt_ = 0;
  uint64_t order_ = 0;
  RunLoop* loop_ = nullptr;
};

// Each thread has one run loop; the app's is the main thread's, driven by the
// window's event loop, which asks nextFireTime() how long it may sleep.
class RunLoop {
 public:
  RunLoop();
  ~RunLoop();
  RunLoop(const RunLoop&) = delete;
  RunLoop& operator=(const RunLoop&) = delete;

  static RunLoop& currentRunLoop();

  // Schedules the timer to fire one interval from now.
  void addTimer(const std::shared_ptr<Timer>& timer);

  // The clock timers are measured against (a RealClock unless replaced).
  Nanos now() const { return clock_->now(); }
  void setClock(std::shared_ptr<Clock> clock);

  // Replaces the clock with a ManualClock starting at 0 and returns it.
  ManualClock& useManualClock();

  // Due time of the earliest valid timer, if any.
  std::optional<Nanos> nextFireTime() const;

  // Fires every timer due now, earliest first; timers due at the same instant
  // fire in the order they were scheduled. A repeating timer that fell behind
  // fires once and then keeps its cadence. Returns how many fired.
  int fireDueTimers();

  // Manual clock only: moves time forward to `deadline`, stopping at each due
  // time on the way so every timer fires at its exact instant.
  int runUntil(Nanos deadline);
  int advanceBy(double seconds) { return runUntil(now() + secondsToNanos(seconds)); }

  size_t timerCount() const;
  // Invalidates everything (tests start from a clean loop).
  void removeAllTimers();

 private:
  friend class Timer;
  void remove(Timer* timer);
  std::shared_ptr<Timer> earliest() const;

  std::shared_ptr<Clock> clock_;
  ManualClock* manual_ = nullptr;
  std::vector<std::shared_ptr<Timer>> timers_;
  uint64_t nextOrder_ = 0;
};

}  // namespace platform
