#include <gtest/gtest.h>

#include <atomic>
#include <optional>
#include <string>
#include <thread>
#include <vector>

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

TEST_F(MainViewControllerTest, ToneModeStopsCaptureAndPreloadsTheSoundsTheCurrentModeNothing) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  c.setMode(TunerMode::tuner);
  EXPECT_EQ(1, source->starts);
  EXPECT_EQ(0, source->stops);

  c.setMode(TunerMode::tone);
  EXPECT_FALSE(c.recording());
  EXPECT_EQ(0u, RunLoop::currentRunLoop().timerCount());
  Sounds* loaded = c.sounds();
  ASSERT_NE(nullptr, loaded);
  c.setMode(TunerMode::tone);
  EXPECT_EQ(loaded, c.sounds()) << "no reload of the sounds";
  EXPECT_EQ(1, source->stops);

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

// How many lines of `log` hold `text`.
int linesWith(const std::string& log, const std::string& text) {
  int n = 0;
  for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
  return n;
}

std::optional<std::string> storedInputDevice(const std::string& dir) {
  return platform::Preferences(dir).stringForKey(InputDeviceOption);
}

TEST_F(MainViewControllerTest, AMissingChosenDeviceGivesWayToTheDefaultOnceAndIsUsedWhenBack) {
  preferences->setString("Interface-Mic", InputDeviceOption);
  devices->list = {"Built-in Mic"};
  testing::internal::CaptureStderr();
  MainViewController& c = load();
  c.viewDidAppear(true);
  devices->change({"Built-in Mic", "Webcam"});  // nothing new to say about the chosen one
  std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, linesWith(log, "Input device")) << log;
  EXPECT_EQ(1, linesWith(log, "\"Interface-Mic\" not found; listening on the system default"));
  EXPECT_EQ("", source->inputDevice);
  EXPECT_TRUE(c.inputDeviceMissing());

  // Plugged in while listening: the capture moves to it at once.
  testing::internal::CaptureStderr();
  devices->change({"Built-in Mic", "Webcam", "Interface-Mic"});
  log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, linesWith(log, "Input device \"Interface-Mic\" is back")) << log;
  EXPECT_EQ("Interface-Mic", source->inputDevice);
  EXPECT_FALSE(c.inputDeviceMissing());
  EXPECT_EQ(1, source->starts);
  EXPECT_EQ("Interface-Mic", storedInputDevice(dir));
}

TEST_F(MainViewControllerTest, ADeviceGoneWhileListeningIsSaidOnceAndTheDefaultListensAtOnce) {
  preferences->setString("Interface-Mic", InputDeviceOption);
  devices->list = {"Built-in Mic", "Interface-Mic"};
  MainViewController& c = load();
  c.viewDidAppear(true);
  ASSERT_EQ("Interface-Mic", source->inputDevice);
  ASSERT_FALSE(source->failed);

  // Unplugged: word comes while the list still holds it (and it no longer
  // opens), then again once the list has caught up.
  testing::internal::CaptureStderr();
  source->opens = [](const std::string& name) { return name != "Interface-Mic"; };
  source->failed = true;
  devices->change({"Built-in Mic", "Interface-Mic"});
  EXPECT_EQ("", source->inputDevice);
  EXPECT_FALSE(source->failed);
  devices->change({"Built-in Mic"});
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, linesWith(log, "Input device")) << log;
  EXPECT_EQ(1, linesWith(log, "\"Interface-Mic\" went away; listening on the system default"));

  source->deliverSilence(1000);
  RunLoop::currentRunLoop().advanceBy(0.25);
  EXPECT_EQ(1000, c.displaySampleBuffer()->frames());
  EXPECT_EQ("Interface-Mic", c.inputDevice());
  EXPECT_EQ("Interface-Mic", storedInputDevice(dir));
}

