#pragma once

#include <memory>

#include "platform/Button.h"

class TargetNote;

// A button that stands for one string of the current tuning.
class NoteButton : public platform::Button {
 public:
  using platform::Button::Button;

  const std::shared_ptr<const TargetNote>& targetNote() const { return targetNote_; }
  void setTargetNote(std::shared_ptr<const TargetNote> note) { targetNote_ = std::move(note); }

 private:
  std::shared_ptr<const TargetNote> targetNote_;
};
