#include "views/TunerView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/NoteName.h"
#include "common/Tuning.h"
#include "common/TuningCatalogue.h"
#include "platform/Assert.h"
#include "platform/Image.h"
#include "views/HashMarkView.h"
#include "views/NoteButton.h"
#include "views/NoteNameLabel.h"

using platform::Button;
using platform::Color;
using platform::Image;
using platform::ImageView;
using platform::Label;
using platform::Point;
using platform::Rect;
using platform::RectMake;
using platform::Transform3D;

namespace {

constexpr double kPi = 3.141592653589793;
// The needle stops at ±60 degrees (±40 cents).
constexpr double kNeedleStop = 1.0471975511965976;  // π/3
constexpr float kNeedleStopFloat = 1.0471976f;
// The centre light covers ±7.5 degrees of needle (±5 cents).
constexpr double kCenterLightHalfWidth = 0.1308996938995747;  // π/24
// Everything turned for the landscape reading carries this quarter-turn.
constexpr float kLandscapeTurn = -1.5707964f;
// The needle image turns about the point this far below its centre.
constexpr double kNeedlePivotOffset = 120.0;

constexpr double kNeedleDuration = 0.2;
constexpr double kLightDuration = 0.25;
constexpr double kLightOnAlpha = 0.8;

// Platform control values the screen is written against.
constexpr unsigned kNormal = platform::ControlStateNormal;
constexpr unsigned kSelected = platform::ControlStateSelected;
constexpr unsigned kTouchDown = platform::ControlEventTouchDown;

void setHighlightBehaviour(Button& button) {
  button.setAdjustsImageWhenDisabled(true);
  button.setAdjustsImageWhenHighlighted(true);
  button.setShowsTouchWhenHighlighted(true);
}

void centreContent(Button& button) {
  button.setContentVerticalAlignment(platform::ControlContentVerticalAlignment::Center);
  button.setContentHorizontalAlignment(platform::ControlContentHorizontalAlignment::Center);
}

// No forced note: the analysis chooses the string.
const TargetNote* const kAutomatic = nullptr;

// The row of string buttons, beside the auto button (portrait y 20 to 85):
// button centres on x 255, the first (the lowest string, on the reader's
// left) at y 430, each next one 60 points further up, as the six strings of
// a guitar have always sat. Seven or eight strings come closer together so
// that the last centre stays at y 118 or below, clear of the auto button;
// a button keeps 8 points of space to the next and is at most 40 wide.
constexpr double kRowCentreX = 255;
constexpr double kFirstStringCentreY = 430;
constexpr double kLastStringCentreY = 118;
constexpr double kStringPitch = 60;
constexpr double kStringButtonSize = 40;
constexpr double kStringButtonSpace = 8;

std::vector<Rect> stringButtonFrames(size_t count) {
  std::vector<Rect> frames;
  if (count == 0) return frames;
  double pitch = kStringPitch;
  if (count > 1) {
    pitch = std::min(pitch, std::floor((kFirstStringCentreY - kLastStringCentreY) / (count - 1)));
  }
  const double size = std::min(kStringButtonSize, pitch - kStringButtonSpace);
  for (size_t i = 0; i < count; ++i) {
    const double y = kFirstStringCentreY - pitch * i;
    frames.push_back(RectMake(kRowCentreX - size / 2, y - size / 2, size, size));
  }
  return frames;
}

// The chromatic keyboard of tone mode, read in landscape: the naturals C to B
// in the row (40 points, 49 apart), the octave down button before C and the
// octave up button after B, and the sharps (36 points) above the row between
// their naturals, as on a piano. The sharps stay clear of the calibration
// read-out on their left and the mode button on their right.
constexpr double kNaturalsTopY = 371;  // C, portrait y 371 to 411
constexpr double kKeyPitch = 49;
constexpr double kKeySize = 40;
constexpr double kSharpSize = 36;
constexpr double kSharpsCentreX = 206;

// The place of semitone s (0 = C ... 11 = B) of the keyboard.
Rect keyFrame(int s) {
  static constexpr int kNaturalIndex[12] = {0, -1, 1, -1, 2, 3, -1, 4, -1, 5, -1, 6};
  if (kNaturalIndex[s] >= 0) {
    return RectMake(kRowCentreX - kKeySize / 2, kNaturalsTopY - kKeyPitch * kNaturalIndex[s],
                    kKeySize, kKeySize);
  }
  // Halfway between the naturals on either side.
  const double centreY = kNaturalsTopY + kKeySize / 2 - kKeyPitch * (kNaturalIndex[s - 1] + 0.5);
  return RectMake(kSharpsCentreX - kSharpSize / 2, centreY - kSharpSize / 2, kSharpSize,
                  kSharpSize);
}
const Rect kOctaveDownFrame = RectMake(kRowCentreX - kKeySize / 2, 420, kKeySize, kKeySize);
const Rect kOctaveUpFrame = RectMake(kRowCentreX - kKeySize / 2, 28, kKeySize, kKeySize);

// The ring around the string the analysis shows, this far outside its button.
constexpr double kMarkOutset = 4;

// A label turned for the landscape reading, given by where it sits on the
// landscape screen: its centre (X from the left, Y from the top) and size.
std::shared_ptr<Label> makeLandscapeLabel(double x, double y, double width, double height,
                                          double fontSize, platform::TextAlignment alignment) {
  auto label =
      std::make_shared<Label>(RectMake(y - width / 2, 480 - x - height / 2, width, height));
  label->setFont(platform::Font::fontWithName("Helvetica", fontSize));
  label->setTextColor(Color::colorWithRed(0.65, 0.65, 0.65, 1.0));
  label->setBackgroundColor(Color::clearColor());
  label->setTextAlignment(alignment);
  label->setTransform(
      platform::Transform3DRotate(platform::Transform3DIdentity, kLandscapeTurn, 0, 0, 1));
  return label;
}

// The button image of a note of the keyboard: "button-fg-c-sharp.png".
std::string keyImageName(const NoteName& pitch) {
  std::string name = "button-fg-";
  name += static_cast<char>(pitch.letter() - 'A' + 'a');
  if (pitch.accidental() == NoteName::Accidental::Sharp) name += "-sharp";
  if (pitch.accidental() == NoteName::Accidental::Flat) name += "-flat";
  return name + ".png";
}

// The octaves the tuning's notes reach, lowest and highest.
std::pair<int, int> octaveRange(const TuningDictionary& tuning) {
  int low = TunerView::kFirstKeyboardOctave, high = TunerView::kFirstKeyboardOctave;
  bool any = false;
  for (const auto& note : tuning.tuningNotes) {
    if (!note->pitch()) continue;
    const int octave = note->pitch()->octave();
    low = any ? std::min(low, octave) : octave;
    high = any ? std::max(high, octave) : octave;
    any = true;
  }
  return {low, high};
}

}  // namespace

