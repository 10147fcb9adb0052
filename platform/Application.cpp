#include "platform/Application.h"

#include "platform/TextField.h"

// Input as every backend delivers it, in window points: mapped to the
// portrait display and handed to the views, the focused field and the key
// handler.
namespace platform {

View* Application::mouseDown(double x, double y) {
  auto point = presentation().displayPointForWindowPoint({x, y});
  if (!point) return nullptr;  // in the bars
  needsDisplay_ = true;
  touching_ = true;
  return window_->touchDown(PointMake(point->x, point->y));
}

void Application::mouseMoved(double x, double y) {
  if (!touching_) return;
  // The views that change say so, and where: a drag of the settings list
  // redraws the list alone.
  if (auto point = presentation().displayPointForWindowPoint({x, y})) {
    window_->touchMoved(PointMake(point->x, point->y));
  }
}

View* Application::mouseWheel(double x, double y, double notches) {
  auto point = presentation().displayPointForWindowPoint({x, y});
  if (!point) return nullptr;  // in the bars
  return window_->scrollWheel(PointMake(point->x, point->y), notches);
}

void Application::mouseUp(double x, double y) {
  if (!touching_) return;
  touching_ = false;
  needsDisplay_ = true;
  // A lift in the bars still ends the touch, just outside the display.
  auto point = presentation().displayPointForWindowPoint({x, y});
  window_->touchUp(point ? PointMake(point->x, point->y) : PointMake(-1, -1));
}

TextField* Application::focusedFieldOnWindow() const {
  TextField* field = TextField::focusedField();
  return field && field->window() == window_.get() ? field : nullptr;
}

bool Application::keyDown(Key key, unsigned modifiers) {
  // A screen may take Escape for itself (an editor cancels with it).
  bool used = false;
  if (TextField* field = focusedFieldOnWindow()) used = field->keyDown(key, modifiers);
  if (!used) used = keyHandler_ && keyHandler_(key, modifiers);
  if (used) {
    needsDisplay_ = true;
    return true;
  }
  const bool control = modifiers & KeyModifierControl;
  if (key == Key::Escape || (control && key == keyForCharacter('q'))) {
    terminate(0);
    return true;
  }
  return false;
}

bool Application::textInput(std::string_view utf8) {
  TextField* field = focusedFieldOnWindow();
  if (!field) return false;
  field->insertText(utf8);
  needsDisplay_ = true;
  return true;
}

void Application::terminate(int status) {
  status_ = status;
  quit_ = true;
}

}  // namespace platform
