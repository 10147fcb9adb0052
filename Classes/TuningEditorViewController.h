#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/TuningDraft.h"
#include "platform/Application.h"
#include "platform/ViewController.h"

class Sounds;
class TargetNote;
class TuningEditorView;
struct TuningDictionary;

namespace platform {
class TextField;
}

// The tuning editor: makes a new tuning of the user's own, or changes or
// deletes one, and saves it in the tunings file.
//
// Saving reads the file again first (it may have been changed by hand since
// the app read it) and applies the change to what it finds
// (common/UserTuningsEdit.h): the line of the tuning being edited, found by
// its id, is replaced, or a new line added; the file is written atomically,
// and the catalogue's user tunings become what the written file holds. A
// refusal is shown on the screen and nothing is written. Saving and deleting
// end the editor; so does Cancel, with nothing written.
//
// Keys (keyDown), with a field always holding the focus:
//   Tab / Shift+Tab           the next / previous field (name, then each string)
//   Up / Down                 the focused string a semitone up / down
//   Ctrl+P                    play the focused string's reference note
//   Ctrl+N                    add a string
//   Ctrl+Delete, Ctrl+Backspace  remove the focused string
//   Return, Ctrl+S            Save
//   Escape                    Cancel
//   Ctrl+D                    Delete (asks: Return or Y deletes, Escape or N keeps)
// A note typed into a string's field counts when the field is left, a
// string is stepped or the tuning is saved.
class TuningEditorViewController : public platform::ViewController {
 public:
  enum class Outcome { Cancelled, Saved, Deleted };
  // Told once, when the editor is done: what happened, and the id of the
  // tuning saved or deleted.
  using Finished = std::function<void(Outcome outcome, const std::string& tuningId)>;
  // How a string's reference note is heard (a test double in tests).
  using Player = std::function<void(const TargetNote& note)>;

  // Edits `tuning` (one of the user's, from the catalogue), or makes a new
  // tuning when it is null. `tuningsFile` is the path of the tunings file.
  TuningEditorViewController(std::shared_ptr<const TuningDictionary> tuning,
                             std::string tuningsFile, Finished finished);
  ~TuningEditorViewController() override;

  // The user's tunings file: "tunings" in the config directory.
  static std::string defaultTuningsFile();

  void loadView() override;
  void viewDidLoad() override;
  // The name field takes the focus; the screen shows the draft.
  void viewWillAppear(bool animated) override;
  // The focus and the reference notes go.
  void viewWillDisappear(bool animated) override;

  bool keyDown(platform::Key key, unsigned modifiers);

  // The screen's actions.
  void save();
  void cancel();
  void askToDelete();
  void confirmDelete();
  void keepTuning();
  bool stepString(int index, int semitones);
  void playString(int index);
  bool addString();
  bool removeString(int index);

  bool isNewTuning() const { return !editedId_.has_value(); }
  std::string title() const { return isNewTuning() ? "New tuning" : "Edit tuning"; }
  const TuningDraft& draft() const { return draft_; }
  TuningEditorView* editorView() const { return editorView_.get(); }
  // The string whose field has the focus; none while the name has it.
  std::optional<int> focusedString() const;
  void setPlayer(Player player) { player_ = std::move(player); }

 private:
  void showDraft();
  // The typed note of string `index` taken into the draft, if it differs
  // from what the field showed; false (and the reason on the screen) when it
  // is no note.
  bool commitTypedNote(int index);
  bool commitTypedNotes();
  void focus(platform::TextField* field);
  void moveFocus(int step);
  void finish(Outcome outcome, const std::string& tuningId);
  // Reads the file, applies `change` to its text, writes it and takes the
  // catalogue from it; false with the reason on the screen.
  template <class Change>
  bool rewriteFile(Change change, std::string& tuningId);

  std::optional<std::string> editedId_;
  std::string editedName_;
  std::string tuningsFile_;
  Finished finished_;
  Player player_;
  TuningDraft draft_;
  std::shared_ptr<TuningEditorView> editorView_;
  std::shared_ptr<Sounds> sounds_;
  bool done_ = false;
};
