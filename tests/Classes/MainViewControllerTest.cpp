#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Classes/MainViewController.h"
#include "common/AudioSampleBuffer.h"
#include "common/Tuning.h"
#include "tests/support/TunerScreenFixture.h"
#include "views/TunerView.h"

using platform::RunLoop;

namespace {

using MainViewControllerTest = TunerScreenFixture;

TEST_F(MainViewControllerTest, LoadingSetsUpSourceAndScreenButOnlyAppearingListens) {
  MainViewController& c = load();
  EXPECT_EQ(controller.get(), source->delegate());
  EXPECT_EQ(1, source->creates);
  ASSERT_EQ(1u, c.view()->subviews().size());
  EXPECT_EQ(c.tunerView(), c.view()->subviews().front().get());
  EXPECT_FALSE(c.recording());
  EXPECT_EQ(0u, RunLoop::currentRunLoop().timerCount());
}

TEST_F(MainViewControllerTest, AFailedSourceSetUpIsLoggedAndTheScreenStillListens) {
  auto testSource = std::make_shared<TestAudioSource>();
  testSource->createSucceeds = false;
  controller =
      std::make_shared<MainViewController>([testSource] { return testSource; }, preferences.get());
  testing::internal::CaptureStderr();
  controller->view();
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_NE(std::string::npos, log.find("Failed to create audio input source"));
  controller->viewDidAppear(true);
  EXPECT_TRUE(controller->recording());
  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(0, controller->displaySampleBuffer()->frames());
}

TEST_F(MainViewControllerTest, EachRefreshAnalysesExactlyWhatArrivedSinceThePreviousOne) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  EXPECT_EQ(1, source->starts);

  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(0, c.displaySampleBuffer()->frames()) << "no delivery, nothing analysed";

  source->deliverSilence(2000);
  source->deliverSilence(3512);
  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(5512, c.displaySampleBuffer()->frames());

  // The buffer analysed last time is the one collecting now, emptied first.
  source->deliverSilence(100);
  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(100, c.displaySampleBuffer()->frames());
  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(0, c.displaySampleBuffer()->frames());
}

TEST_F(MainViewControllerTest, AStalledMainThreadDropsWholeBlocksThatNoLongerFit) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  // 1.5 s of capture with no refresh: 0.1-s blocks of 2205 frames (4410
  // bytes). Ten fill all 44100 bytes exactly; the other five are lost whole.
  for (int i = 0; i < 15; ++i) source->deliverSilence(2205);
  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(22050, c.displaySampleBuffer()->frames());
  EXPECT_EQ(44100, c.displaySampleBuffer()->length());
}

TEST_F(MainViewControllerTest, StartingTwiceLeavesOneTimerAndStoppingAlwaysStopsTheSource) {
  MainViewController& c = load();
  c.startRecording();
  c.startRecording();
  EXPECT_EQ(1, source->starts);
  EXPECT_EQ(1u, RunLoop::currentRunLoop().timerCount());
  EXPECT_EQ(4, RunLoop::currentRunLoop().advanceBy(1.0));

  c.stopRecording();
  EXPECT_FALSE(c.recording());
  EXPECT_EQ(0u, RunLoop::currentRunLoop().timerCount());
  c.stopRecording();
  EXPECT_EQ(2, source->stops);
  EXPECT_FALSE(c.recording());
}

TEST_F(MainViewControllerTest, SettingTheCurrentModeChangesNothing) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  c.setMode(TunerMode::tuner);
  EXPECT_EQ(1, source->starts);
  EXPECT_EQ(0, source->stops);
  EXPECT_EQ(1u, RunLoop::currentRunLoop().timerCount());

  c.setMode(TunerMode::tone);
  Sounds* loaded = c.sounds();
  ASSERT_NE(nullptr, loaded);
  c.setMode(TunerMode::tone);
  EXPECT_EQ(loaded, c.sounds()) << "no reload of the sounds";
  EXPECT_EQ(1, source->stops);
}

