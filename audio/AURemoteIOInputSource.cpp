#include "audio/AURemoteIOInputSource.h"

#include "audio/AiffIO.h"
#include "common/CaptureFormat.h"
#include "platform/Log.h"
#include "platform/Paths.h"

using namespace platform;

#ifdef QUILLON_WRITE_AIFF
bool writeAiff = true;
#else
bool writeAiff = false;
#endif
aiff_data* aiffFile = nullptr;

AURemoteIOInputSource::~AURemoteIOInputSource() {
  if (ci) {
    AudioUnitUninitialize(ci);
    AudioComponentInstanceDispose(ci);
    ci = nullptr;
  }
  if (bufferList_) {
    freeAudioBuffers(bufferList_);
    bufferList_ = nullptr;
  }
}

AudioBufferList* AURemoteIOInputSource::makeAudioBuffersForChannels(int count, int size) {
  return ::makeAudioBuffersForChannels(count, size);
}

void AURemoteIOInputSource::allocateAudioBuffersForChannels(int count, int size) {
  AudioBufferList* list = makeAudioBuffersForChannels(count, size);
  if (!list) Log("Could not allocate buffer list in AURemoteIOInputSource");
  setBufferList(list);
}

void AURemoteIOInputSource::setBufferList(AudioBufferList* list) {
  if (list == bufferList_) return;
  freeAudioBuffers(bufferList_);
  bufferList_ = list;
  bufferCapacity_ = list ? list->buffers[0].dataByteSize : 0;
}

bool AURemoteIOInputSource::createAudioInput() {
  AudioComponentDescription desc{kAudioUnitType_Output, kAudioUnitSubType_RemoteIO, 0, 0, 0};
  AudioComponent component = AudioComponentFindNext(nullptr, &desc);
  if (!component) return false;
  if (AudioComponentInstanceNew(component, &ci) != noErr) return false;

  const uint32_t enable = 1;
  if (AudioUnitSetProperty(ci, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Input, 1, &enable,
                           sizeof enable) != noErr)
    return false;
  const uint32_t disable = 0;
  if (AudioUnitSetProperty(ci, kAudioOutputUnitProperty_EnableIO, kAudioUnitScope_Output, 0,
                           &disable, sizeof disable) != noErr)
    return false;

  AudioStreamBasicDescription deviceFormat{};
  uint32_t size = sizeof deviceFormat;
  if (AudioUnitGetProperty(ci, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Input, 1,
                           &deviceFormat, &size) != noErr)
    return false;

  // What the input bus hands us: 16-bit signed little-endian mono at the
  // capture rate.
  const AudioStreamBasicDescription format{
      kCaptureSampleRate,
      kAudioFormatLinearPCM,
      kAudioFormatFlagIsSignedInteger | kAudioFormatFlagIsPacked,
      kCaptureBytesPerFrame,
      1,
      kCaptureBytesPerFrame,
      1,
      16,
      0};
  if (AudioUnitSetProperty(ci, kAudioUnitProperty_StreamFormat, kAudioUnitScope_Output, 1, &format,
                           sizeof format) != noErr)
    return false;
  bytesPerFrame_ = format.bytesPerFrame;
  sampleRate_ = format.sampleRate;

  uint32_t maxFrames = 0;
  size = sizeof maxFrames;
  if (AudioUnitGetProperty(ci, kAudioUnitProperty_MaximumFramesPerSlice, kAudioUnitScope_Global, 0,
                           &maxFrames, &size) != noErr)
    return false;

  const AURenderCallbackStruct callback{RenderCallback, this};
  if (AudioUnitSetProperty(ci, kAudioOutputUnitProperty_SetInputCallback, kAudioUnitScope_Global, 0,
                           &callback, sizeof callback) != noErr)
    return false;

  if (AudioUnitInitialize(ci) != noErr) return false;

  allocateAudioBuffersForChannels(static_cast<int>(format.channelsPerFrame),
                                  static_cast<int>(2 * maxFrames));
  return true;
}

void AURemoteIOInputSource::startAudioUnit() {
  // A second start while recording keeps the open file: reopening it would
  // pull it from under the audio thread.
  if (writeAiff && !aiffFile) {
    const std::string dir = documentsDirectory();
    makeDirectories(dir);
    const std::string path = stringByAppendingPathComponent(dir, "audio.aiff");
    aiffFile = aiff_open(path.c_str(), "w");
    if (aiffFile) aiff_write_header(aiffFile, sampleRate_, 1, 16, 1);
  }
  started_ = true;
  startFailed_ = ci && AudioOutputUnitStart(ci) != noErr;
}

void AURemoteIOInputSource::stopAudioUnit() {
  AudioOutputUnitStop(ci);
  started_ = false;
  startFailed_ = false;
  if (aiffFile) {
    aiff_close(aiffFile);
    aiffFile = nullptr;
  }
}

void AURemoteIOInputSource::setInputDevice(const std::string& name) {
  if (!ci) return;
  // A started unit moves by itself; one that a failed start left stopped is
  // started here, since this source is meant to be capturing.
  OSStatus status = AudioUnitSetInputDevice(ci, name);
  if (started_ && startFailed_ && status == noErr) status = AudioOutputUnitStart(ci);
  if (started_) startFailed_ = status != noErr;
}

bool AURemoteIOInputSource::inputDeviceFailed() {
  // Without a unit there is nothing to open again.
  return ci && started_ && (startFailed_ || AudioUnitInputDeviceLost(ci));
}

void AURemoteIOInputSource::addSampledFrames(int frameCount) {
  if (delegate) delegate->addSampledFrames(bufferList_, frameCount);
}

OSStatus RenderCallback(void* inRefCon, AudioUnitRenderActionFlags* ioActionFlags,
                        const AudioTimeStamp* inTimeStamp, uint32_t inBusNumber,
                        uint32_t inNumberFrames, AudioBufferList* /*ioData*/) {
  auto* source = static_cast<AURemoteIOInputSource*>(inRefCon);
  AudioUnit unit = source->audioUnit();
  AudioBufferList* list = source->bufferList();
  if (!list) return 0;

  // The render shrinks the byte size to the block it delivers; give it the
  // whole buffer again, or one short block would cap every later one.
  list->buffers[0].dataByteSize = source->bufferCapacity();
  OSStatus err =
      AudioUnitRender(unit, ioActionFlags, inTimeStamp, inBusNumber, inNumberFrames, list);
  if (err) return err;

  if (aiffFile)
    aiff_write_sample(aiffFile, list->buffers[0].data,
                      static_cast<int>(list->buffers[0].dataByteSize),
                      static_cast<int>(inNumberFrames));
  source->addSampledFrames(static_cast<int>(inNumberFrames));
  return 0;
}
