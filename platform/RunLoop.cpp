#include "platform/RunLoop.h"

#include <algorithm>
#include <chrono>

namespace platform {

Nanos RealClock::now() const {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

Timer::Timer(Nanos interval, Action action, std::shared_ptr<void> userInfo, bool repeats)
    : interval_(interval > 0 ? interval : 1),
      action_(std::move(action)),
      userInfo_(std::move(userInfo)),
      repeats_(repeats) {}

std::shared_ptr<Timer> Timer::timerWithTimeInterval(double seconds, Action action,
                                                    std::shared_ptr<void> userInfo, bool repeats) {
  return std::make_shared<Timer>(secondsToNanos(seconds), std::move(action), std::move(userInfo),
                                 repeats);
}

void Timer::invalidate() {
  if (!valid_) return;
  valid_ = false;
  // Drop what the timer kept alive; the action may be running right now, so
  // move it out instead of destroying it under its own feet.
  Action dying = std::move(action_);
  action_ = nullptr;
  userInfo_.reset();
  if (loop_) {
    RunLoop* loop = loop_;
    loop_ = nullptr;
    loop->remove(this);
  }
}

RunLoop::RunLoop() : clock_(std::make_shared<RealClock>()) {}

RunLoop::~RunLoop() {
  removeAllTimers();
}

RunLoop& RunLoop::currentRunLoop() {
  thread_local RunLoop loop;
  return loop;
}

void RunLoop::setClock(std::shared_ptr<Clock> clock) {
  // Scheduled timers keep the time they had left: due dates measured on the
  // old clock mean nothing on the new one (a steady-clock date would leave a
  // manual clock starting at 0 waiting for days).
  const Nanos before = now();
  manual_ = dynamic_cast<ManualClock*>(clock.get());
  clock_ = std::move(clock);
  const Nanos after = now();
  for (auto& t : timers_) t->fireAt_ = after + (t->fireAt_ - before);
}

ManualClock& RunLoop::useManualClock() {
  auto clock = std::make_shared<ManualClock>();
  ManualClock& ref = *clock;
  setClock(std::move(clock));
  return ref;
}

void RunLoop::addTimer(const std::shared_ptr<Timer>& timer) {
  if (!timer || !timer->valid_) return;
  if (timer->loop_ == this) return;
  if (timer->loop_) timer->loop_->remove(timer.get());
  timer->loop_ = this;
  timer->fireAt_ = now() + timer->interval_;
  timer->order_ = nextOrder_++;
  timers_.push_back(timer);
}

void RunLoop::remove(Timer* timer) {
  timers_.erase(
      std::remove_if(timers_.begin(), timers_.end(),
                     [timer](const std::shared_ptr<Timer>& t) { return t.get() == timer; }),
      timers_.end());
}

std::shared_ptr<Timer> RunLoop::earliest() const {
  std::shared_ptr<Timer> best;
  for (const auto& t : timers_) {
    if (!t->valid_) continue;
    if (!best || t->fireAt_ < best->fireAt_ ||
        (t->fireAt_ == best->fireAt_ && t->order_ < best->order_)) {
      best = t;
    }
  }
  return best;
}

std::optional<Nanos> RunLoop::nextFireTime() const {
  auto t = earliest();
  if (!t) return std::nullopt;
  return t->fireAt_;
}

int RunLoop::fireDueTimers() {
  int fired = 0;
  const Nanos current = now();
  // Each timer fires at most once per call, so an action that reschedules
  // itself cannot keep this loop spinning.
  std::vector<Timer*> done;
  for (;;) {
    std::shared_ptr<Timer> t;
    for (const auto& c : timers_) {
      if (!c->valid_ || c->fireAt_ > current) continue;
      if (std::find(done.begin(), done.end(), c.get()) != done.end()) continue;
      if (!t || c->fireAt_ < t->fireAt_ || (c->fireAt_ == t->fireAt_ && c->order_ < t->order_)) {
        t = c;
      }
    }
    if (!t) break;
    done.push_back(t.get());
    if (t->repeats_) {
      // Keep the cadence; skip the beats that were missed while late.
      Nanos next = t->fireAt_ + t->interval_;
      if (next <= current) next += ((current - next) / t->interval_ + 1) * t->interval_;
      t->fireAt_ = next;
    }
    ++fired;
    Timer::Action action = t->action_;  // the action may invalidate its own timer
    if (action) action(*t);
    if (!t->repeats_) t->invalidate();
  }
  return fired;
}

int RunLoop::runUntil(Nanos deadline) {
  if (!manual_) return fireDueTimers();  // real time cannot be hurried
  int fired = 0;
  for (;;) {
    auto next = nextFireTime();
    if (!next || *next > deadline) break;
    if (*next > manual_->now()) manual_->set(*next);
    fired += fireDueTimers();
  }
  if (manual_->now() < deadline) manual_->set(deadline);
  return fired;
}

size_t RunLoop::timerCount() const {
  return static_cast<size_t>(
      std::count_if(timers_.begin(), timers_.end(), [](const auto& t) { return t->valid_; }));
}

void RunLoop::removeAllTimers() {
  auto timers = timers_;
  for (auto& t : timers) t->invalidate();
  timers_.clear();
}

}  // namespace platform
