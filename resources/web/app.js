// The page's own script: loads the fonts and the bundle images, then starts
// the program (quillon.js) on the canvas, shows the one line the sound
// reports when the microphone cannot be used, and registers the service
// worker that keeps the site for offline use.
'use strict';

(function () {
  const status = document.getElementById('status');
  const canvas = document.getElementById('quillon');

  // The line takes its room from the canvas, which the program then fits
  // the picture to again.
  function showStatus(line) {
    if (status.hidden === !line && status.textContent === (line || '')) return;
    status.textContent = line || '';
    status.hidden = !line;
    window.dispatchEvent(new Event('resize'));
  }

  function loadImage(name) {
    return new Promise((resolve) => {
      const image = new Image();
      image.onload = () => resolve([name, image]);
      // A missing picture is left out; the program draws without it.
      image.onerror = () => resolve([name, null]);
      image.src = 'images/' + name;
    });
  }

  async function loadImages() {
    const names = await (await fetch('images/index.json')).json();
    const images = {};
    for (const [name, image] of await Promise.all(names.map(loadImage))) {
      if (image) images[name] = image;
    }
    return images;
  }

  // Text is measured when the program lays out its screens: the fonts must
  // be there before it starts.
  function loadFonts() {
    const faces = ['16px "Liberation Sans"', 'bold 16px "Liberation Sans"',
                   '16px "DejaVu Sans"', 'bold 16px "DejaVu Sans"'];
    return Promise.all(faces.map((f) => document.fonts.load(f, 'A\u266F'))).catch(() => {});
  }

  // The program's WebAssembly, compiled while the fonts and images load
  // (the program starts only once they are there). A host that serves it
  // under another type than application/wasm gets the slower way.
  function compileProgram() {
    const bytes = () => fetch('quillon.wasm').then((r) => {
      if (!r.ok) throw new Error(`quillon.wasm: ${r.status}`);
      return r.arrayBuffer();
    }).then((b) => WebAssembly.compile(b));
    if (!WebAssembly.compileStreaming) return bytes();
    return WebAssembly.compileStreaming(fetch('quillon.wasm')).catch(bytes);
  }

  async function start() {
    const program = compileProgram();
    program.catch(() => {});  // reported when the program asks for it
    const [images] = await Promise.all([loadImages(), loadFonts()]);
    window.Module = {
      // Instantiated from the module compiled above.
      instantiateWasm: (imports, receive) => {
        program.then((module) => WebAssembly.instantiate(module, imports)
          .then((instance) => receive(instance, module)))
          .catch((e) => {
            console.warn(`Quillon: ${e}`);
            showStatus('Quillon could not be loaded; reload the page.');
          });
        return {};
      },
      quillonCanvas: canvas,
      quillonImages: images,
      quillonMicrophoneError: showStatus,
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
      onAbort: () => showStatus('Quillon stopped with an error; reload the page.'),
    };
    const script = document.createElement('script');
    script.src = 'quillon.js';
    script.onerror = () => showStatus('Quillon could not be loaded; reload the page.');
    document.body.appendChild(script);
    canvas.focus();
  }

  if (typeof WebAssembly !== 'object') {
    showStatus('This browser cannot run Quillon: it has no WebAssembly.');
    return;
  }
  start();

  if ('serviceWorker' in navigator) {
    window.addEventListener('load', () => {
      navigator.serviceWorker.register('sw.js').catch(() => {});
    });
  }
})();
