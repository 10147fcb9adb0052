// The web backend's sound in a page of its own (tests/web/browser/), before
// the app's page exists: the microphone through the web audio unit into the
// tuner's engine, as the tuner screen has it (0.25 s passes of what was
// captured since the last, Hamming window, the tuning given as the first
// argument), and out again through a reference note and the tone generator.
//
// After every pass the page's Module.quillonPass(state) is called with
// {note, pitch, cents, light, listening, passMs}: the note named (or null),
// its deviation, the light the dial would show, whether the microphone is
// being heard, and the time the pass took (performance.now() around the
// buffer swap and the analysis). The page calls
// _quillon_page_play_note(string index) and _quillon_page_tone(Hz, 0 for
// silence).

#include <emscripten.h>
#include <emscripten/eventloop.h>

#include <memory>
#include <mutex>
#include <string>

#include "audio/AURemoteIOInputSource.h"
#include "audio/AudioInputDevices.h"
#include "audio/SoundGenerator.h"
#include "audio/Sounds.h"
#include "common/AudioSampleBuffer.h"
#include "common/CaptureFormat.h"
#include "common/Tuning.h"
#include "platform/Log.h"
#include "platform/RunLoop.h"

namespace {

constexpr double kRefreshInterval = 0.25;
// The centre light's half width on the dial.
constexpr float kInTuneCents = 5.0f;

class AudioPage : public AudioSourceDelegate {
 public:
  bool setUp(const std::string& tuningId) {
    collect_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
    display_ = AudioSampleBuffer::initWithBufferSize(kSampleBufferBytes);
    tuner_ = Tuning::initWithSampleRate(static_cast<float>(kCaptureSampleRate));
    tuning_ = Tuning::tuningForId(tuningId);
    if (!collect_ || !display_ || !tuner_ || !tuning_) return false;
    tuner_->setTargetTuning(tuning_);

    source_.setDelegate(this);
    if (!source_.createAudioInput()) platform::Log("Failed to create audio input source");
    // As the tuner screen does: a microphone that went away is asked for again.
    devices_ = AudioInputDevices::systemDevices();
    devices_->setChangeHandler([this] {
      if (source_.inputDeviceFailed()) source_.setInputDevice("");
    });
    source_.startAudioUnit();
    refresh_ = platform::Timer::timerWithTimeInterval(kRefreshInterval,
                                                      [this](platform::Timer&) { refresh(); });
    platform::RunLoop::currentRunLoop().addTimer(refresh_);
    generator_ = SoundGenerator::init();
    return true;
  }

  void addSampledFrames(AudioBufferList* bufferList, int frameCount) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const AudioBuffer& first = bufferList->buffers[0];
    collect_->appendFrames(frameCount, first.data, static_cast<int>(first.dataByteSize));
  }

  void playNote(int index) {
    if (index < 0 || index >= static_cast<int>(tuning_->tuningNotes.size())) return;
    if (auto effect = sounds_.soundForNote(*tuning_->tuningNotes[size_t(index)])) effect->play();
  }

  void tone(double frequency) {
    if (frequency > 0) {
      generator_->startAU();
      generator_->startSoundWithFrequency(static_cast<float>(frequency), 1.0f);
    } else {
      generator_->stopSound();
    }
  }

 private:
  void refresh() {
    const double start = emscripten_get_now();
    {
      std::lock_guard<std::mutex> lock(mutex_);
      std::swap(collect_, display_);
      collect_->reset();
    }
    tuner_->setApplyHammingWindow(true);
    tuner_->processSampleBuffer(*display_);
    const double passMs = emscripten_get_now() - start;

    const auto& selected = tuner_->selectedNote();
    const float cents = selected ? tuner_->frequencyDeltaForNote(*selected) : 0.0f;
    const char* light = !selected               ? ""
                        : cents < -kInTuneCents ? "flat"
                        : cents > kInTuneCents  ? "sharp"
                                                : "center";
    const std::string note = selected ? selected->targetNote()->name() : "";
    const std::string pitch = selected ? selected->targetNote()->pitchName() : "";
    EM_ASM(
        {
          if (!Module.quillonPass) return;
          Module.quillonPass({
            note : $0 ? UTF8ToString($1) : null,
            pitch : $0 ? UTF8ToString($2) : null,
            cents : $0 ? $3 : null,
            light : UTF8ToString($4),
            listening : !!$5,
            passMs : $6
          });
        },
        selected ? 1 : 0, note.c_str(), pitch.c_str(), cents, light,
        source_.inputDeviceFailed() ? 0 : 1, passMs);
  }

  std::mutex mutex_;  // as the tuner screen's; here every call is on the main thread
  std::unique_ptr<AudioSampleBuffer> collect_, display_;
  std::unique_ptr<Tuning> tuner_;
  std::shared_ptr<const TuningDictionary> tuning_;
  AURemoteIOInputSource source_;
  std::shared_ptr<AudioInputDevices> devices_;
  std::shared_ptr<platform::Timer> refresh_;
  std::shared_ptr<SoundGenerator> generator_;
  Sounds sounds_;
};

AudioPage* page = nullptr;

// The page's run loop: timers (the passes, the tone's fades) fire from here.
void tick(void*) {
  platform::RunLoop::currentRunLoop().fireDueTimers();
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE void quillon_page_play_note(int index) {
  if (page) page->playNote(index);
}

extern "C" EMSCRIPTEN_KEEPALIVE void quillon_page_tone(double frequency) {
  if (page) page->tone(frequency);
}

int main(int argc, char** argv) {
  page = new AudioPage;
  if (!page->setUp(argc > 1 ? argv[1] : "guitar")) {
    platform::Log("Cannot set the page up");
    return 1;
  }
  emscripten_set_interval(tick, 5, nullptr);
  return 0;
}
