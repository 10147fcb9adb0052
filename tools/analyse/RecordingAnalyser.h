#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/AiffAudioSource.h"
#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"

// What one refresh of the analysis found.
struct AnalysisPass {
  double time = 0;  // seconds since the replay started
  int frames = 0;   // frames analysed in this pass
  // The selected string, if any (1-based string number in the tuning).
  std::optional<int> string;
  std::string note, sound;
  std::string pitch;  // the note's pitch name, "C#3"
  float cents = 0;
  // The frequency heard: the note's calibrated target moved by `cents`.
  double hz = 0;
  // The selected record's score; with nothing selected, the best one.
  float score = 0;
};

struct AnalyserOptions {
  std::string tuningId = "guitar";
  int calibration = kDefaultCalibration;
  int string = 0;  // 1-based forced string, 0 for automatic
  bool realtime = false;
};

// Replays a recording through the same pipeline as the tuner screen: the file
// source fills a collecting buffer every 0.1 s, and every 0.25 s the collecting
// and display buffers swap and Tuning analyses the display buffer. The passes
// stop with the refresh that analyses the file's last frames.
class RecordingAnalyser : public AudioSourceDelegate {
 public:
  // Null with `error` set when the file cannot be replayed.
  static std::unique_ptr<RecordingAnalyser> initWithPath(const std::string& path,
                                                         const AnalyserOptions& options,
                                                         std::string& error);

  // Runs every pass, calling `onPass` after each one.
  void run(const std::function<void(const AnalysisPass&)>& onPass);

  double duration() const { return duration_; }
  // Frames that arrived while the collecting buffer had no room for them (the
  // tuner screen drops them too); only recordings well above 44.1 kHz lose any.
  long droppedFrames() const { return droppedFrames_; }
  const Tuning& tuning() const { return *tuning_; }
  double sampleRate() const { return source_->sampleRate(); }

  void addSampledFrames(AudioBufferList* bufferList, int frameCount) override;

 private:
  RecordingAnalyser() = default;
  void refreshTuner();

  AnalyserOptions options_;
  std::unique_ptr<AiffAudioSource> source_;
  std::unique_ptr<AudioSampleBuffer> collectSampleBuffer_, displaySampleBuffer_;
  std::unique_ptr<Tuning> tuning_;
  double duration_ = 0;
  int passes_ = 0;
  long droppedFrames_ = 0;
  bool done_ = false;
  std::function<void(const AnalysisPass&)> onPass_;
};
