#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Button.h"
#include "platform/ImageView.h"
#include "platform/Label.h"
#include "platform/View.h"
#include "views/TunerViewDelegate.h"

class HashMarkView;
class NoteButton;
class NoteNameLabel;
class TargetNote;
class Tuning;
struct TuningDictionary;

// The tuner screen: the dial, the needle, the three lights, the note name and
// calibration read-outs, and the mode, auto, note and info buttons. Laid out in
// portrait points and read in landscape (portrait top edge on the right).
//
// The row of note buttons holds one to eight strings beside the auto button.
// In auto mode the string being shown wears a green ring, so that a tuning
// with two strings of one name (Drop-D's two Ds) shows which one was heard;
// a string chosen by hand is lit instead. The chromatic tuning has no string
// buttons in tuner mode and names the note with its octave ("C♯3"); in tone
// mode it offers the twelve notes of one octave as a small keyboard, naturals
// in the row and sharps above them, with octave down and up buttons at its
// ends. Under the dial, a numeric read-out of the deviation (cents) and the
// frequency heard (Hz).
class TunerView : public platform::View {
 public:
  // How many strings the row has room for.
  static constexpr size_t kMaxStringButtons = 8;
  // The octave the chromatic keyboard opens at (C3 to B3).
  static constexpr int kFirstKeyboardOctave = 3;

  // Whether a tuning is the chromatic one, which the screen shows as notes
  // rather than strings.
  static bool isChromatic(const TuningDictionary& tuning);
  // The read-out's texts: "+3.2 ¢", "−12.0 ¢", "0.0 ¢"; "146.8 Hz" (two
  // decimals below 100 Hz, "61.74 Hz").
  static std::string deviationText(float cents);
  static std::string frequencyText(float hertz);

  // Where refresh() puts the needle for a deviation in cents: 1.5 degrees a
  // cent, held at the ±60 degree stops; not-a-number goes to the flat stop.
  static float needleAngleForDeviation(float cents);
  enum class Light { flat, center, sharp };
  // Which light belongs to a (clamped) needle angle: the centre light within
  // ±5 cents, both ends included.
  static Light lightForNeedleAngle(float angle);
  // The needle layer's transform for an angle: turned about the point 120
  // points below the centre of the upright needle image, then a quarter-turn
  // anticlockwise for the landscape reading.
  static platform::Transform3D needleTransformForAngle(float angle);

  // Shows what `tuner` finds and asks `delegate` for the rest. Neither is
  // owned: the controller that makes this view owns the engine and outlives
  // the view.
  static std::shared_ptr<TunerView> initWithFrame(const platform::Rect& frame, Tuning* tuner,
                                                  TunerViewDelegate* delegate);
  TunerView(const platform::Rect& frame, Tuning* tuner, TunerViewDelegate* delegate);

  void refresh();
  void setNeedle(float angle);
  void revealNeedle();
  void hideNeedle();
  void setFlatLight(bool on);
  void setCenterLight(bool on);
  void setSharpLight(bool on);
  void updateCalibrationLabel();

  void setupSubviewsWithContentFrame(const platform::Rect& contentFrame);
  std::shared_ptr<platform::Button> makeModeButton();
  std::shared_ptr<platform::Button> makeAutoButton();
  std::shared_ptr<platform::Button> makeInfoButton();
  void makeNoteButtonsForTuning(const TuningDictionary& tuning);
  void reloadNoteButtons();

  void modeButtonPressed(platform::Button* sender);
  void noteButtonPressed(NoteButton* sender);
  void autoButtonPressed(platform::Button* sender);
  // The chromatic keyboard's octave buttons (tone mode).
  void octaveDownButtonPressed(platform::Button* sender);
  void octaveUpButtonPressed(platform::Button* sender);

  // The numeric read-out: shown in tuner mode when chosen; until the player
  // chooses (none), shown for the chromatic tuning only.
  void setNumericReadoutChoice(std::optional<bool> shown);
  // Turns the read-out off when it shows and on when not; returns the choice.
  bool toggleNumericReadout();
  bool numericReadoutWanted() const;

