// The page the browser tests open - the app's own, as scripts/web.sh builds
// it - and how they read it: the one place that knows the page.
'use strict';
const path = require('path');

module.exports = {
  // The site the browser build assembles (cmake/QuillonSite.cmake).
  siteDir: (buildDir) => path.join(buildDir, 'site'),
  // The landscape tuner picture fills this viewport at 960 x 640 pixels,
  // one CSS pixel a point: as the desktop window shows it at scale 2.
  viewport: {width: 480, height: 320, deviceScaleFactor: 2},
  // Run in the page: whether the program has drawn its first picture.
  drawn: () => performance.getEntriesByName('quillon-first-picture').length > 0,
  firstPicture: () => performance.getEntriesByName('quillon-first-picture')[0].startTime,
  // The one line the page shows about the microphone ('' when all is well).
  statusLine: () => {
    const status = document.getElementById('status');
    return status.hidden ? '' : status.textContent;
  },
  // Everything the program plays goes through this node.
  output: () => Module.quillonAudioOutput(),
  // Set before the page loads: the program then records what its timers take.
  recordTimers: () => {
    window.quillonTimerTimes = [];
  },
  timerTimes: () => window.quillonTimerTimes.slice(),
};
