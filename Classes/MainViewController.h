#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Classes/InputDeviceChoice.h"
#include "audio/AudioSource.h"
#include "platform/ViewController.h"
#include "views/TunerViewDelegate.h"

class AudioInputDevices;
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

// The preference key of the input device the player chose, by name; missing
// or empty for the system's default device.
inline constexpr char InputDeviceOption[] = "InputDevice";

// The tuner screen's controller and the program's main loop: collects the
// captured frames, analyses them four times a second and switches between
// tuner mode (listening) and tone mode (reference notes).
//
// It listens on the input device the player chose. When that device is
// missing - at start-up, or gone while listening - it says so once in the log,
// listens on the system's default device instead and keeps the choice; when
// the device is back it listens on it again, since that is where the player
// wants to be heard. While listening with no device delivering, it tries
// again after two seconds, then at doubling intervals.
class MainViewController : public platform::ViewController,
                           public AudioSourceDelegate,
                           public TunerViewDelegate,
                           public InputDeviceChoice {
 public:
  using AudioSourceFactory = std::function<std::shared_ptr<AudioSource>()>;

  // The app listens to the microphone, follows the sound system's input
  // devices and reads the user's preferences; tests pass a factory for
  // another source (called in viewDidLoad exactly where the microphone would
  // be made), a store and a device list of their own (none: no devices).
  MainViewController();
  explicit MainViewController(AudioSourceFactory makeAudioSource,
                              platform::Preferences* preferences = nullptr,
                              std::shared_ptr<AudioInputDevices> inputDevices = nullptr);
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
  // The input device, for the settings screen. Choosing one ("" for the
  // system default) moves a running capture at once and stores the name.
  void chooseInputDevice(const std::string& name) override;
  // The device chosen ("" for the system default): the stored one, or the
  // one given on the command line for this run.
  std::string inputDevice() const override;
  // Whether the chosen device is missing, so that the default stands in.
  bool inputDeviceMissing() const override { return inputDeviceMissing_; }
  // The input devices there are now.
  std::vector<std::string> inputDevices() const override;
  // Called on the main thread after the devices or the state of the chosen
  // one changed, once the capture has followed.
  void setInputDevicesChangedHandler(std::function<void()> handler) {
    inputDevicesChangedHandler_ = std::move(handler);
  }

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
  platform::Preferences& preferences() const;
  // Gives the source the device to listen on now, says what changed, and
  // keeps a retry going while no device delivers.
  void updateInputDevice();

  AudioSourceFactory makeAudioSource_;
  platform::Preferences* preferences_;
  std::shared_ptr<AudioInputDevices> inputDevices_;
  std::string inputDeviceInUse_;  // what the source was given ("" = default)
  bool inputDeviceMissing_ = false;
  bool inputDeviceFailing_ = false;
  std::shared_ptr<platform::Timer> inputRetryTimer_;
  double inputRetryInterval_;
  std::function<void()> inputDevicesChangedHandler_;
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
