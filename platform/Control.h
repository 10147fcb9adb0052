#pragma once

#include <functional>
#include <vector>

#include "platform/View.h"

namespace platform {

// Control states (bit flags) and events, with the values the screens pass.
enum ControlState : unsigned {
  ControlStateNormal = 0,
  ControlStateHighlighted = 1,
  ControlStateDisabled = 2,
  ControlStateSelected = 4,
};

enum ControlEvent : unsigned {
  ControlEventTouchDown = 1 << 0,
  ControlEventTouchUpInside = 1 << 6,
  ControlEventValueChanged = 1 << 12,
  ControlEventEditingDidBegin = 1 << 16,
  ControlEventEditingChanged = 1 << 17,
  ControlEventEditingDidEnd = 1 << 18,
};

enum class ControlContentHorizontalAlignment { Center = 0, Left = 1, Right = 2, Fill = 3 };
enum class ControlContentVerticalAlignment { Center = 0, Top = 1, Bottom = 2, Fill = 3 };

class Control;

// A control: target/action pairs per event, sent on the main thread with the
// control as sender.
class Control : public View {
 public:
  using Action = std::function<void(Control* sender)>;

  explicit Control(const Rect& frame = Rect{});

  // Generic form: `target->*action(sender)`; the sender is cast to the
  // action's parameter type (a NoteButton handler takes a NoteButton*).
  template <typename T, typename S>
  void addTarget(T* target, void (T::*action)(S*), unsigned events) {
    addAction([target, action](Control* c) { (target->*action)(dynamic_cast<S*>(c)); }, events);
  }
  template <typename T>
  void addTarget(T* target, void (T::*action)(), unsigned events) {
    addAction([target, action](Control*) { (target->*action)(); }, events);
  }
  void addAction(Action action, unsigned events);
  // Calls every action registered for any of `events`, in the order added.
  void sendActionsForControlEvents(unsigned events);

  bool isEnabled() const { return enabled_; }
  void setEnabled(bool enabled) {
    enabled_ = enabled;
    setNeedsDisplay();
  }
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected) {
    selected_ = selected;
    setNeedsDisplay();
  }
  bool isHighlighted() const { return highlighted_; }
  void setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    setNeedsDisplay();
  }
  unsigned state() const;

  ControlContentHorizontalAlignment contentHorizontalAlignment() const { return hAlign_; }
  void setContentHorizontalAlignment(ControlContentHorizontalAlignment a) {
    hAlign_ = a;
    setNeedsDisplay();
  }
  ControlContentVerticalAlignment contentVerticalAlignment() const { return vAlign_; }
  void setContentVerticalAlignment(ControlContentVerticalAlignment a) {
    vAlign_ = a;
    setNeedsDisplay();
  }

  // A disabled control takes no touches.
  View* hitTest(Point p) override;
  // Touch-down highlights the control and sends its touch-down actions; the
  // lift clears the highlight.
  void touchesBegan(Point p) override;
  void touchesMoved(Point p) override;
  void touchesEnded(Point p) override;

 private:
  struct Entry {
    Action action;
    unsigned events;
  };
  std::vector<Entry> actions_;
  bool enabled_ = true;
  bool selected_ = false;
  bool highlighted_ = false;
  ControlContentHorizontalAlignment hAlign_ = ControlContentHorizontalAlignment::Center;
  ControlContentVerticalAlignment vAlign_ = ControlContentVerticalAlignment::Center;
};

}  // namespace platform