bool TunerView::isChromatic(const TuningDictionary& tuning) {
  return tuning.tuningGroup == ChromaticGroup;
}

std::string TunerView::deviationText(float cents) {
  if (std::isnan(cents)) return "";
  char number[32];
  snprintf(number, sizeof number, "%.1f", std::fabs(static_cast<double>(cents)));
  std::string text = number;
  // No sign on what rounds to nothing; a true minus sign otherwise.
  if (text != "0.0") text = (cents < 0 ? "\u2212" : "+") + text;
  return text + " \u00A2";
}

std::string TunerView::frequencyText(float hertz) {
  if (!(hertz > 0) || std::isinf(hertz)) return "";
  char text[32];
  snprintf(text, sizeof text, hertz < 100 ? "%.2f Hz" : "%.1f Hz", static_cast<double>(hertz));
  return text;
}

float TunerView::needleAngleForDeviation(float cents) {
  float angle = static_cast<float>(static_cast<double>(cents) * kPi / 120.0);
  double wide = angle;
  if (std::isnan(wide) || wide <= -kNeedleStop) {
    angle = -kNeedleStopFloat;
  } else if (!(wide < kNeedleStop)) {
    angle = kNeedleStopFloat;
  }
  return angle;
}

TunerView::Light TunerView::lightForNeedleAngle(float angle) {
  double wide = angle;
  if (wide < -kCenterLightHalfWidth) return Light::flat;
  if (wide > kCenterLightHalfWidth) return Light::sharp;
  return Light::center;
}

