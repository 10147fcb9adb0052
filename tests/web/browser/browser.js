// Serves the page under test on localhost (a secure context, so the page may
// ask for the microphone) and opens it in Debian's chromium, headless, with
// a fake microphone that plays a WAV file in a loop.
'use strict';
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');
const pageUnderTest = require('./page');

const kTypes = {'.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm'};

function serve(files) {
  const server = http.createServer((request, response) => {
    const file = files[new URL(request.url, 'http://localhost').pathname];
    if (!file) {
      response.writeHead(404).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(500).end(String(error));
        return;
      }
      response.writeHead(200, {'content-type': kTypes[path.extname(file)] || 'application/octet-stream'});
      response.end(data);
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({origin: `http://localhost:${server.address().port}`, close: () => server.close()});
    });
  });
}

// `microphone`: 'granted' (the fake device plays `wav`) or 'refused' (the
// browser says no, as when the user blocks it).
async function open({buildDir, wav, microphone, tuning = 'guitar'}) {
  const server = await serve(pageUnderTest.files(buildDir));
  const args = ['--use-fake-device-for-media-stream', '--autoplay-policy=user-gesture-required'];
  if (wav) args.push(`--use-file-for-fake-audio-capture=${wav}`);
  if (microphone === 'granted') args.push('--use-fake-ui-for-media-stream');
  // Root in a container has no user namespaces for chromium's sandbox.
  if (process.getuid && process.getuid() === 0) args.push('--no-sandbox');
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.QUILLON_CHROMIUM || '/usr/bin/chromium',
      headless: true,
      args,
    });
  } catch (e) {
    server.close();
    throw new Error(`chromium does not start: ${e.message}`);
  }
  const page = await browser.newPage();
  const log = [];
  page.on('console', (m) => log.push(m.text()));
  page.on('pageerror', (e) => log.push(`page error: ${e.message}`));
  if (microphone === 'refused') {
    await browser.defaultBrowserContext().overridePermissions(server.origin, []);
  }
  await page.goto(pageUnderTest.url(server.origin, tuning), {waitUntil: 'load'});
  return {
    page,
    log,
    async close() {
      await browser.close();
      server.close();
    },
  };
}

// The passes of the next `seconds` (the page numbers them), read twice a pass.
async function collectPasses(page, seconds) {
  const passes = [];
  const end = Date.now() + seconds * 1000;
  while (Date.now() < end) {
    const state = await page.evaluate(pageUnderTest.state);
    if (state && state.pass && (!passes.length || passes[passes.length - 1].pass !== state.pass)) {
      passes.push(state);
    }
    await new Promise((r) => setTimeout(r, 120));
  }
  return passes;
}

// What reaches the page's output over `ms`: its level and loudest frequency.
async function listen(page, ms) {
  const output = await page.evaluateHandle(pageUnderTest.output);
  return page.evaluate(async (out, ms) => {
    const analyser = out.context.createAnalyser();
    analyser.fftSize = 8192;
    out.connect(analyser);
    await new Promise((r) => setTimeout(r, ms));
    const wave = new Float32Array(analyser.fftSize);
    analyser.getFloatTimeDomainData(wave);
    const spectrum = new Float32Array(analyser.frequencyBinCount);
    analyser.getFloatFrequencyData(spectrum);
    out.disconnect(analyser);
    let peak = 0;
    for (let i = 1; i < spectrum.length; ++i) if (spectrum[i] > spectrum[peak]) peak = i;
    const rms = Math.sqrt(wave.reduce((s, x) => s + x * x, 0) / wave.length);
    return {rms, peakHz: (peak * out.context.sampleRate) / analyser.fftSize, state: out.context.state};
  }, output, ms);
}

// A real click: a user gesture, after which the page may start its sound.
async function gesture(page) {
  await page.mouse.click(4, 4);
}

module.exports = {open, collectPasses, listen, gesture, pageUnderTest};
