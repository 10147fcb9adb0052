#pragma once

// The form in which captured audio reaches the analysis: 16-bit signed mono
// frames at kCaptureSampleRate. The microphone source asks the platform for
// it, the tuner builds its engine for it, and whatever stands in for the
// microphone (a recording, a tool, a benchmark) delivers it too.
inline constexpr double kCaptureSampleRate = 22050.0;
inline constexpr int kCaptureBytesPerFrame = 2;

// One second of captured frames: the size of each buffer that collects them
// between two analysis passes (a pass takes a quarter of it).
inline constexpr int kSampleBufferBytes =
    static_cast<int>(kCaptureSampleRate) * kCaptureBytesPerFrame;
