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
class Tuning;
struct TuningDictionary;

// The tuner screen: the dial, the needle, the three lights, the note name and
// calibration read-outs, and the mode, auto, note and info buttons. Laid out in
// portrait points and read in landscape (portrait top edge on the right).
class TunerView : public platform::View {
 public:
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

  platform::Label* noteNameLabel() const { return noteNameLabel_.get(); }
  platform::Label* calibrationLabel() const { return calibrationLabel_.get(); }
  platform::ImageView* needleView() const { return needleView_.get(); }
  platform::ImageView* flatLightView() const { return flatLightView_.get(); }
  platform::ImageView* sharpLightView() const { return sharpLightView_.get(); }
  platform::ImageView* centerLightView() const { return centerLightView_.get(); }
  HashMarkView* hashMarkView() const { return hashMarkView_.get(); }
  platform::Button* autoButton() const { return autoButton_.get(); }
  platform::Button* modeButton() const { return modeButton_.get(); }
  // The row of note buttons; empty while there is none.
  const std::vector<std::shared_ptr<NoteButton>>& noteButtons() const;
  bool needleShowing() const { return needleShowing_; }
  bool flatLightOn() const { return flatLightOn_; }
  bool centerLightOn() const { return centerLightOn_; }
  bool sharpLightOn() const { return sharpLightOn_; }

 private:
  void fadeLight(signed char& flag, bool on, platform::View& light, const char* animation);
  void setEveryNoteButtonSelected(bool selected);

  Tuning* tuner_;
  TunerViewDelegate* delegate_;
  std::shared_ptr<platform::Label> noteNameLabel_;
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
  signed char needleShowing_ = 0;
  signed char flatLightOn_ = 0;
  signed char centerLightOn_ = 0;
  signed char sharpLightOn_ = 0;
};
