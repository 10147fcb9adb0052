#include "views/TunerView.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/Tuning.h"
#include "platform/Assert.h"
#include "platform/Image.h"
#include "views/HashMarkView.h"
#include "views/NoteButton.h"

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

}  // namespace

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
    return;
  }
  float deviation = tuner_->frequencyDeltaForNote(*selected);
  float angle = needleAngleForDeviation(deviation);
  noteNameLabel_->setText(selected->targetNote()->name());
  revealNeedle();
  setNeedle(angle);
  Light light = lightForNeedleAngle(angle);
  setFlatLight(light == Light::flat);
  setCenterLight(light == Light::center);
  setSharpLight(light == Light::sharp);
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

  noteNameLabel_ = std::make_shared<Label>(RectMake(90, 170, 140, 140));
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
  for (auto& button : *noteButtons_) addSubview(button);

  autoButton_->setSelected(true);
  noteNameLabel_->setText("");
  updateCalibrationLabel();
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

void TunerView::makeNoteButtonsForTuning(const TuningDictionary& tuning) {
  QUILLON_ASSERT(!noteButtons_, this, "TunerView", "Should not have any buttons here");
  const auto& notes = tuning.tuningNotes;
  std::vector<std::shared_ptr<NoteButton>> buttons;
  buttons.reserve(notes.size());
  auto background = Image::imageNamed("button-bg.png");
  auto selectedBackground = Image::imageNamed("button-bg-sel.png");
  double y = 410.0;
  for (const auto& note : notes) {
    auto button = std::make_shared<NoteButton>(RectMake(235, y, 40, 40));
    y -= 60.0;
    button->setTargetNote(note);
    button->setBackgroundImage(background, kNormal);
    button->setBackgroundImage(selectedBackground, kSelected);
    button->setImage(Image::imageNamed(note->imageName()), kNormal);
    centreContent(*button);
    button->addTarget(this, &TunerView::noteButtonPressed, kTouchDown);
    setHighlightBehaviour(*button);
    button->setBackgroundColor(Color::clearColor());
    buttons.push_back(std::move(button));
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
  makeNoteButtonsForTuning(*tuner_->targetTuning());
  for (auto& button : *noteButtons_) addSubview(button);
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
}

void TunerView::autoButtonPressed(Button*) {
  if (delegate_->mode() == TunerMode::tuner) tuner_->setManualNoteSelection(kAutomatic);
  autoButton_->setSelected(true);
  setEveryNoteButtonSelected(false);
}