Transform3D TunerView::needleTransformForAngle(float angle) {
  Transform3D t = platform::Transform3DIdentity;
  t = platform::Transform3DRotate(t, kLandscapeTurn, 0, 0, 1);
  t = platform::Transform3DTranslate(t, 0, kNeedlePivotOffset, 0);
  t = platform::Transform3DRotate(t, angle, 0, 0, 1);
  t = platform::Transform3DTranslate(t, 0, -kNeedlePivotOffset, 0);
  return t;
}

std::shared_ptr<TunerView> TunerView::initWithFrame(const Rect& frame, Tuning* tuner,
                                                    TunerViewDelegate* delegate) {
  auto view = std::make_shared<TunerView>(frame, tuner, delegate);
  view->setupSubviewsWithContentFrame(frame);
  return view;
}

TunerView::TunerView(const Rect& frame, Tuning* tuner, TunerViewDelegate* delegate)
    : platform::View(frame), tuner_(tuner), delegate_(delegate) {}

// ---- Needle and lights ---------------------------------------------------

void TunerView::refresh() {
  auto selected = tuner_->selectedNote();
  if (!selected) {
    noteNameLabel_->setText("");
    hideNeedle();
    setFlatLight(false);
    setCenterLight(false);
    setSharpLight(false);
    markStringOfNote(nullptr);
    updateNumericReadout();
    return;
  }
  float deviation = tuner_->frequencyDeltaForNote(*selected);
  float angle = needleAngleForDeviation(deviation);
  const TargetNote& note = *selected->targetNote();
  // Chromatic notes are told apart by their octave alone.
  const bool chromatic = isChromatic(*tuner_->targetTuning());
  noteNameLabel_->setText(chromatic && !note.pitchDisplayName().empty() ? note.pitchDisplayName()
                                                                        : note.name());
  revealNeedle();
  setNeedle(angle);
  Light light = lightForNeedleAngle(angle);
  setFlatLight(light == Light::flat);
  setCenterLight(light == Light::center);
  setSharpLight(light == Light::sharp);
  // A string chosen by hand is lit already; the ring tells what auto found.
  markStringOfNote(tuner_->manualNoteSelection() ? nullptr : &note);
  updateNumericReadout();
}

void TunerView::markStringOfNote(const TargetNote* note) {
  markedNoteButton_ = nullptr;
  if (note && delegate_->mode() == TunerMode::tuner) {
    for (const auto& button : noteButtons()) {
      if (button->targetNote().get() == note) markedNoteButton_ = button.get();
    }
  }
  if (!stringMarkView_) return;
  if (markedNoteButton_) {
    const Rect b = markedNoteButton_->frame();
    stringMarkView_->setFrame(RectMake(b.origin.x - kMarkOutset, b.origin.y - kMarkOutset,
                                       b.size.width + 2 * kMarkOutset,
                                       b.size.height + 2 * kMarkOutset));
  }
  stringMarkView_->setHidden(markedNoteButton_ == nullptr);
}

void TunerView::updateNumericReadout() {
  if (!deviationLabel_) return;
  const bool shown = numericReadoutWanted() && delegate_->mode() == TunerMode::tuner;
  deviationLabel_->setHidden(!shown);
  frequencyLabel_->setHidden(!shown);
  auto selected = tuner_->selectedNote();
  if (!shown || !selected) {
    deviationLabel_->setText("");
    frequencyLabel_->setText("");
    return;
  }
  const float cents = tuner_->frequencyDeltaForNote(*selected);
  // What was heard: the string's calibrated target, moved by the deviation.
  const double target =
      TuningData::calibratedTarget(selected->targetNote()->frequency(), tuner_->calibration());
  deviationLabel_->setText(deviationText(cents));
  frequencyLabel_->setText(
      frequencyText(static_cast<float>(target * std::exp2(static_cast<double>(cents) / 1200.0))));
}

