#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/AiffAudioSource.h"
#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"
#include "tools/analyse/SoundFileAudioSource.h"

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

// One pass as a line of `quillon-analyse --json` (without the line end).
std::string passJson(const AnalysisPass& pass);

struct AnalyserOptions {
  std::string tuningId = "guitar";
  int calibration = kDefaultCalibration;
  int string = 0;   // 1-based forced string, 0 for automatic
  int channel = 0;  // 1-based channel of the file to analyse, 0 for their average
  bool realtime = false;
};

// Replays a recording through the same pipeline as the tuner screen: a file
// source fills a collecting buffer every 0.1 s, and every 0.25 s the collecting
// and display buffers swap and Tuning analyses the display buffer. The passes
// stop with the refresh that analyses the file's last frames.
//
// The tuner's own recordings (16-bit mono AIFF/AIFC at the capture rate) are
// replayed by the tuner's file source, frame for frame. Every other file,
// including any AIFF that source cannot replay as it stands, is read by
// libsndfile and brought to the capture format: one channel (the average, or
// the one asked for) at the capture rate, 16-bit.
class RecordingAnalyser : public AudioSourceDelegate {
 public:
  // Null with `error` set when the file cannot be replayed.
  static std::unique_ptr<RecordingAnalyser> initWithPath(const std::string& path,
                                                         const AnalyserOptions& options,
                                                         std::string& error);

  // Runs every pass, calling `onPass` after each one.
  void run(const std::function<void(const AnalysisPass&)>& onPass);

  // Seconds of sound in the file; 0 when the file does not say.
  double duration() const { return duration_; }
  // Why the file ended early (a decoding error), or empty.
  std::string readError() const;
  const Tuning& tuning() const { return *tuning_; }

  void addSampledFrames(AudioBufferList* bufferList, int frameCount) override;

 private:
  RecordingAnalyser() = default;
  void refreshTuner();
  bool exhausted();

  AnalyserOptions options_;
  std::unique_ptr<AudioSource> source_;
  // source_ as what it is: one of them is set.
  AiffAudioSource* aiffSource_ = nullptr;
  SoundFileAudioSource* fileSource_ = nullptr;
  std::unique_ptr<AudioSampleBuffer> collectSampleBuffer_, displaySampleBuffer_;
  std::unique_ptr<Tuning> tuning_;
  double duration_ = 0;
  int passes_ = 0;
  bool done_ = false;
  std::function<void(const AnalysisPass&)> onPass_;
};
