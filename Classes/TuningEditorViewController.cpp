#include "Classes/TuningEditorViewController.h"

#include <vector>

#include "audio/Sounds.h"
#include "common/TargetNote.h"
#include "common/Tuning.h"
#include "common/TuningDictionary.h"
#include "common/UserTunings.h"
#include "common/UserTuningsEdit.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/Screen.h"
#include "platform/TextField.h"
#include "views/TuningEditorView.h"

using platform::Key;
using platform::keyForCharacter;
using platform::TextField;

namespace {

std::string quoted(const std::string& name) {
  return "\u201C" + name + "\u201D";
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace

TuningEditorViewController::TuningEditorViewController(
    std::shared_ptr<const TuningDictionary> tuning, std::string tuningsFile, Finished finished)
    : tuningsFile_(std::move(tuningsFile)), finished_(std::move(finished)) {
  if (tuning) {
    editedId_ = tuning->tuningId;
    editedName_ = tuning->tuningName;
    draft_ = TuningDraft::forTuning(*tuning);
  } else {
    draft_ = TuningDraft::newTuning();
  }
  // Notes a user tuning asks for are synthesised on demand, a few ms each.
  player_ = [this](const TargetNote& note) {
    if (!sounds_) sounds_ = std::make_shared<Sounds>();
    if (SoundEffect* effect = sounds_->soundForNote(note)) effect->play();
  };
}

TuningEditorViewController::~TuningEditorViewController() {
  if (editorView_) {
    for (int i = 0; i < TuningEditorView::kRows; ++i) {
      if (editorView_->row(i).note->isFirstResponder())
        editorView_->row(i).note->resignFirstResponder();
    }
    if (editorView_->nameField()->isFirstResponder())
      editorView_->nameField()->resignFirstResponder();
  }
}

std::string TuningEditorViewController::defaultTuningsFile() {
  return platform::stringByAppendingPathComponent(platform::configDirectory(), UserTuningsFileName);
}

void TuningEditorViewController::loadView() {
  editorView_ =
      std::make_shared<TuningEditorView>(platform::Screen::mainScreen().applicationFrame());
  setView(editorView_);
}

void TuningEditorViewController::viewDidLoad() {
  TuningEditorView& v = *editorView_;
  v.nameField()->addAction(
      [this](platform::Control*) { draft_.setName(editorView_->nameField()->text()); },
      platform::ControlEventEditingChanged);
  for (int i = 0; i < TuningEditorView::kRows; ++i) {
    const TuningEditorView::StringRow& row = v.row(i);
    row.down->addAction([this, i](platform::Control*) { stepString(i, -1); },
                        platform::ControlEventTouchDown);
    row.up->addAction([this, i](platform::Control*) { stepString(i, +1); },
                      platform::ControlEventTouchDown);
    row.play->addAction([this, i](platform::Control*) { playString(i); },
                        platform::ControlEventTouchDown);
    row.remove->addAction([this, i](platform::Control*) { removeString(i); },
                          platform::ControlEventTouchDown);
    row.note->addAction([this, i](platform::Control*) { commitTypedNote(i); },
                        platform::ControlEventEditingDidEnd);
  }
  v.addButton()->addAction([this](platform::Control*) { addString(); },
                           platform::ControlEventTouchDown);
  v.deleteButton()->addTarget(this, &TuningEditorViewController::askToDelete,
                              platform::ControlEventTouchDown);
  v.deleteButton()->setHidden(isNewTuning());
  v.keepButton()->addTarget(this, &TuningEditorViewController::keepTuning,
                            platform::ControlEventTouchDown);
  v.confirmDeleteButton()->addTarget(this, &TuningEditorViewController::confirmDelete,
                                     platform::ControlEventTouchDown);
  showDraft();
}

void TuningEditorViewController::viewWillAppear(bool) {
  showDraft();
  focus(editorView_->nameField());
}

void TuningEditorViewController::viewWillDisappear(bool) {
  if (TextField* field = TextField::focusedField();
      field && field->isDescendantOfView(editorView_.get())) {
    field->resignFirstResponder();
  }
  sounds_.reset();
}

void TuningEditorViewController::showDraft() {
  if (!editorView_) return;
  TuningEditorView& v = *editorView_;
  if (v.nameField()->text() != draft_.name()) v.nameField()->setText(draft_.name());
  const auto& strings = draft_.strings();
  const int count = static_cast<int>(strings.size());
  v.showRows(count);
  for (int i = 0; i < count; ++i) {
    v.row(i).note->setText(TuningDraft::displayText(strings[static_cast<size_t>(i)].pitch));
  }
  v.addButton()->setEnabled(count < TuningDraft::kMaxStrings);
}

bool TuningEditorViewController::commitTypedNote(int index) {
  const auto& strings = draft_.strings();
  if (!editorView_ || index < 0 || static_cast<size_t>(index) >= strings.size()) return true;
  TextField& field = *editorView_->row(index).note;
  const std::string shown = TuningDraft::displayText(strings[static_cast<size_t>(index)].pitch);
  if (field.text() == shown) return true;
  const std::string problem = draft_.setTyped(index, field.text());
  if (!problem.empty()) {
    editorView_->showMessage("String " + std::to_string(index + 1) + ": " + problem);
    field.setText(shown);
    return false;
  }
  field.setText(TuningDraft::displayText(draft_.strings()[static_cast<size_t>(index)].pitch));
  editorView_->showMessage("");
  return true;
}

bool TuningEditorViewController::commitTypedNotes() {
  bool all = true;
  for (int i = 0; i < static_cast<int>(draft_.strings().size()); ++i) {
    all = commitTypedNote(i) && all;
  }
  return all;
}

std::optional<int> TuningEditorViewController::focusedString() const {
  if (!editorView_) return std::nullopt;
  const TextField* focused = TextField::focusedField();
  for (int i = 0; i < static_cast<int>(draft_.strings().size()); ++i) {
    if (editorView_->row(i).note.get() == focused) return i;
  }
  return std::nullopt;
}

void TuningEditorViewController::focus(TextField* field) {
  if (!field) return;
  field->becomeFirstResponder();
  field->setCaret(field->text().size());
}

void TuningEditorViewController::moveFocus(int step) {
  std::vector<TextField*> fields{editorView_->nameField()};
  for (int i = 0; i < static_cast<int>(draft_.strings().size()); ++i) {
    fields.push_back(editorView_->row(i).note.get());
  }
  const int n = static_cast<int>(fields.size());
  int at = 0;
  for (int i = 0; i < n; ++i) {
    if (fields[static_cast<size_t>(i)]->isFirstResponder()) at = i;
  }
  focus(fields[static_cast<size_t>(((at + step) % n + n) % n)]);
}

bool TuningEditorViewController::stepString(int index, int semitones) {
  if (!commitTypedNote(index)) return false;
  if (!draft_.step(index, semitones)) {
    if (static_cast<size_t>(index) < draft_.strings().size()) {
      editorView_->showMessage(semitones > 0 ? "No higher note: the tuner hears up to B5."
                                             : "No lower note: the tuner hears down to G\u266F0.");
    }
    return false;
  }
  editorView_->showMessage("");
  showDraft();
  return true;
}

void TuningEditorViewController::playString(int index) {
  if (!commitTypedNote(index) || static_cast<size_t>(index) >= draft_.strings().size()) return;
  const auto note = userTuningNote(draft_.strings()[static_cast<size_t>(index)].pitch);
  if (player_) player_(*note);
}

bool TuningEditorViewController::addString() {
  commitTypedNotes();
  if (!draft_.addString()) {
    editorView_->showMessage("A tuning has at most 8 strings.");
    return false;
  }
  showDraft();
  focus(editorView_->row(static_cast<int>(draft_.strings().size()) - 1).note.get());
  return true;
}

bool TuningEditorViewController::removeString(int index) {
  const std::optional<int> focused = focusedString();
  // The string going may hold a typed note that is no note: no matter.
  for (int i = 0; i < static_cast<int>(draft_.strings().size()); ++i) {
    if (i != index) commitTypedNote(i);
  }
  if (!draft_.removeString(index)) return false;
  showDraft();
  const int count = static_cast<int>(draft_.strings().size());
  if (focused && *focused >= count) {
    focus(count > 0 ? editorView_->row(count - 1).note.get() : editorView_->nameField());
  }
  return true;
}

template <class Change>
bool TuningEditorViewController::rewriteFile(Change change, std::string& tuningId) {
  // Read again: the file may have been changed by hand since the app read it.
  const UserTuningsFile file = readUserTuningsFile(tuningsFile_);
  if (!file.error.empty()) {
    editorView_->showMessage("Cannot read the tunings file (" + file.error +
                             "). Nothing was written.");
    return false;
  }
  const UserTuningsChange next = change(file.contents);
  if (!next) {
    editorView_->showMessage(next.refusal);
    return false;
  }
  std::string error;
  if (!platform::makeDirectories(directoryOf(tuningsFile_))) {
    error = "cannot make its folder";
  } else {
    error = platform::writeFileAtomically(tuningsFile_, next.text);
  }
  if (!error.empty()) {
    editorView_->showMessage("Cannot write the tunings file (" + error + "). Nothing was written.");
    return false;
  }
  // The catalogue becomes what the file now holds: this tuning, and any
  // other change made by hand meanwhile.
  Tuning::registerUserTunings(parseUserTunings(next.text).tuningList());
  tuningId = next.tuningId;
  return true;
}

void TuningEditorViewController::save() {
  if (done_) return;
  editorView_->hideConfirmation();
  if (!commitTypedNotes()) return;
  std::string tuningId;
  const auto change = [this](const std::string& text) {
    return saveUserTuning(text, editedId_, draft_.name(), draft_.pitches());
  };
  if (rewriteFile(change, tuningId)) finish(Outcome::Saved, tuningId);
}

void TuningEditorViewController::cancel() {
  finish(Outcome::Cancelled, "");
}

void TuningEditorViewController::askToDelete() {
  if (done_ || isNewTuning()) return;
  // The answer keys must not type into a field.
  if (TextField* field = TextField::focusedField();
      field && field->isDescendantOfView(editorView_.get())) {
    field->resignFirstResponder();
  }
  editorView_->showConfirmation("Delete " + quoted(editedName_) +
                                "? Its line goes from the tunings file.");
}

void TuningEditorViewController::keepTuning() {
  editorView_->hideConfirmation();
  focus(editorView_->nameField());
}

void TuningEditorViewController::confirmDelete() {
  if (done_ || !editedId_) return;
  editorView_->hideConfirmation();
  std::string tuningId;
  const auto change = [this](const std::string& text) {
    return deleteUserTuning(text, *editedId_);
  };
  if (rewriteFile(change, tuningId)) {
    finish(Outcome::Deleted, tuningId);
  } else {
    focus(editorView_->nameField());
  }
}

void TuningEditorViewController::finish(Outcome outcome, const std::string& tuningId) {
  if (done_) return;
  done_ = true;
  if (finished_) finished_(outcome, tuningId);
}

bool TuningEditorViewController::keyDown(Key key, unsigned modifiers) {
  if (!editorView_ || done_) return false;
  if (editorView_->isConfirming()) {
    if (key == Key::Return || key == keyForCharacter('y')) {
      confirmDelete();
      return true;
    }
    if (key == Key::Escape || key == keyForCharacter('n')) {
      keepTuning();
      return true;
    }
    return false;
  }
  if (modifiers & (platform::KeyModifierAlt | platform::KeyModifierSuper)) return false;
  const std::optional<int> string = focusedString();
  if (modifiers & platform::KeyModifierControl) {
    if (key == keyForCharacter('s')) {
      save();
    } else if (key == keyForCharacter('p')) {
      if (string) playString(*string);
    } else if (key == keyForCharacter('n')) {
      addString();
    } else if (key == Key::Delete || key == Key::Backspace) {
      if (string) removeString(*string);
    } else if (key == keyForCharacter('d')) {
      askToDelete();
    } else {
      return false;
    }
    return true;
  }
  switch (key) {
    case Key::Return:
      save();
      return true;
    case Key::Escape:
      cancel();
      return true;
    case Key::Tab:
      moveFocus(modifiers & platform::KeyModifierShift ? -1 : +1);
      return true;
    case Key::Up:
    case Key::Down:
      if (string) stepString(*string, key == Key::Up ? +1 : -1);
      return true;
    default:
      return false;
  }
}
