#pragma once

#include <array>
#include <memory>
#include <string>

#include "platform/Button.h"
#include "platform/Label.h"
#include "platform/TextField.h"
#include "platform/View.h"

// The tuning editor's screen, upright under a navigation bar (Cancel, the
// title, Save) that its controller's owner lays over the top 44 points:
//
//   Name            [ Open C                      ]
//   Strings, lowest first
//   1  [ − ] [  C2  ] [ + ]  [ ♪ ] [ × ]
//   ...                                   (up to eight rows)
//   [ Add string ]          [ Delete tuning… ]
//   a line or two for what went wrong
//
// The view only lays out and shows; its controller fills it and takes the
// controls' actions. A panel over it asks before a tuning is deleted.
class TuningEditorView : public platform::View {
 public:
  static constexpr int kRows = 8;

  struct StringRow {
    std::shared_ptr<platform::Label> number;
    std::shared_ptr<platform::Button> down;
    std::shared_ptr<platform::TextField> note;
    std::shared_ptr<platform::Button> up;
    std::shared_ptr<platform::Button> play;
    std::shared_ptr<platform::Button> remove;
  };

  explicit TuningEditorView(const platform::Rect& frame);

  platform::TextField* nameField() const { return nameField_.get(); }
  const StringRow& row(int index) const { return rows_[static_cast<size_t>(index)]; }
  platform::Button* addButton() const { return addButton_.get(); }
  platform::Button* deleteButton() const { return deleteButton_.get(); }
  platform::Label* messageLabel() const { return messageLabel_.get(); }

  // Shows the first `count` rows, the others hidden.
  void showRows(int count);
  // A refusal (in the warning colour) or a plain note; "" clears it.
  void showMessage(const std::string& text, bool warning = true);

  // The question before a deletion, over everything else.
  void showConfirmation(const std::string& question);
  void hideConfirmation();
  bool isConfirming() const { return !confirmation_->isHidden(); }
  platform::Label* confirmationLabel() const { return confirmationLabel_.get(); }
  platform::Button* confirmDeleteButton() const { return confirmDeleteButton_.get(); }
  platform::Button* keepButton() const { return keepButton_.get(); }

 private:
  std::shared_ptr<platform::TextField> nameField_;
  std::array<StringRow, kRows> rows_;
  std::shared_ptr<platform::Button> addButton_;
  std::shared_ptr<platform::Button> deleteButton_;
  std::shared_ptr<platform::Label> messageLabel_;
  std::shared_ptr<platform::View> confirmation_;
  std::shared_ptr<platform::Label> confirmationLabel_;
  std::shared_ptr<platform::Button> confirmDeleteButton_;
  std::shared_ptr<platform::Button> keepButton_;
};