bool TunerView::numericReadoutWanted() const {
  if (numericReadoutChoice_) return *numericReadoutChoice_;
  return tuner_->targetTuning() && isChromatic(*tuner_->targetTuning());
}

void TunerView::setNumericReadoutChoice(std::optional<bool> shown) {
  numericReadoutChoice_ = shown;
  updateNumericReadout();
}

bool TunerView::toggleNumericReadout() {
  const bool shown = !numericReadoutWanted();
  setNumericReadoutChoice(shown);
  return shown;
}

void TunerView::setNeedle(float angle) {
  platform::View::beginAnimations("moveneedle");
  platform::View::setAnimationCurve(platform::AnimationCurve::EaseInOut);
  platform::View::setAnimationDuration(kNeedleDuration);
  needleView_->setTransform(needleTransformForAngle(angle));
  platform::View::commitAnimations();
}

void TunerView::revealNeedle() {
  if (needleShowing_) return;
  needleShowing_ = 1;
  platform::View::beginAnimations("fadeNeedle");
  platform::View::setAnimationDuration(kNeedleDuration);
  needleView_->setAlpha(1.0);
  platform::View::commitAnimations();
}

void TunerView::hideNeedle() {
  if (!needleShowing_) return;
  needleShowing_ = 0;
  platform::View::beginAnimations("fadeNeedle");
  platform::View::setAnimationDuration(kNeedleDuration);
  needleView_->setAlpha(0.0);
  platform::View::commitAnimations();
}

void TunerView::fadeLight(signed char& flag, bool on, platform::View& light,
                          const char* animation) {
  signed char wanted = on ? 1 : 0;
  if (flag == wanted) return;
  flag = wanted;
  platform::View::beginAnimations(animation);
  platform::View::setAnimationDuration(kLightDuration);
  light.setAlpha(on ? kLightOnAlpha : 0.0);
  platform::View::commitAnimations();
}

void TunerView::setFlatLight(bool on) {
  fadeLight(flatLightOn_, on, *flatLightView_, "fadeFlatLight");
}

void TunerView::setCenterLight(bool on) {
  fadeLight(centerLightOn_, on, *centerLightView_, "fadeCenterLight");
}

void TunerView::setSharpLight(bool on) {
  fadeLight(sharpLightOn_, on, *sharpLightView_, "fadeSharpLight");
}

void TunerView::updateCalibrationLabel() {
  char text[32];
  snprintf(text, sizeof text, "%d Hz", tuner_->calibration());
  calibrationLabel_->setText(text);
}

// ---- Layout and controls -------------------------------------------------

