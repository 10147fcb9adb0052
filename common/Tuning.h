#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/TargetNote.h"
#include "common/TuningData.h"
#include "common/TuningDictionary.h"

class AudioSampleBuffer;
namespace platform {
class FFT;
class SplitComplexArray;
}  // namespace platform

// The pitch analysis engine. Each pass (processSampleBuffer) windows a block
// of 16-bit samples, takes one zero-padded FFT of bufferSize points, folds
// its magnitudes into a leaky running spectrum, finds up to 20 peaks between
// 20 Hz and 1000 Hz and scores every note of the target tuning against them;
// the best note above the threshold becomes selectedNote, or the string an
// octave or a twelfth below it when that string's own partials show it is
// the one played (common/LowerString.h).
//
// The class also carries the catalogue of tunings (class-level; what it
// holds is described in common/TuningCatalogue.h).
// Main thread only. All arrays are allocated at creation; a pass allocates
// nothing.
class Tuning {
 public:
  using TuningList = std::vector<std::shared_ptr<const TuningDictionary>>;
  using TuningDataList = std::vector<std::shared_ptr<TuningData>>;

  static constexpr int kMaxMaxima = 20;
  // A note is taken as playing only when its score is above this.
  static constexpr float kScoreThreshold = 4.0f;

  // --- Catalogue -----------------------------------------------------------
  // The tunings in catalogue order, built on the first call: the built-in
  // ones, always the same objects, then the user's own tunings.
  static const TuningList& definedTunings();
  // Puts these tunings (common/UserTunings.h) in place of the user's own,
  // after the built-in ones: at start-up, and again whenever the tunings file
  // is changed in the app. Main thread only. A tuning equal to one listed
  // before (id, name and every note alike) keeps that object; the objects
  // taken out are kept alive until the program ends, so nothing anyone
  // holds - a target tuning, a note button, a forced string - ever dangles.
  // Indices into definedTunings() past the built-in ones and iterators into
  // it are void after a call. Programs that never call it list the built-in
  // tunings only.
  static void registerUserTunings(TuningList userTunings);
  // The tuning whose id equals `tuningId` exactly (case-sensitive), or none.
  static std::shared_ptr<const TuningDictionary> tuningForId(const std::string& tuningId);

  // --- Analysis --------------------------------------------------------------
  // bufferSize is twice the smallest power of two >= the (truncated) rate;
  // 22050 Hz gives 65536. None when the arrays cannot be allocated or the
  // rate is below 1 Hz or too large to give a usable FFT length.
  static std::unique_ptr<Tuning> initWithSampleRate(float sampleRate);
  ~Tuning();
  Tuning(const Tuning&) = delete;
  Tuning& operator=(const Tuning&) = delete;

  // One full pass over the buffer's frames, then scoring (clearTuningData and
  // applyFFT). A target tuning must be set first.
  void processSampleBuffer(const AudioSampleBuffer& buffer);

  // Rebuilds the scoring records unless `tuning` is the very one held.
  void setTargetTuning(std::shared_ptr<const TuningDictionary> tuning);
  const std::shared_ptr<const TuningDictionary>& targetTuning() const { return targetTuning_; }

  // Resets every record.
  void clearTuningData();
  // Scores every record from the latest peaks and chooses selectedNote.
  void applyFFT();

  // Deviation in cents of the record's detected harmonics from their
  // calibrated targets (weights 8 for the fundamental down to 1); 0 when
  // nothing was detected.
  float frequencyDeltaForNote(const TuningData& data) const;

  const std::shared_ptr<TuningData>& selectedNote() const { return selectedNote_; }
  const TuningDataList& tuningData() const { return tuningData_; }

  int calibration() const { return calibration_; }
  void setCalibration(int calibration) { calibration_ = calibration; }

  void setApplyHammingWindow(bool apply) { applyHammingWindow_ = apply; }

  // The note forced by the user, or none. Not owned: catalogue notes live
  // for the whole run.
  const TargetNote* manualNoteSelection() const { return manualNoteSelection_; }
  void setManualNoteSelection(const TargetNote* note) { manualNoteSelection_ = note; }
  void setManualNoteSelection(const std::shared_ptr<const TargetNote>& note) {
    manualNoteSelection_ = note.get();
  }

  float sampleRate() const { return sampleRate_; }
  int bufferSize() const { return bufferSize_; }
  // The running (smoothed) magnitude spectrum, bufferSize bins.
  const float* fft() const { return fft_; }
  // The latest block's magnitude spectrum, bufferSize bins.
  const float* fftn() const { return fftn_; }
  // Bins of the latest peaks, lowest first; nmaxima() of them are valid.
  const int* maxima() const { return maxima_; }
  int nmaxima() const { return nmaxima_; }

 private:
  friend class TuningTestSeam;

  Tuning() = default;
  const float* prepareWindow(int frames);
  void findMaxima();

  std::shared_ptr<const TuningDictionary> targetTuning_;
  int calibration_ = kDefaultCalibration;
  TuningDataList tuningData_;
  std::shared_ptr<TuningData> selectedNote_;
  const TargetNote* manualNoteSelection_ = nullptr;
  bool applyHammingWindow_ = false;
  float sampleRate_ = 0;
  int fftSize_ = 0;
  std::unique_ptr<platform::FFT> fftsetup_;
  int bufferSize_ = 0;
  std::unique_ptr<platform::SplitComplexArray> split_;  // realp, imagp
  float* realp_ = nullptr;
  float* imagp_ = nullptr;
  float* fft_ = nullptr;
  float* fftn_ = nullptr;
  int maxima_[kMaxMaxima] = {};
  int nmaxima_ = 0;

  // Window tables for the last few block lengths (each with room for
  // bufferSize). Block lengths alternate between passes (a 0.25 s refresh
  // collects 2 or 3 file reads, or 10 or 11 microphone slices), so one table
  // would be rebuilt, cosines and all, on nearly every pass.
  static constexpr int kWindowSlots = 4;
  float* window_[kWindowSlots] = {};
  int windowLength_[kWindowSlots] = {-1, -1, -1, -1};
  unsigned windowUse_[kWindowSlots] = {};
  unsigned windowClock_ = 0;
  const float* lastWindow_ = nullptr;
};