  platform::Label* noteNameLabel() const;
  platform::Label* calibrationLabel() const { return calibrationLabel_.get(); }
  platform::ImageView* needleView() const { return needleView_.get(); }
  platform::ImageView* flatLightView() const { return flatLightView_.get(); }
  platform::ImageView* sharpLightView() const { return sharpLightView_.get(); }
  platform::ImageView* centerLightView() const { return centerLightView_.get(); }
  HashMarkView* hashMarkView() const { return hashMarkView_.get(); }
  platform::Button* autoButton() const { return autoButton_.get(); }
  platform::Button* modeButton() const { return modeButton_.get(); }
  platform::Button* octaveDownButton() const { return octaveDownButton_.get(); }
  platform::Button* octaveUpButton() const { return octaveUpButton_.get(); }
  platform::Label* octaveLabel() const { return octaveLabel_.get(); }
  int keyboardOctave() const { return keyboardOctave_; }
  platform::Label* deviationLabel() const { return deviationLabel_.get(); }
  platform::Label* frequencyLabel() const { return frequencyLabel_.get(); }
  platform::ImageView* stringMarkView() const { return stringMarkView_.get(); }
  // The note button wearing the auto mode's ring, or none.
  NoteButton* markedNoteButton() const { return markedNoteButton_; }
  // The row of note buttons; empty while there is none.
  const std::vector<std::shared_ptr<NoteButton>>& noteButtons() const;
  bool needleShowing() const { return needleShowing_; }
  bool flatLightOn() const { return flatLightOn_; }
  bool centerLightOn() const { return centerLightOn_; }
  bool sharpLightOn() const { return sharpLightOn_; }

 private:
  void fadeLight(signed char& flag, bool on, platform::View& light, const char* animation);
  void setEveryNoteButtonSelected(bool selected);
  std::shared_ptr<NoteButton> makeNoteButton(const platform::Rect& frame,
                                             std::shared_ptr<const TargetNote> note,
                                             const std::string& imageName);
  void makeKeyboardControls();
  void updateKeyboardControls();
  void moveKeyboard(int octaves);
  // Rings the button of `note` (none: no ring).
  void markStringOfNote(const TargetNote* note);
  void updateNumericReadout();

  Tuning* tuner_;
  TunerViewDelegate* delegate_;
  std::shared_ptr<NoteNameLabel> noteNameLabel_;
  std::shared_ptr<platform::Label> calibrationLabel_;
  std::shared_ptr<platform::ImageView> needleView_;
  std::shared_ptr<platform::ImageView> flatLightView_;
  std::shared_ptr<platform::ImageView> sharpLightView_;
  std::shared_ptr<platform::ImageView> centerLightView_;
  std::shared_ptr<HashMarkView> hashMarkView_;
  std::shared_ptr<platform::Button> autoButton_;
  std::shared_ptr<platform::Button> modeButton_;
  // An empty row and no row differ: makeNoteButtonsForTuning() may only run
  // when the previous row has been taken down.
  std::optional<std::vector<std::shared_ptr<NoteButton>>> noteButtons_;
  std::shared_ptr<platform::ImageView> stringMarkView_;
  NoteButton* markedNoteButton_ = nullptr;
  std::shared_ptr<platform::Label> deviationLabel_;
  std::shared_ptr<platform::Label> frequencyLabel_;
  std::optional<bool> numericReadoutChoice_;
  std::shared_ptr<platform::Button> octaveDownButton_;
  std::shared_ptr<platform::Button> octaveUpButton_;
  std::shared_ptr<platform::Label> octaveLabel_;
  int keyboardOctave_ = kFirstKeyboardOctave;
  signed char needleShowing_ = 0;
  signed char flatLightOn_ = 0;
  signed char centerLightOn_ = 0;
  signed char sharpLightOn_ = 0;
};