TEST_F(MainViewControllerTest, WithNoDeviceDeliveringItTriesAgainAtGrowingIntervals) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  bool anyOpens = false;
  source->opens = [&anyOpens](const std::string&) { return anyOpens; };
  source->failed = true;
  testing::internal::CaptureStderr();
  devices->change({});  // the default device went away, and there is no other
  EXPECT_TRUE(source->failed);
  const int tries = source->deviceMoves;
  RunLoop::currentRunLoop().advanceBy(2.0);
  EXPECT_EQ(tries + 1, source->deviceMoves);
  RunLoop::currentRunLoop().advanceBy(3.9);
  EXPECT_EQ(tries + 1, source->deviceMoves);
  anyOpens = true;
  RunLoop::currentRunLoop().advanceBy(0.1);
  EXPECT_EQ(tries + 2, source->deviceMoves);
  EXPECT_FALSE(source->failed);
  const std::string log = testing::internal::GetCapturedStderr();
  EXPECT_EQ(1, linesWith(log, "No input device can be opened; trying again")) << log;
  EXPECT_EQ(1u, RunLoop::currentRunLoop().timerCount()) << "the refresh timer only";
}

TEST_F(MainViewControllerTest, ChoosingADeviceMovesTheCaptureAtOnceAndStoresIt) {
  preferences->setString("Built-in Mic", InputDeviceOption);
  // What `--input Webcam` does: this run only.
  preferences->setObjectForThisRun(std::string("Webcam"), InputDeviceOption);
  devices->list = {"Built-in Mic", "Webcam", "Interface-Mic"};
  MainViewController& c = load();
  c.viewDidAppear(true);
  EXPECT_EQ("Webcam", source->inputDevice);
  EXPECT_EQ("Built-in Mic", storedInputDevice(dir));

  int told = 0;
  c.setInputDevicesChangedHandler([&told] { ++told; });
  c.chooseInputDevice("Interface-Mic");
  EXPECT_EQ("Interface-Mic", source->inputDevice);
  EXPECT_EQ(1, told);
  EXPECT_EQ(1, source->starts) << "the source moves by itself";
  EXPECT_EQ("Interface-Mic", storedInputDevice(dir));
  c.chooseInputDevice("");
  EXPECT_EQ("", source->inputDevice);
  EXPECT_EQ("", storedInputDevice(dir));
}

// The audio thread appends under the mutex while the main thread refreshes:
// every delivered frame is analysed exactly once, in order and untorn.
using MainViewControllerThreadTest = TunerScreenFixture;

TEST_F(MainViewControllerThreadTest, EveryDeliveredFrameIsAnalysedOnceInOrder) {
  MainViewController& c = load();
  c.viewDidAppear(true);
  std::atomic<bool> done{false};
  std::atomic<int> refreshes{0};
  long delivered = 0;
  std::thread audio([&] {
    // Blocks of varying size holding a running count. Waiting for a refresh
    // every ten blocks, at most twenty (14000 frames) meet in one collecting
    // buffer, so none is dropped however the threads are scheduled.
    std::vector<int16_t> block;
    int16_t next = 0;
    int seen = refreshes.load();
    for (int i = 0; i < 600; ++i) {
      if (i > 0 && i % 10 == 0) {
        while (refreshes.load() == seen) std::this_thread::yield();
        seen = refreshes.load();
      }
      block.resize(100 + (i * 37) % 600);
      for (auto& sample : block) sample = next++;
      source->deliver(block);
      delivered += static_cast<long>(block.size());
    }
    done = true;
  });
  long analysed = 0;
  int16_t expected = 0;
  bool inOrder = true;
  auto refresh = [&] {
    RunLoop::currentRunLoop().advanceBy(0.25);
    const auto* samples = reinterpret_cast<const int16_t*>(c.displaySampleBuffer()->data());
    for (int i = 0; i < c.displaySampleBuffer()->frames(); ++i) {
      inOrder = inOrder && samples[i] == expected++;
    }
    analysed += c.displaySampleBuffer()->frames();
  };
  while (!done) {
    refresh();
    ++refreshes;
  }
  audio.join();
  refresh();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(delivered, analysed);
}

}  // namespace
