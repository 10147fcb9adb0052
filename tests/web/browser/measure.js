// Measures the app's page in headless chromium, served from localhost:
//   node measure.js WEB_BUILD_DIR NOTE.wav [SECONDS] [LOADS]
// - bytes transferred on a first load (empty cache), until the network has
//   been quiet for a second: those the page loaded (as chromium counts them,
//   headers too) and all the server sent (with the service worker's copy
//   for offline use); and the time from navigation to the first
//   picture (the program marks it in the page's timeline): the median of
//   LOADS fresh browsers (5 by default);
// - the analysis pass: the page listens to NOTE.wav on the fake microphone
//   for SECONDS (60 by default) and the median of what the run loop's timers
//   took per firing (performance.now() around them; listening in tuner mode
//   they are the refresh: the pass and the dial's update) is printed.
'use strict';
const {open, sleep, waitFor, pageUnderTest} = require('./browser');

const [buildDir, wav, secondsText, loadsText] = process.argv.slice(2);
const seconds = Number(secondsText || 60);
const loads = Number(loadsText || 5);

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

async function firstLoad() {
  const session = await open({buildDir, wav, microphone: 'granted'});
  try {
    const cdp = await session.page.createCDPSession();
    await cdp.send('Network.enable');
    await cdp.send('Network.setCacheDisabled', {cacheDisabled: true});
    let bytes = 0;
    let last = Date.now();
    cdp.on('Network.loadingFinished', (e) => {
      bytes += e.encodedDataLength;
      last = Date.now();
    });
    await session.load();
    const firstPicture = await session.page.evaluate(pageUnderTest.firstPicture);
    const served = session.served;
    await waitFor('the network still busy', 20,
                  async () => Date.now() - Math.max(last, served.last) > 1000);
    return {bytes, served: served.bytes, firstPicture};
  } finally {
    await session.close();
  }
}

(async () => {
  const results = [];
  for (let i = 0; i < loads; ++i) results.push(await firstLoad());
  console.log(`first load: ${median(results.map((r) => r.bytes))} bytes loaded by the page, ` +
              `${median(results.map((r) => r.served))} bytes served in all`);
  console.log(`first picture: median ` +
              `${median(results.map((r) => r.firstPicture)).toFixed(0)} ms over ${loads} loads ` +
              `(${results.map((r) => r.firstPicture.toFixed(0)).join(', ')} ms)`);

  const session = await open({buildDir, wav, microphone: 'granted', before: pageUnderTest.recordTimers});
  try {
    await session.load();
    await sleep(seconds * 1000);
    // The first pass also pays for the engine's first use.
    const times = (await session.page.evaluate(pageUnderTest.timerTimes)).slice(1).sort((a, b) => a - b);
    if (!times.length) throw new Error('no passes');
    const at = (q) => times[Math.min(times.length - 1, Math.floor(q * times.length))];
    console.log(`pass time: median ${at(0.5).toFixed(2)} ms over ${times.length} passes ` +
                `(min ${times[0].toFixed(2)}, 90th percentile ${at(0.9).toFixed(2)}, ` +
                `max ${times[times.length - 1].toFixed(2)})`);
  } finally {
    await session.close();
  }
})().catch((e) => {
  console.error(`measure: ${e.message}`);
  process.exit(1);
});
