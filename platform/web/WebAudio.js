// The browser's side of the web backend's sound (linked with --js-library by
// platform/web/CMakeLists.txt): one AudioContext, the microphone, the nodes
// that carry blocks between WebAudio and the audio units
// (platform/web/AudioUnit.cpp), and the buffers of the system sounds
// (platform/web/SystemSound.cpp).
//
// Handles: getUserMedia with the voice processing off, capture and playback
// through AudioWorklet nodes (every browser that lets a page use the
// microphone has them), resuming the context on the first user gesture, and
// telling the page in one line why the microphone cannot be used.
// Does not handle: choosing among input devices (the browser chooses),
// resampling (the units do it in C++), or any thread but the page's: the
// worklets only queue blocks, and every call into C++ is made on the main
// thread from a message.
//
// What a page gets on Module:
//   quillonMicrophoneError(message)  set by the page: called with one line
//       to show when the microphone is refused, missing or stops, and with ''
//       once it works again. The line is also in quillonMicrophoneStatus().
//   quillonAudioResume()  browsers start sound only after a user gesture;
//       pointer, touch and key events on the window already call it, so a
//       page needs it only for gestures of its own (a "start" button).
//   quillonAudioOutput()  the node everything Quillon plays goes through,
//       for a level meter or a test.

var QuillonAudioLibrary = {
  $QuillonAudio__postset: 'QuillonAudio.install();',
  $QuillonAudio: {
    context: null,
    master: null,
    worklet: null,  // a promise: true once the processors are registered
    mic: {state: 0, stream: null, error: '', retriable: false, reported: null},
    captures: {},
    playbacks: {},
    sounds: {},
    voices: [],
    kMaxVoices: 16,
    kCaptureBlock: 2048,
    kPlaybackChunk: 1024,
    kPlaybackLead: 0.15,

    // The processors, loaded from a string so that the page needs no file
    // of ours beside its script.
    workletSource: `
      class QuillonCapture extends AudioWorkletProcessor {
        constructor(options) {
          super();
          this.channels = options.processorOptions.channels;
          this.block = options.processorOptions.block;
          this.fresh();
        }
        fresh() {
          this.planes = [];
          for (let c = 0; c < this.channels; ++c) this.planes.push(new Float32Array(this.block));
          this.filled = 0;
        }
        process(inputs) {
          const input = inputs[0];
          if (!input || input.length === 0) return true;  // no stream connected yet
          const n = input[0].length;
          for (let c = 0; c < this.channels; ++c) {
            this.planes[c].set(input[Math.min(c, input.length - 1)], this.filled);
          }
          this.filled += n;
          if (this.filled + n > this.block) {
            const planes = this.planes.map((p) => p.subarray(0, this.filled));
            this.port.postMessage(planes, this.planes.map((p) => p.buffer));
            this.fresh();
          }
          return true;
        }
      }
      class QuillonPlayback extends AudioWorkletProcessor {
        constructor() {
          super();
          this.queue = [];
          this.offset = 0;
          this.played = 0;
          this.port.onmessage = (e) => this.queue.push(e.data);
        }
        process(inputs, outputs) {
          const out = outputs[0];
          const n = out[0].length;
          let i = 0;
          while (i < n && this.queue.length) {
            const chunk = this.queue[0];
            const take = Math.min(n - i, chunk[0].length - this.offset);
            for (let c = 0; c < out.length; ++c) {
              out[c].set(chunk[Math.min(c, chunk.length - 1)].subarray(this.offset, this.offset + take), i);
            }
            i += take;
            this.offset += take;
            if (this.offset === chunk[0].length) {
              this.queue.shift();
              this.offset = 0;
            }
          }
          // What is missing stays silent; the main thread hears what was used.
          this.played += n;
          if (this.played >= 1024) {
            this.port.postMessage(this.played);
            this.played = 0;
          }
          return true;
        }
      }
      registerProcessor('quillon-capture', QuillonCapture);
      registerProcessor('quillon-playback', QuillonPlayback);
    `,

    install: function() {
      Module['quillonAudioResume'] = QuillonAudio.resume;
      Module['quillonAudioOutput'] = QuillonAudio.output;
      Module['quillonMicrophoneStatus'] = function() { return QuillonAudio.mic.error; };
      if (typeof window === 'undefined') return;
      const gesture = function() {
        QuillonAudio.resume();
        if (QuillonAudio.context && QuillonAudio.context.state === 'running') {
          for (const type of ['pointerdown', 'pointerup', 'touchend', 'keydown']) {
            window.removeEventListener(type, gesture, true);
          }
        }
      };
      for (const type of ['pointerdown', 'pointerup', 'touchend', 'keydown']) {
        window.addEventListener(type, gesture, true);
      }
      if (navigator.mediaDevices && navigator.mediaDevices.addEventListener &&
          typeof _quillon_web_audio_devices_changed === 'function') {
        // A microphone plugged in: the app asks again (see AudioUnit.cpp).
        navigator.mediaDevices.addEventListener('devicechange', function() {
          _quillon_web_audio_devices_changed();
        });
      }
    },

    // The one context, made on first use (null where there is no WebAudio).
    getContext: function() {
      if (QuillonAudio.context) return QuillonAudio.context;
      const Context = typeof AudioContext !== 'undefined' ? AudioContext :
                      typeof webkitAudioContext !== 'undefined' ? webkitAudioContext : null;
      if (!Context) return null;
      try {
        QuillonAudio.context = new Context({latencyHint: 'interactive'});
      } catch (e) {
        return null;
      }
      QuillonAudio.master = QuillonAudio.context.createGain();
      QuillonAudio.master.connect(QuillonAudio.context.destination);
      return QuillonAudio.context;
    },

    output: function() {
      return QuillonAudio.getContext() ? QuillonAudio.master : null;
    },

    resume: function() {
      const ctx = QuillonAudio.getContext();
      if (ctx && ctx.state !== 'running' && ctx.state !== 'closed') ctx.resume().catch(function() {});
    },

    loadWorklet: function() {
      if (QuillonAudio.worklet) return QuillonAudio.worklet;
      const ctx = QuillonAudio.getContext();
      if (!ctx.audioWorklet || typeof AudioWorkletNode === 'undefined') {
        QuillonAudio.worklet = Promise.resolve(false);
      } else {
        const url = URL.createObjectURL(
            new Blob([QuillonAudio.workletSource], {type: 'application/javascript'}));
        QuillonAudio.worklet = ctx.audioWorklet.addModule(url).then(
            function() { return true; },
            function(e) {
              console.error('Quillon: the audio worklet does not load: ' + e);
              return false;
            });
      }
      return QuillonAudio.worklet;
    },

    // ---- The microphone

    // 0 not asked, 1 asking, 2 granted, 3 refused or gone.
    requestMicrophone: function() {
      const mic = QuillonAudio.mic;
      if (mic.state === 1 || mic.state === 2) return;
      if (!navigator.mediaDevices || !navigator.mediaDevices.getUserMedia) {
        QuillonAudio.refuse('The microphone needs a secure page: open it over HTTPS or on localhost.',
                            false);
        return;
      }
      mic.state = 1;
      // A tuner wants the string as it sounds: echo cancellation, noise
      // suppression and automatic gain all change it.
      const constraints = {
        audio: {echoCancellation: false, noiseSuppression: false, autoGainControl: false},
        video: false,
      };
      navigator.mediaDevices.getUserMedia(constraints).then(function(stream) {
        mic.state = 2;
        mic.stream = stream;
        mic.error = '';
        for (const track of stream.getAudioTracks()) {
          track.addEventListener('ended', function() {
            if (mic.stream !== stream) return;
            QuillonAudio.refuse('The microphone stopped: connect one, or allow it again.', true);
          });
        }
        // Chrome lets a page that captures sound start its context without a gesture.
        QuillonAudio.resume();
        QuillonAudio.report('');
        for (const unit in QuillonAudio.captures) QuillonAudio.connectCapture(Number(unit));
        _quillon_web_microphone_changed();
      }, function(error) {
        const name = error && error.name;
        if (name === 'NotAllowedError' || name === 'SecurityError') {
          QuillonAudio.refuse('The microphone is blocked: allow it for this page to tune.', false);
        } else if (name === 'NotFoundError' || name === 'OverconstrainedError') {
          QuillonAudio.refuse('No microphone found: connect one to tune.', true);
        } else {
          QuillonAudio.refuse('The microphone cannot be opened' +
                              (error && error.message ? ': ' + error.message : '.'), true);
        }
      });
    },

    refuse: function(message, retriable) {
      const mic = QuillonAudio.mic;
      if (mic.stream) {
        for (const track of mic.stream.getTracks()) track.stop();
      }
      mic.state = 3;
      mic.stream = null;
      mic.error = message;
      mic.retriable = retriable;
      for (const unit in QuillonAudio.captures) QuillonAudio.disconnectCapture(Number(unit));
      QuillonAudio.report(message);
      _quillon_web_microphone_changed();
    },

    report: function(message) {
      if (QuillonAudio.mic.reported === message) return;
      if (message === '' && QuillonAudio.mic.reported === null) return;  // nothing to take back
      QuillonAudio.mic.reported = message;
      if (typeof Module['quillonMicrophoneError'] === 'function') {
        Module['quillonMicrophoneError'](message);
      }
    },

    // ---- Capture: the microphone into a unit's input

    connectCapture: function(unit) {
      const capture = QuillonAudio.captures[unit];
      const ctx = QuillonAudio.getContext();
      const stream = QuillonAudio.mic.stream;
      if (!capture || capture.source || !ctx || !stream) return;
      capture.source = ctx.createMediaStreamSource(stream);
      const channels = capture.channels;
      QuillonAudio.loadWorklet().then(function(worklet) {
        if (QuillonAudio.captures[unit] !== capture || !capture.source) return;
        if (!worklet) {
          QuillonAudio.refuse('This browser cannot pass the microphone on to the tuner.', false);
          return;
        }
        capture.node = new AudioWorkletNode(ctx, 'quillon-capture', {
          numberOfInputs: 1, numberOfOutputs: 1, outputChannelCount: [1],
          channelCount: channels, channelCountMode: 'explicit', channelInterpretation: 'speakers',
          processorOptions: {channels: channels, block: QuillonAudio.kCaptureBlock},
        });
        capture.node.port.onmessage = function(e) { QuillonAudio.deliver(unit, e.data); };
        capture.source.connect(capture.node);
        // Connected to the output (it only gives silence) so that every
        // browser keeps pulling it.
        capture.node.connect(ctx.destination);
      });
    },

    disconnectCapture: function(unit) {
      const capture = QuillonAudio.captures[unit];
      if (!capture) return;
      if (capture.source) capture.source.disconnect();
      if (capture.node) {
        capture.node.disconnect();
        capture.node.port.onmessage = null;
      }
      capture.source = null;
      capture.node = null;
    },

    deliver: function(unit, planes) {
      if (!QuillonAudio.captures[unit]) return;
      const frames = planes[0].length;
      if (frames === 0) return;
      const ptr = _quillon_web_capture_buffer(unit, frames);
      if (!ptr) return;
      // Read HEAPF32 after the call: it may have grown the memory.
      for (let c = 0; c < planes.length; ++c) HEAPF32.set(planes[c], (ptr >> 2) + c * frames);
      _quillon_web_capture_deliver(unit, frames, QuillonAudio.context.sampleRate);
    },

    // ---- Playback: a unit's render callback into the output

    refill: function(unit, playback) {
      const lead = QuillonAudio.kPlaybackLead * QuillonAudio.context.sampleRate;
      const chunk = QuillonAudio.kPlaybackChunk;
      while (playback.queued < lead && QuillonAudio.playbacks[unit] === playback) {
        const planes = QuillonAudio.render(unit, chunk, playback.channels);
        if (!planes) return;
        playback.node.port.postMessage(planes, planes.map(function(p) { return p.buffer; }));
        playback.queued += chunk;
      }
    },

    render: function(unit, frames, channels) {
      const ptr = _quillon_web_playback_render(unit, frames, QuillonAudio.context.sampleRate);
      if (!ptr) return null;
      const planes = [];
      for (let c = 0; c < channels; ++c) {
        const at = (ptr >> 2) + c * frames;
        planes.push(HEAPF32.slice(at, at + frames));
      }
      return planes;
    },
  },

  quillon_web_audio_rate__deps: ['$QuillonAudio'],
  quillon_web_audio_rate: function() {
    const ctx = QuillonAudio.getContext();
    return ctx ? ctx.sampleRate : 0;
  },

  quillon_web_microphone_state__deps: ['$QuillonAudio'],
  quillon_web_microphone_state: function() {
    const mic = QuillonAudio.mic;
    return mic.state === 3 && !mic.retriable ? 4 : mic.state;
  },

  quillon_web_microphone_error__deps: ['$QuillonAudio'],
  quillon_web_microphone_error: function(buffer, size) {
    stringToUTF8(QuillonAudio.mic.error, buffer, size);
  },

  quillon_web_microphone_request__deps: ['$QuillonAudio'],
  quillon_web_microphone_request: function() {
    if (QuillonAudio.mic.state === 3) QuillonAudio.mic.state = 0;
    QuillonAudio.requestMicrophone();
  },

  quillon_web_capture_start__deps: ['$QuillonAudio'],
  quillon_web_capture_start: function(unit, channels) {
    if (QuillonAudio.captures[unit]) return;
    QuillonAudio.captures[unit] = {channels: channels, source: null, node: null};
    if (QuillonAudio.mic.state === 2) {
      QuillonAudio.connectCapture(unit);
    } else {
      QuillonAudio.requestMicrophone();
    }
  },

  quillon_web_capture_stop__deps: ['$QuillonAudio'],
  quillon_web_capture_stop: function(unit) {
    QuillonAudio.disconnectCapture(unit);
    delete QuillonAudio.captures[unit];
  },

  quillon_web_playback_start__deps: ['$QuillonAudio'],
  quillon_web_playback_start: function(unit, channels) {
    const ctx = QuillonAudio.getContext();
    if (!ctx || QuillonAudio.playbacks[unit]) return;
    const playback = {channels: channels, node: null, queued: 0};
    QuillonAudio.playbacks[unit] = playback;
    QuillonAudio.loadWorklet().then(function(worklet) {
      if (QuillonAudio.playbacks[unit] !== playback || !worklet) return;
      playback.node = new AudioWorkletNode(ctx, 'quillon-playback', {
        numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [channels],
      });
      playback.node.port.onmessage = function(e) {
        playback.queued -= e.data;
        QuillonAudio.refill(unit, playback);
      };
      QuillonAudio.refill(unit, playback);
      playback.node.connect(QuillonAudio.master);
    });
  },

  quillon_web_playback_stop__deps: ['$QuillonAudio'],
  quillon_web_playback_stop: function(unit) {
    const playback = QuillonAudio.playbacks[unit];
    if (!playback) return;
    delete QuillonAudio.playbacks[unit];
    if (playback.node) {
      playback.node.disconnect();
      playback.node.port.onmessage = null;
    }
  },

  // ---- System sounds: planar float samples, copied into an AudioBuffer

  quillon_web_sound_create__deps: ['$QuillonAudio'],
  quillon_web_sound_create: function(id, samples, frames, channels, rate) {
    const ctx = QuillonAudio.getContext();
    if (!ctx) return 0;
    let buffer;
    try {
      buffer = ctx.createBuffer(channels, Math.max(frames, 1), rate);
    } catch (e) {
      return 0;  // a rate this browser does not take
    }
    for (let c = 0; c < channels; ++c) {
      const at = (samples >> 2) + c * frames;
      buffer.getChannelData(c).set(HEAPF32.subarray(at, at + frames));
    }
    QuillonAudio.sounds[id] = buffer;
    return 1;
  },

  quillon_web_sound_play__deps: ['$QuillonAudio'],
  quillon_web_sound_play: function(id) {
    const buffer = QuillonAudio.sounds[id];
    if (!buffer) return 0;
    const ctx = QuillonAudio.context;
    // A touch is a gesture: the context may start now if it has not yet.
    QuillonAudio.resume();
    const voices = QuillonAudio.voices;
    if (voices.length >= QuillonAudio.kMaxVoices) {
      const oldest = voices.shift();  // the one that has played longest
      oldest.source.stop();
    }
    const source = ctx.createBufferSource();
    source.buffer = buffer;
    source.connect(QuillonAudio.master);
    const voice = {id: id, source: source};
    source.onended = function() {
      const i = voices.indexOf(voice);
      if (i >= 0) voices.splice(i, 1);
      source.disconnect();
    };
    voices.push(voice);
    source.start();
    return ctx.state === 'running' ? 1 : 0;
  },

  quillon_web_sound_dispose__deps: ['$QuillonAudio'],
  quillon_web_sound_dispose: function(id) {
    const voices = QuillonAudio.voices;
    for (let i = voices.length - 1; i >= 0; --i) {
      if (voices[i].id !== id) continue;
      voices[i].source.onended = null;
      voices[i].source.stop();
      voices[i].source.disconnect();
      voices.splice(i, 1);
    }
    delete QuillonAudio.sounds[id];
  },

  quillon_web_sounds_playing__deps: ['$QuillonAudio'],
  quillon_web_sounds_playing: function() {
    return QuillonAudio.voices.length;
  },
};

mergeInto(LibraryManager.library, QuillonAudioLibrary);