void TunerView::setupSubviewsWithContentFrame(const Rect&) {
  const Point middle = center();

  auto background = std::make_shared<ImageView>(Image::imageNamed("Background.png"));
  background->setCenter(middle);

  hashMarkView_ = HashMarkView::initWithFrame(frame());
  hashMarkView_->setBackgroundColor(Color::clearColor());

  needleView_ = std::make_shared<ImageView>(Image::imageNamed("NeedleHilight.png"));
  needleView_->setCenter({middle.x + 28, middle.y});
  needleView_->setAlpha(0);

  sharpLightView_ = std::make_shared<ImageView>(Image::imageNamed("SideLight_Red.png"));
  sharpLightView_->setCenter({46, 22.5});
  sharpLightView_->setAlpha(0);

  flatLightView_ = std::make_shared<ImageView>(Image::imageNamed("SideLight_Red.png"));
  flatLightView_->setCenter({46, 461.5});
  flatLightView_->setAlpha(0);

  centerLightView_ = std::make_shared<ImageView>(Image::imageNamed("CenterLight_Green.png"));
  centerLightView_->setCenter({23, 241});
  centerLightView_->setAlpha(0);

  noteNameLabel_ = std::make_shared<NoteNameLabel>(RectMake(90, 170, 140, 140));
  noteNameLabel_->setFont(platform::Font::fontWithName("Helvetica", 140));
  noteNameLabel_->setTextColor(Color::colorWithRed(0.2980392, 0.3254902, 0.3647059, 1.0));
  noteNameLabel_->setBackgroundColor(Color::clearColor());
  noteNameLabel_->setTextAlignment(platform::TextAlignment::Center);
  noteNameLabel_->setAlpha(0.8);
  noteNameLabel_->setShadowColor(Color::grayColor());
  noteNameLabel_->setShadowOffset({3, 3});

  calibrationLabel_ = std::make_shared<Label>(RectMake(165, 422, 70, 18));
  calibrationLabel_->setFont(platform::Font::fontWithName("Helvetica", 16));
  calibrationLabel_->setTextColor(Color::colorWithRed(0.65, 0.65, 0.65, 1.0));
  calibrationLabel_->setBackgroundColor(Color::clearColor());
  calibrationLabel_->setTextAlignment(platform::TextAlignment::Center);
  calibrationLabel_->setAlpha(1.0);

  const Transform3D landscape =
      platform::Transform3DRotate(platform::Transform3DIdentity, kLandscapeTurn, 0, 0, 1);
  noteNameLabel_->setTransform(landscape);
  calibrationLabel_->setTransform(landscape);
  needleView_->setTransform(landscape);

  makeNoteButtonsForTuning(*tuner_->targetTuning());

  // Under the dial, either side of the needle's hub: cents on the flat side,
  // hertz on the sharp side.
  deviationLabel_ = makeLandscapeLabel(160, 300, 120, 24, 18, platform::TextAlignment::Right);
  frequencyLabel_ = makeLandscapeLabel(320, 300, 120, 24, 18, platform::TextAlignment::Left);
  stringMarkView_ = std::make_shared<ImageView>(Image::imageNamed("string-mark.png"));
  stringMarkView_->setHidden(true);
  makeKeyboardControls();

  addSubview(background);
  addSubview(hashMarkView_);
  addSubview(noteNameLabel_);
  addSubview(calibrationLabel_);
  addSubview(needleView_);
  addSubview(flatLightView_);
  addSubview(sharpLightView_);
  addSubview(centerLightView_);
  addSubview(makeInfoButton());
  addSubview(makeAutoButton());
  addSubview(makeModeButton());
  addSubview(deviationLabel_);
  addSubview(frequencyLabel_);
  addSubview(octaveLabel_);
  addSubview(octaveDownButton_);
  addSubview(octaveUpButton_);
  // Under the buttons: the ring lies around one of them.
  addSubview(stringMarkView_);
  for (auto& button : *noteButtons_) addSubview(button);

  autoButton_->setSelected(true);
  noteNameLabel_->setText("");
  updateCalibrationLabel();
  updateKeyboardControls();
  updateNumericReadout();
}

platform::Label* TunerView::noteNameLabel() const {
  return noteNameLabel_.get();
}

void TunerView::makeKeyboardControls() {
  octaveLabel_ = makeLandscapeLabel(240, 150, 160, 28, 22, platform::TextAlignment::Center);
  const auto make = [&](const Rect& frame, const char* image, void (TunerView::*action)(Button*)) {
    auto button = std::make_shared<Button>(frame);
    button->setBackgroundImage(Image::imageNamed("button-bg.png"), kNormal);
    button->setImage(Image::imageNamed(image), kNormal);
    centreContent(*button);
    button->addTarget(this, action, kTouchDown);
    setHighlightBehaviour(*button);
    button->setBackgroundColor(Color::clearColor());
    return button;
  };
  octaveDownButton_ =
      make(kOctaveDownFrame, "octave-down.png", &TunerView::octaveDownButtonPressed);
  octaveUpButton_ = make(kOctaveUpFrame, "octave-up.png", &TunerView::octaveUpButtonPressed);
}

