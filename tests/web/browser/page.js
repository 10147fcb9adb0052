// The page the browser tests open, and how they read it: the one place to
// change when they are pointed at another page (the app's, once it has the
// same hooks).
'use strict';
const path = require('path');

module.exports = {
  // URL path -> file, served from the source tree and the browser build.
  files(buildDir) {
    const built = path.join(buildDir, 'tests', 'web');
    return {
      '/': path.join(__dirname, 'audio-page.html'),
      '/quillon-audio-page.js': path.join(built, 'quillon-audio-page.js'),
      '/quillon-audio-page.wasm': path.join(built, 'quillon-audio-page.wasm'),
    };
  },
  url(origin, tuning) {
    return `${origin}/?tuning=${encodeURIComponent(tuning)}`;
  },
  // Run in the page: the latest pass, {note, cents, light, listening}.
  state: () => window.quillonState(),
  passTimes: () => window.quillonPassTimes(),
  // The one line the page shows about the microphone ('' when all is well).
  microphoneLine: () => document.getElementById('microphone').textContent,
  playNote: (index) => window.quillonPlayNote(index),
  tone: (hz) => window.quillonTone(hz),
  // Everything the page plays goes through this node.
  output: () => Module.quillonAudioOutput(),
};
