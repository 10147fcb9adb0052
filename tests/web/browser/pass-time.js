// The analysis pass inside the browser: the page listens to a WAV file on
// the fake microphone for SECONDS (60 by default), and the median of its
// pass times (performance.now() around each pass) is printed.
//   node pass-time.js WEB_BUILD_DIR NOTE.wav [SECONDS]
'use strict';
const {open, collectPasses, pageUnderTest} = require('./browser');

const [buildDir, wav, secondsText] = process.argv.slice(2);
const seconds = Number(secondsText || 60);

(async () => {
  const session = await open({buildDir, wav, microphone: 'granted'});
  try {
    await collectPasses(session.page, seconds);
    // The first pass also pays for the engine's first use.
    const times = (await session.page.evaluate(pageUnderTest.passTimes)).slice(1).sort((a, b) => a - b);
    if (!times.length) throw new Error('no passes');
    const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
    console.log(`pass time: median ${at(0.5).toFixed(2)} ms over ${times.length} passes ` +
                `(min ${times[0].toFixed(2)}, 90th percentile ${at(0.9).toFixed(2)}, max ${times[times.length - 1].toFixed(2)})`);
  } finally {
    await session.close();
  }
})().catch((e) => {
  console.error(`pass-time: ${e.message}`);
  process.exit(1);
});