TEST_F(MainViewControllerTest, ToneModeStopsCaptureAndPreloadsTheSounds) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  c.setMode(TunerMode::tone);
  EXPECT_EQ(TunerMode::tone, c.mode());
  EXPECT_FALSE(c.recording());
  EXPECT_EQ(0u, RunLoop::currentRunLoop().timerCount());
  EXPECT_NE(nullptr, c.sounds());

  // Back to tuner mode: sounds gone, capture and the refresh timer back.
  c.setMode(TunerMode::tuner);
  EXPECT_EQ(nullptr, c.sounds());
  EXPECT_TRUE(c.recording());
  EXPECT_EQ(2, source->starts);
  EXPECT_EQ(1u, RunLoop::currentRunLoop().timerCount());
}

TEST_F(MainViewControllerTest, DisappearingStopsEverythingAndReappearingRestoresTheMode) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  c.setMode(TunerMode::tone);
  c.viewWillDisappear(true);
  EXPECT_EQ(nullptr, c.sounds());
  EXPECT_FALSE(c.recording());

  c.viewWillAppear(true);
  c.viewDidAppear(true);
  EXPECT_NE(nullptr, c.sounds()) << "tone mode reloads the sounds";
  EXPECT_FALSE(c.recording());
}

TEST_F(MainViewControllerTest, StoredTuningAndCalibrationAreUsed) {
  preferences->setString("violin", TargetTuningOption);
  preferences->setInteger(442, CalibrationOption);
  MainViewController& c = load();
  EXPECT_EQ(Tuning::tuningForId("violin"), c.tuner()->targetTuning());
  EXPECT_EQ(442, c.tuner()->calibration());
  EXPECT_EQ("442 Hz", c.tunerView()->calibrationLabel()->text());
}

TEST_F(MainViewControllerTest, UnknownTuningAndNonPositiveCalibrationFallBack) {
  for (int64_t calibration : {int64_t{0}, int64_t{-3}, int64_t{1} << 32}) {
    preferences->setString("Guitar", TargetTuningOption);  // ids are case-sensitive
    preferences->setInteger(calibration, CalibrationOption);
    MainViewController& c = load();
    EXPECT_EQ(Tuning::definedTunings().front(), c.tuner()->targetTuning());
    EXPECT_EQ(440, c.tuner()->calibration());
  }
}

TEST_F(MainViewControllerTest, DestroyingWhileListeningStopsTheSourceAndTheTimer) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  c.setMode(TunerMode::tone);
  c.setMode(TunerMode::tuner);
  ASSERT_EQ(1, source->stops);
  controller.reset();
  EXPECT_EQ(0u, RunLoop::currentRunLoop().timerCount());
  EXPECT_EQ(2, sourceRef->stops);
  EXPECT_EQ(nullptr, sourceRef->delegate()) << "a late block must not reach a dead controller";
}

// The audio thread appends under the mutex while the main thread refreshes:
// every accepted frame is analysed exactly once.
using MainViewControllerThreadTest = TunerScreenFixture;

TEST_F(MainViewControllerThreadTest, EveryDeliveredFrameIsAnalysedExactlyOnce) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  std::atomic<bool> done{false};
  std::atomic<int> refreshes{0};
  constexpr int kBlocks = 2000;
  constexpr int kFrames = 64;
  std::thread audio([&] {
    // At most 150 blocks per refresh seen, so that no more than 300 blocks
    // (38400 bytes) can meet in one collecting buffer and none is dropped.
    int seen = refreshes.load();
    for (int i = 0; i < kBlocks; ++i) {
      if (i > 0 && i % 150 == 0) {
        while (refreshes.load() == seen) std::this_thread::yield();
        seen = refreshes.load();
      }
      source->deliverSilence(kFrames);
    }
    done = true;
  });
  long analysed = 0;
  while (!done) {
    RunLoop::currentRunLoop().advanceBy(0.25);
    analysed += c.displaySampleBuffer()->frames();
    ++refreshes;
  }
  audio.join();
  RunLoop::currentRunLoop().advanceBy(0.25);
  analysed += c.displaySampleBuffer()->frames();
  EXPECT_EQ(long{kBlocks} * kFrames, analysed);
}

}  // namespace
