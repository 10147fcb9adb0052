// The web backend's sound in a real browser (headless chromium):
//   node browser-test.js BUILD_DIR NOTE.wav EXPECTED_PITCH EXPECTED_CENTS
// 1. microphone: the fake microphone plays NOTE.wav in a loop; the page names
//    EXPECTED_PITCH with its deviation and light, shows no microphone line,
//    and after a click plays a reference note and a 440 Hz tone.
// 2. refused: the browser refuses the microphone; the page says so in one
//    line, names nothing, and the tone still plays.
// Each prints "ok NAME" or "FAILED NAME: why"; the exit status is 1 when one
// failed.
'use strict';
const {open, collectPasses, listen, gesture, pageUnderTest} = require('./browser');

const [buildDir, wav, expectedPitch, expectedCentsText] = process.argv.slice(2);
const expectedCents = Number(expectedCentsText);
const kCentsTolerance = 3;
const kAudible = 0.01;  // RMS of the output, full scale 1

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.floor(sorted.length / 2)];
}

async function checkTone(page, problems) {
  await gesture(page);
  await page.evaluate(pageUnderTest.tone, 440);
  const playing = await listen(page, 600);
  if (playing.state !== 'running') problems.push(`the audio context is ${playing.state} after a click`);
  if (!(playing.rms > kAudible)) problems.push(`the 440 Hz tone is not heard (output RMS ${playing.rms})`);
  if (Math.abs(playing.peakHz - 440) > 6) problems.push(`the tone is heard at ${playing.peakHz.toFixed(1)} Hz`);
  await page.evaluate(pageUnderTest.tone, 0);
  await new Promise((r) => setTimeout(r, 800));
  const after = await listen(page, 300);
  if (after.rms > kAudible / 10) problems.push(`the tone does not stop (output RMS ${after.rms})`);
}

const tests = {
  async microphone() {
    const problems = [];
    const session = await open({buildDir, wav, microphone: 'granted'});
    try {
      const passes = await collectPasses(session.page, 6);
      const named = passes.filter((p) => p.note !== null);
      const right = named.filter((p) => p.pitch === expectedPitch);
      if (named.length < 8) {
        problems.push(`only ${named.length} of ${passes.length} passes named a note`);
      } else if (right.length * 4 < named.length * 3) {
        problems.push(`${expectedPitch} named in ${right.length} of ${named.length} passes: ` +
                      [...new Set(named.map((p) => p.pitch))].join(' '));
      } else {
        const cents = median(right.map((p) => p.cents));
        if (Math.abs(cents - expectedCents) > kCentsTolerance) {
          problems.push(`${expectedPitch} read ${cents.toFixed(1)} cents off, not ${expectedCents}`);
        }
        const light = expectedCents > 5 ? 'sharp' : expectedCents < -5 ? 'flat' : 'center';
        const lit = right.filter((p) => p.light === light).length;
        if (lit * 4 < right.length * 3) problems.push(`the ${light} light in only ${lit} of ${right.length} passes`);
      }
      const line = await session.page.evaluate(pageUnderTest.microphoneLine);
      if (line !== '') problems.push(`the page says "${line}" with a microphone`);

      await gesture(session.page);
      await session.page.evaluate(pageUnderTest.playNote, 0);
      const note = await listen(session.page, 500);
      if (!(note.rms > kAudible)) problems.push(`the reference note is not heard (output RMS ${note.rms})`);
      await new Promise((r) => setTimeout(r, 2600));  // until it has died away
      await checkTone(session.page, problems);
    } finally {
      await session.close();
    }
    return {problems, log: session.log};
  },

  async refused() {
    const problems = [];
    const session = await open({buildDir, wav, microphone: 'refused'});
    try {
      const passes = await collectPasses(session.page, 2);
      const line = await session.page.evaluate(pageUnderTest.microphoneLine);
      if (line !== 'The microphone is blocked: allow it for this page to tune.') {
        problems.push(`the page says "${line}"`);
      }
      if (passes.some((p) => p.note !== null)) problems.push('a note is named without a microphone');
      if (!passes.length || passes[passes.length - 1].listening) {
        problems.push('the input unit still counts as listening');
      }
      await checkTone(session.page, problems);
    } finally {
      await session.close();
    }
    return {problems, log: session.log};
  },
};

(async () => {
  const only = process.env.QUILLON_BROWSER_TEST;
  let failed = 0;
  for (const [name, test] of Object.entries(tests)) {
    if (only && only !== name) continue;
    let result;
    try {
      result = await test();
    } catch (e) {
      result = {problems: [e.message], log: []};
    }
    if (result.problems.length === 0) {
      console.log(`ok ${name}`);
    } else {
      failed += 1;
      console.log(`FAILED ${name}: ${result.problems.join('; ')}`);
      for (const line of result.log) console.log(`  page: ${line}`);
    }
  }
  process.exit(failed ? 1 : 0);
})();