// The octave buttons and caption belong to the chromatic keyboard alone.
void TunerView::updateKeyboardControls() {
  if (!octaveLabel_) return;
  const TuningDictionary& tuning = *tuner_->targetTuning();
  const bool keyboard = isChromatic(tuning) && delegate_->mode() == TunerMode::tone;
  octaveLabel_->setHidden(!keyboard);
  octaveDownButton_->setHidden(!keyboard);
  octaveUpButton_->setHidden(!keyboard);
  if (!keyboard) return;
  const auto [low, high] = octaveRange(tuning);
  octaveDownButton_->setEnabled(keyboardOctave_ > low);
  octaveUpButton_->setEnabled(keyboardOctave_ < high);
  const std::string octave = std::to_string(keyboardOctave_);
  octaveLabel_->setText("C" + octave + " \u2013 B" + octave);
}

void TunerView::moveKeyboard(int octaves) {
  const TuningDictionary& tuning = *tuner_->targetTuning();
  if (!isChromatic(tuning) || delegate_->mode() != TunerMode::tone) return;
  const auto [low, high] = octaveRange(tuning);
  const int octave = std::clamp(keyboardOctave_ + octaves, low, high);
  if (octave == keyboardOctave_) return;
  keyboardOctave_ = octave;
  reloadNoteButtons();
}

void TunerView::octaveDownButtonPressed(Button*) {
  moveKeyboard(-1);
}

void TunerView::octaveUpButtonPressed(Button*) {
  moveKeyboard(+1);
}

std::shared_ptr<Button> TunerView::makeModeButton() {
  auto button = std::make_shared<Button>(RectMake(187, 28, 26, 70));
  button->setImage(Image::imageNamed("tuner-mode.png"), kNormal);
  centreContent(*button);
  button->addTarget(this, &TunerView::modeButtonPressed, kTouchDown);
  setHighlightBehaviour(*button);
  button->setBackgroundColor(Color::clearColor());
  modeButton_ = button;
  return button;
}

std::shared_ptr<Button> TunerView::makeAutoButton() {
  auto button = std::make_shared<Button>(RectMake(235, 20, 40, 65));
  button->setBackgroundImage(Image::imageNamed("auto-button-bg.png"), kNormal);
  button->setBackgroundImage(Image::imageNamed("auto-button-bg-sel.png"), kSelected);
  button->setImage(Image::imageNamed("auto-button-fg.png"), kNormal);
  centreContent(*button);
  button->addTarget(this, &TunerView::autoButtonPressed, kTouchDown);
  setHighlightBehaviour(*button);
  button->setBackgroundColor(Color::clearColor());
  autoButton_ = button;
  return button;
}

std::shared_ptr<Button> TunerView::makeInfoButton() {
  auto image = Image::imageNamed("info_button.png");
  platform::Size size = image ? image->size() : platform::Size{};
  auto button = std::make_shared<Button>(RectMake(284, 4, size.width + 20, size.height + 20));
  button->setContentEdgeInsets({10, 10, 10, 10});
  centreContent(*button);
  button->setImage(image, kNormal);
  button->addTarget(delegate_, &TunerViewDelegate::flipAction, kTouchDown);
  button->setShowsTouchWhenHighlighted(true);
  return button;
}

std::shared_ptr<NoteButton> TunerView::makeNoteButton(const Rect& frame,
                                                      std::shared_ptr<const TargetNote> note,
                                                      const std::string& imageName) {
  auto button = std::make_shared<NoteButton>(frame);
  button->setTargetNote(std::move(note));
  button->setBackgroundImage(Image::imageNamed("button-bg.png"), kNormal);
  button->setBackgroundImage(Image::imageNamed("button-bg-sel.png"), kSelected);
  button->setImage(Image::imageNamed(imageName), kNormal);
  centreContent(*button);
  button->addTarget(this, &TunerView::noteButtonPressed, kTouchDown);
  setHighlightBehaviour(*button);
  button->setBackgroundColor(Color::clearColor());
  return button;
}

