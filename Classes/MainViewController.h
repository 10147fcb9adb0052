#pragma once

#include <functional>
#include <memory>
#include <mutex>

#include "audio/AudioSource.h"
#include "platform/ViewController.h"
#include "views/TunerViewDelegate.h"

class AudioSampleBuffer;
class RootViewController;
class Sounds;
class TargetNote;
class Tuning;
class TunerDataView;
class TunerView;

namespace platform {
class Control;
class Preferences;
class Timer;
}  // namespace platform

// Preference key: whether the tuner screen shows its numeric read-out
// (integer 1 or 0). Never set until the player first toggles it; until then
// the read-out shows for the chromatic tuning only.
inline constexpr char NumericReadoutOption[] = "NumericReadout";

// The tuner screen's controller and the program's main loop: collects the
// captured frames, analyses them four times a second and switches between
// tuner mode (listening) and tone mode (reference notes).
class MainViewController : public platform::ViewController,
                           public AudioSourceDelegate,
                           public TunerViewDelegate {
 public:
  using AudioSourceFactory = std::function<std::shared_ptr<AudioSource>()>;

  // The app listens to the microphone and reads the user's preferences;
  // tests pass a factory for another source (called in viewDidLoad exactly
  // where the microphone would be made) and a store of their own.
  MainViewController();
  explicit MainViewController(AudioSourceFactory makeAudioSource,
                              platform::Preferences* preferences = nullptr);
  ~MainViewController() override;

  void viewDidLoad() override;
  void initAudio();

  // Audio thread.
  void addSampledFrames(AudioBufferList* bufferList, int frameCount) override;

  void startRecording(void* sender = nullptr);
  void stopRecording(void* sender = nullptr);
  void refreshTuner(platform::Timer& timer);

  void startSound(const TargetNote& note) override;
  void stopSound();
  void preLoadSounds();

  TunerMode mode() const override { return mode_; }
  void setMode(TunerMode mode) override;

  void viewWillAppear(bool animated) override;
  void viewDidAppear(bool animated) override;
  void viewWillDisappear(bool animated) override;

  void flipAction(platform::Control* sender = nullptr) override;

  // Shows the numeric read-out when hidden and hides it when shown, and
  // remembers the choice.
  void toggleNumericReadout();

  void setRootController(RootViewController* root) { rootController_ = root; }
  Tuning* tuner() const { return tuner_.get(); }
  // The engine as an owning reference, for the settings screen that shares it.
  const std::shared_ptr<Tuning>& sharedTuner() const { return tuner_; }

  // What the tests and the data-view overlay look at.
  bool recording() const { return recording_; }
  TunerView* tunerView() const { return tunerView_.get(); }
  Sounds* sounds() const { return sounds_.get(); }
  AudioSampleBuffer* displaySampleBuffer() const { return displaySampleBuffer_.get(); }
  std::shared_ptr<TunerDataView> tunerDataView() const { return tunerDataView_; }
  void setTunerDataView(std::shared_ptr<TunerDataView> view) { tunerDataView_ = std::move(view); }

 private:
  // The store given at construction, else the user's.
  const platform::Preferences& preferences() const;
  platform::Preferences& preferences();

  AudioSourceFactory makeAudioSource_;
  platform::Preferences* preferences_;
  RootViewController* rootController_ = nullptr;
  std::shared_ptr<AudioSource> audioSource_;
  // Guards the collecting sample buffer (the reference and its contents)
  // between the audio thread, which appends, and the main thread, which swaps.
  std::mutex collectionBufferMutex_;
  std::unique_ptr<AudioSampleBuffer> collectSampleBuffer_;
  std::unique_ptr<AudioSampleBuffer> displaySampleBuffer_;
  std::shared_ptr<platform::Timer> refreshTimer_;
  std::shared_ptr<Sounds> sounds_;
  std::shared_ptr<Tuning> tuner_;
  bool recording_ = false;
  TunerMode mode_ = TunerMode::tuner;
  std::shared_ptr<TunerView> tunerView_;
  std::shared_ptr<TunerDataView> tunerDataView_;
};
