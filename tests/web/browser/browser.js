// Serves the site on localhost (a secure context, so the page may ask for
// the microphone) and opens it in Debian's chromium, headless, with a fake
// microphone that plays a WAV file in a loop; screenshots of the page read
// with the native quillon_screen_probe and by pixel, and the page's sound
// heard through an analyser.
'use strict';
const {execFile} = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');
const puppeteer = require('puppeteer-core');
const pageUnderTest = require('./page');

const kTypes = {
  '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.json': 'application/json', '.png': 'image/png', '.ttf': 'font/ttf',
  '.webmanifest': 'application/manifest+json',
};

function serve(root) {
  const served = {bytes: 0, last: Date.now()};
  const server = http.createServer((request, response) => {
    served.last = Date.now();
    let name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(root, path.normalize(name));
    if (!file.startsWith(root + path.sep)) {
      response.writeHead(404).end();
      return;
    }
    fs.readFile(file, (error, data) => {
      if (error) {
        response.writeHead(404).end();
        return;
      }
      response.writeHead(200, {'content-type': kTypes[path.extname(file)] || 'application/octet-stream'});
      response.end(data);
      served.bytes += data.length;
      served.last = Date.now();
    });
  });
  return new Promise((resolve) => {
    server.listen(0, '127.0.0.1', () => {
      resolve({origin: `http://localhost:${server.address().port}`, served, close: () => server.close()});
    });
  });
}

async function waitFor(what, seconds, check) {
  const end = Date.now() + seconds * 1000;
  for (;;) {
    if (await check()) return;
    if (Date.now() > end) throw new Error(`${what} within ${seconds} s`);
    await sleep(100);
  }
}

function sleep(ms) {
  return new Promise((r) => setTimeout(r, ms));
}

// `microphone`: 'granted' (the fake device plays `wav`) or 'refused' (the
// browser says no, as when the user blocks it). `before` runs in the page
// before its scripts.
async function open({buildDir, wav, microphone, before}) {
  const root = path.resolve(pageUnderTest.siteDir(buildDir));
  if (!fs.existsSync(path.join(root, 'index.html'))) throw new Error(`no site in ${root}`);
  const server = await serve(root);
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
      defaultViewport: pageUnderTest.viewport,
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
  if (before) await page.evaluateOnNewDocument(before);
  const session = {
    browser,
    page,
    log,
    origin: server.origin,
    served: server.served,  // {bytes, last}: the bodies sent, the time of the last request
    // Resolves once the program has drawn its first picture.
    async load(reload) {
      if (reload) {
        await page.reload({waitUntil: 'load'});
      } else {
        await page.goto(`${server.origin}/`, {waitUntil: 'load'});
      }
      await waitFor('no picture', 20, () => page.evaluate(pageUnderTest.drawn));
    },
    async close() {
      await browser.close();
      server.close();
    },
  };
  return session;
}

// A screenshot of the viewport, written to `file`.
async function shot(page, file) {
  await page.screenshot({path: file, type: 'png'});
}

// The mean colour {r, g, b} of a 12 x 12-pixel box around each of `points`
// (landscape points, 2 pixels each) of a screenshot: the browser decodes it.
async function colours(page, file, points) {
  const url = `data:image/png;base64,${fs.readFileSync(file).toString('base64')}`;
  return page.evaluate(async (url, points) => {
    const image = new Image();
    image.src = url;
    await image.decode();
    const canvas = document.createElement('canvas');
    canvas.width = image.width;
    canvas.height = image.height;
    const ctx = canvas.getContext('2d', {willReadFrequently: true});
    ctx.drawImage(image, 0, 0);
    return points.map(([x, y]) => {
      const data = ctx.getImageData(x * 2 - 6, y * 2 - 6, 12, 12).data;
      const sum = [0, 0, 0];
      for (let i = 0; i < data.length; i += 4) for (let c = 0; c < 3; ++c) sum[c] += data[i + c];
      const n = data.length / 4;
      return {r: sum[0] / n, g: sum[1] / n, b: sum[2] / n};
    });
  }, url, points);
}

// quillon_screen_probe COMMAND FILE: its answer and the scores it gave each
// candidate (name -> mean difference, smaller is closer).
function probe(probePath, command, file) {
  return new Promise((resolve, reject) => {
    execFile(probePath, [command, file], (error, stdout, stderr) => {
      if (error) {
        reject(new Error(`quillon_screen_probe ${command}: ${stderr.trim() || error.message}`));
        return;
      }
      const scores = {};
      for (const line of stderr.split('\n')) {
        const m = /^ {2}(\S+) +([0-9.]+)$/.exec(line);
        if (m) scores[m[1]] = Number(m[2]);
      }
      resolve({answer: stdout.trim(), scores});
    });
  });
}

// What reaches the page's output over `ms`: its level and loudest frequency.
async function listen(page, ms) {
  const output = await page.evaluateHandle(pageUnderTest.output);
  return page.evaluate(async (out, ms) => {
    const analyser = out.context.createAnalyser();
    analyser.fftSize = 32768;
    out.connect(analyser);
    await new Promise((r) => setTimeout(r, ms));
    const wave = new Float32Array(analyser.fftSize);
    analyser.getFloatTimeDomainData(wave);
    const spectrum = new Float32Array(analyser.frequencyBinCount);
    analyser.getFloatFrequencyData(spectrum);
    out.disconnect(analyser);
    let peak = 1;
    for (let i = 1; i < spectrum.length; ++i) if (spectrum[i] > spectrum[peak]) peak = i;
    const rms = Math.sqrt(wave.reduce((s, x) => s + x * x, 0) / wave.length);
    return {rms, peakHz: (peak * out.context.sampleRate) / analyser.fftSize, state: out.context.state};
  }, output, ms);
}

module.exports = {open, shot, colours, probe, listen, sleep, waitFor, pageUnderTest};