void TunerView::makeNoteButtonsForTuning(const TuningDictionary& tuning) {
  QUILLON_ASSERT(!noteButtons_, this, "TunerView", "Should not have any buttons here");
  const auto& notes = tuning.tuningNotes;
  std::vector<std::shared_ptr<NoteButton>> buttons;
  if (!isChromatic(tuning)) {
    // A tuning has at most eight strings; more would not fit the row.
    const auto frames = stringButtonFrames(std::min(notes.size(), kMaxStringButtons));
    for (size_t i = 0; i < frames.size(); ++i) {
      buttons.push_back(makeNoteButton(frames[i], notes[i], notes[i]->imageName()));
    }
  } else if (delegate_->mode() == TunerMode::tone) {
    // The keyboard's octave, C to B; a note the tuning lacks (below B0) is a
    // key that plays nothing.
    const int c = NoteName('C', NoteName::Accidental::Natural, keyboardOctave_).semitone();
    for (int s = 0; s < 12; ++s) {
      const NoteName pitch = NoteName::fromSemitone(c + s);
      std::shared_ptr<const TargetNote> found;
      for (const auto& note : notes) {
        if (note->pitch() && note->pitch()->semitone() == c + s) found = note;
      }
      auto button = makeNoteButton(keyFrame(s), found, keyImageName(pitch));
      button->setEnabled(found != nullptr);
      buttons.push_back(std::move(button));
    }
  }
  noteButtons_ = std::move(buttons);
}

const std::vector<std::shared_ptr<NoteButton>>& TunerView::noteButtons() const {
  static const std::vector<std::shared_ptr<NoteButton>> none;
  return noteButtons_ ? *noteButtons_ : none;
}

void TunerView::reloadNoteButtons() {
  if (noteButtons_) {
    for (auto& button : *noteButtons_) button->removeFromSuperview();
  }
  noteButtons_.reset();
  markStringOfNote(nullptr);
  makeNoteButtonsForTuning(*tuner_->targetTuning());
  for (auto& button : *noteButtons_) addSubview(button);
  updateKeyboardControls();
  updateNumericReadout();
}

void TunerView::setEveryNoteButtonSelected(bool selected) {
  for (auto& button : noteButtons()) button->setSelected(selected);
}

void TunerView::modeButtonPressed(Button*) {
  if (delegate_->mode() == TunerMode::tuner) {
    modeButton_->setImage(Image::imageNamed("tone-mode.png"), kNormal);
    delegate_->setMode(TunerMode::tone);
    hideNeedle();
    noteNameLabel_->setText("");
    autoButton_->setHidden(true);
    setEveryNoteButtonSelected(false);
  } else {
    modeButton_->setImage(Image::imageNamed("tuner-mode.png"), kNormal);
    delegate_->setMode(TunerMode::tuner);
    autoButton_->setHidden(false);
    tuner_->setManualNoteSelection(kAutomatic);
    autoButton_->setSelected(true);
    setEveryNoteButtonSelected(false);
  }
  // The chromatic tuning has a keyboard in tone mode and no buttons in tuner
  // mode; strings stay as they are.
  if (isChromatic(*tuner_->targetTuning())) reloadNoteButtons();
  markStringOfNote(nullptr);
  updateNumericReadout();
}

void TunerView::noteButtonPressed(NoteButton* pressed) {
  if (!pressed) return;
  auto note = pressed->targetNote();
  if (delegate_->mode() != TunerMode::tuner) {
    if (note) delegate_->startSound(*note);
    return;
  }
  tuner_->setManualNoteSelection(note);
  autoButton_->setSelected(false);
  setEveryNoteButtonSelected(false);
  pressed->setSelected(true);
  markStringOfNote(nullptr);
}

void TunerView::autoButtonPressed(Button*) {
  if (delegate_->mode() == TunerMode::tuner) tuner_->setManualNoteSelection(kAutomatic);
  autoButton_->setSelected(true);
  setEveryNoteButtonSelected(false);
}
