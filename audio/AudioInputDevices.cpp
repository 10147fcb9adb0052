#include "audio/AudioInputDevices.h"

#include "platform/AudioUnit.h"

namespace {

class SystemAudioInputDevices : public AudioInputDevices {
 public:
  ~SystemAudioInputDevices() override { setChangeHandler(nullptr); }

  std::vector<std::string> names() override {
    return platform::AudioInputDeviceNames().value_or(std::vector<std::string>());
  }

  void setChangeHandler(ChangeHandler handler) override {
    if (observer_) platform::AudioInputDevicesRemoveObserver(observer_);
    observer_ = handler ? platform::AudioInputDevicesAddObserver(std::move(handler)) : 0;
  }

 private:
  int observer_ = 0;
};

}  // namespace

std::shared_ptr<AudioInputDevices> AudioInputDevices::systemDevices() {
  return std::make_shared<SystemAudioInputDevices>();
}
