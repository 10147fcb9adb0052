// The browser's side of the web backend's screen (linked with --js-library by
// platform/web/CMakeLists.txt): the page's canvas and its 2-D context, the
// transparency layers drawn on canvases of their own, the bundle images and
// the fonts the page loaded before the program started, and local storage.
//
// Handles: drawing for platform/web/CanvasGraphicsContext.cpp, Font.cpp and
// Image.cpp, the canvas's size in device pixels (devicePixelRatio), the
// document title, and the files kept in local storage (platform/web/
// AtomicFile.cpp). Does not handle: input and the loop (Application.cpp on
// Emscripten's HTML5 functions) or sound (WebAudio.js).
//
// The page provides, before the program starts:
//   Module.quillonCanvas   the <canvas> to draw on (else #quillon)
//   Module.quillonImages   { "Needle@2x.png": ImageBitmap or <img>, ... }

var QuillonCanvasLibrary = {
  $QuillonCanvas__deps: ['$FS'],
  $QuillonCanvas__postset: 'QuillonCanvas.install();',
  $QuillonCanvas: {
    canvas: null,
    layers: [],  // [{canvas, ctx}], the page's own first
    spare: [],   // layer canvases kept for the next frame
    pictures: {},
    nextPicture: 1,
    gradient: null,
    images: [],  // id -> image
    imageIds: {},
    install: function() {
      // Files kept in local storage are put back before main() reads them.
      Module['preRun'] = [].concat(Module['preRun'] || [], [function() {
        QuillonCanvas.restoreFiles();
      }]);
    },
    top: function() {
      return QuillonCanvas.layers[QuillonCanvas.layers.length - 1].ctx;
    },
    page: function() {
      if (!QuillonCanvas.canvas) {
        QuillonCanvas.canvas = Module['quillonCanvas'] || document.getElementById('quillon');
        QuillonCanvas.layers = [{
          canvas: QuillonCanvas.canvas,
          ctx: QuillonCanvas.canvas.getContext('2d', {alpha: false})
        }];
      }
      return QuillonCanvas.canvas;
    },
    rgba: function(r, g, b, a) {
      return 'rgba(' + Math.round(r * 255) + ',' + Math.round(g * 255) + ',' +
             Math.round(b * 255) + ',' + a + ')';
    },
    storagePrefix: 'quillon:',
    restoreFiles: function() {
      var storage;
      try {
        storage = window.localStorage;
      } catch (e) {
        return;  // storage refused (a privacy setting): nothing was kept
      }
      if (!storage) return;
      for (var i = 0; i < storage.length; i++) {
        var key = storage.key(i);
        if (key.indexOf(QuillonCanvas.storagePrefix) !== 0) continue;
        var path = key.substring(QuillonCanvas.storagePrefix.length);
        var dir = path.substring(0, path.lastIndexOf('/'));
        try {
          if (dir) FS.mkdirTree(dir);
          FS.writeFile(path, storage.getItem(key));
        } catch (e) {
          console.warn('cannot restore ' + path + ': ' + e);
        }
      }
    }
  },

  // The canvas's size in CSS pixels and device pixels per CSS pixel; makes
  // its backing store match so that the picture is crisp.
  quillon_canvas_fit__deps: ['$QuillonCanvas'],
  quillon_canvas_fit: function(cssWidth, cssHeight, pixelWidth, pixelHeight) {
    var canvas = QuillonCanvas.page();
    var rect = canvas.getBoundingClientRect();
    var ratio = window.devicePixelRatio || 1;
    var w = Math.max(1, Math.round(rect.width * ratio));
    var h = Math.max(1, Math.round(rect.height * ratio));
    if (canvas.width !== w || canvas.height !== h) {
      canvas.width = w;
      canvas.height = h;
    }
    HEAPF64[cssWidth >> 3] = rect.width;
    HEAPF64[cssHeight >> 3] = rect.height;
    HEAP32[pixelWidth >> 2] = w;
    HEAP32[pixelHeight >> 2] = h;
  },
  // Starts a picture: black everywhere, the transform reset.
  quillon_canvas_begin_frame__deps: ['$QuillonCanvas'],
  quillon_canvas_begin_frame: function() {
    var canvas = QuillonCanvas.page();
    // For measurements: when the first picture was begun (ms since navigation).
    if (Module['quillonFirstPicture'] === undefined) {
      Module['quillonFirstPicture'] = performance.now();
    }
    QuillonCanvas.layers.length = 1;
    var ctx = QuillonCanvas.top();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.globalAlpha = 1;
    ctx.globalCompositeOperation = 'source-over';
    ctx.fillStyle = '#000';
    ctx.fillRect(0, 0, canvas.width, canvas.height);
  },
  quillon_canvas_set_title: function(title) {
    document.title = UTF8ToString(title);
  },

  quillon_canvas_save__deps: ['$QuillonCanvas'],
  quillon_canvas_save: function() { QuillonCanvas.top().save(); },
  quillon_canvas_restore__deps: ['$QuillonCanvas'],
  quillon_canvas_restore: function() { QuillonCanvas.top().restore(); },
  quillon_canvas_transform__deps: ['$QuillonCanvas'],
  quillon_canvas_transform: function(a, b, c, d, e, f) {
    QuillonCanvas.top().transform(a, b, c, d, e, f);
  },
  quillon_canvas_begin_path__deps: ['$QuillonCanvas'],
  quillon_canvas_begin_path: function() { QuillonCanvas.top().beginPath(); },
  quillon_canvas_move_to__deps: ['$QuillonCanvas'],
  quillon_canvas_move_to: function(x, y) { QuillonCanvas.top().moveTo(x, y); },
  quillon_canvas_line_to__deps: ['$QuillonCanvas'],
  quillon_canvas_line_to: function(x, y) { QuillonCanvas.top().lineTo(x, y); },
  quillon_canvas_arc__deps: ['$QuillonCanvas'],
  quillon_canvas_arc: function(x, y, r, start, end) {
    // Angles grow clockwise on the y-down screen, as the context's do; an
    // end before the start goes round the other way in neither, so it is
    // moved on by whole turns as cairo does.
    while (end < start) end += 2 * Math.PI;
    QuillonCanvas.top().arc(x, y, r, start, end, false);
  },
  quillon_canvas_close_path__deps: ['$QuillonCanvas'],
  quillon_canvas_close_path: function() { QuillonCanvas.top().closePath(); },
  quillon_canvas_rect__deps: ['$QuillonCanvas'],
  quillon_canvas_rect: function(x, y, w, h) { QuillonCanvas.top().rect(x, y, w, h); },
  quillon_canvas_clip_rect__deps: ['$QuillonCanvas'],
  quillon_canvas_clip_rect: function(x, y, w, h) {
    var ctx = QuillonCanvas.top();
    ctx.beginPath();
    ctx.rect(x, y, w, h);
    ctx.clip();
    ctx.beginPath();
  },
  // The gradient the next fill paints: stops are (offset, r, g, b, a) doubles.
  quillon_canvas_gradient__deps: ['$QuillonCanvas'],
  quillon_canvas_gradient: function(radial, x0, y0, r0, x1, y1, r1, stops, count) {
    var ctx = QuillonCanvas.top();
    var g = radial ? ctx.createRadialGradient(x0, y0, r0, x1, y1, r1)
                   : ctx.createLinearGradient(x0, y0, x1, y1);
    for (var i = 0; i < count; i++) {
      var s = (stops >> 3) + 5 * i;
      g.addColorStop(Math.min(1, Math.max(0, HEAPF64[s])),
                     QuillonCanvas.rgba(HEAPF64[s + 1], HEAPF64[s + 2], HEAPF64[s + 3],
                                        HEAPF64[s + 4]));
    }
    QuillonCanvas.gradient = g;
  },
  // Fills (mode 0, even-odd 1) and/or strokes (2; 3 both) the path. `style`
  // points at fill rgba, stroke rgba, line width; a gradient set since the
  // last fill paints the fill when `useGradient`.
  quillon_canvas_draw_path__deps: ['$QuillonCanvas'],
  quillon_canvas_draw_path: function(mode, style, useGradient, cap, join, atop) {
    var ctx = QuillonCanvas.top();
    var s = style >> 3;
    ctx.globalCompositeOperation = atop ? 'source-atop' : 'source-over';
    if (mode !== 2) {
      ctx.fillStyle = useGradient && QuillonCanvas.gradient
                          ? QuillonCanvas.gradient
                          : QuillonCanvas.rgba(HEAPF64[s], HEAPF64[s + 1], HEAPF64[s + 2],
                                               HEAPF64[s + 3]);
      ctx.fill(mode === 1 ? 'evenodd' : 'nonzero');
    }
    if (mode >= 2) {
      ctx.strokeStyle =
          QuillonCanvas.rgba(HEAPF64[s + 4], HEAPF64[s + 5], HEAPF64[s + 6], HEAPF64[s + 7]);
      ctx.lineWidth = HEAPF64[s + 8];
      ctx.lineCap = ['butt', 'round', 'square'][cap];
      ctx.lineJoin = ['miter', 'round', 'bevel'][join];
      ctx.stroke();
    }
    ctx.globalCompositeOperation = 'source-over';
    ctx.beginPath();
    QuillonCanvas.gradient = null;
  },

  // Transparency layers: canvases of the page's size, drawn under the
  // transform current when they began and laid on the one below at the end.
  quillon_canvas_begin_layer__deps: ['$QuillonCanvas'],
  quillon_canvas_begin_layer: function() {
    var page = QuillonCanvas.page();
    var below = QuillonCanvas.top();
    var layer = QuillonCanvas.spare.pop();
    if (!layer) {
      var canvas = document.createElement('canvas');
      layer = {canvas: canvas, ctx: canvas.getContext('2d')};
    }
    if (layer.canvas.width !== page.width || layer.canvas.height !== page.height) {
      layer.canvas.width = page.width;
      layer.canvas.height = page.height;
    } else {
      layer.ctx.setTransform(1, 0, 0, 1, 0, 0);
      layer.ctx.clearRect(0, 0, page.width, page.height);
    }
    layer.ctx.setTransform(below.getTransform());
    QuillonCanvas.layers.push(layer);
  },
  quillon_canvas_end_layer__deps: ['$QuillonCanvas'],
  quillon_canvas_end_layer: function(alpha) {
    var layer = QuillonCanvas.layers.pop();
    var ctx = QuillonCanvas.top();
    ctx.save();
    ctx.setTransform(1, 0, 0, 1, 0, 0);
    ctx.globalAlpha = alpha;
    ctx.drawImage(layer.canvas, 0, 0);
    ctx.restore();
    QuillonCanvas.spare.push(layer);
  },
  quillon_canvas_end_layer_as_picture__deps: ['$QuillonCanvas'],
  quillon_canvas_end_layer_as_picture: function() {
    var layer = QuillonCanvas.layers.pop();
    var id = QuillonCanvas.nextPicture++;
    // Where the layer's own pixels are, from where its content is drawn now.
    layer.toPixels = QuillonCanvas.top().getTransform().inverse();
    QuillonCanvas.pictures[id] = layer;
    return id;
  },
  quillon_canvas_draw_picture__deps: ['$QuillonCanvas'],
  quillon_canvas_draw_picture: function(id) {
    var layer = QuillonCanvas.pictures[id];
    if (!layer) return;
    var ctx = QuillonCanvas.top();
    ctx.save();
    ctx.setTransform(ctx.getTransform().multiply(layer.toPixels));
    ctx.drawImage(layer.canvas, 0, 0);
    ctx.restore();
  },
  quillon_canvas_free_picture__deps: ['$QuillonCanvas'],
  quillon_canvas_free_picture: function(id) {
    var layer = QuillonCanvas.pictures[id];
    delete QuillonCanvas.pictures[id];
    if (layer) QuillonCanvas.spare.push(layer);
  },

  // Images the page loaded: an id (and the size in pixels), or -1.
  quillon_canvas_image__deps: ['$QuillonCanvas'],
  quillon_canvas_image: function(name, width, height) {
    var key = UTF8ToString(name);
    var id = QuillonCanvas.imageIds[key];
    if (id === undefined) {
      var images = Module['quillonImages'] || {};
      var image = images[key];
      if (!image) return -1;
      id = QuillonCanvas.images.length;
      QuillonCanvas.images.push(image);
      QuillonCanvas.imageIds[key] = id;
    }
    var found = QuillonCanvas.images[id];
    HEAP32[width >> 2] = found.naturalWidth || found.width;
    HEAP32[height >> 2] = found.naturalHeight || found.height;
    return id;
  },
  quillon_canvas_draw_image__deps: ['$QuillonCanvas'],
  quillon_canvas_draw_image: function(id, x, y, w, h, alpha) {
    var ctx = QuillonCanvas.top();
    ctx.save();
    ctx.globalAlpha = alpha;
    ctx.imageSmoothingEnabled = true;
    ctx.imageSmoothingQuality = 'high';
    ctx.drawImage(QuillonCanvas.images[id], x, y, w, h);
    ctx.restore();
  },

  // Text. `metrics` receives the advance and the ink box (left, top, right,
  // bottom from the start of the baseline); for the empty text the font's
  // ascent and descent instead of the ink.
  quillon_canvas_measure_text__deps: ['$QuillonCanvas'],
  quillon_canvas_measure_text: function(font, text, metrics) {
    var measure = QuillonCanvas.measuring;
    if (!measure) {
      measure = QuillonCanvas.measuring = document.createElement('canvas').getContext('2d');
    }
    measure.font = UTF8ToString(font);
    var m = measure.measureText(UTF8ToString(text));
    var out = metrics >> 3;
    HEAPF64[out] = m.width;
    HEAPF64[out + 1] = -m.actualBoundingBoxLeft;
    HEAPF64[out + 2] = -m.actualBoundingBoxAscent;
    HEAPF64[out + 3] = m.actualBoundingBoxRight;
    HEAPF64[out + 4] = m.actualBoundingBoxDescent;
    HEAPF64[out + 5] = m.fontBoundingBoxAscent;
    HEAPF64[out + 6] = m.fontBoundingBoxDescent;
  },
  quillon_canvas_fill_text__deps: ['$QuillonCanvas'],
  quillon_canvas_fill_text: function(font, text, x, y, r, g, b, a, useGradient) {
    var ctx = QuillonCanvas.top();
    ctx.font = UTF8ToString(font);
    ctx.textBaseline = 'alphabetic';
    ctx.fillStyle = useGradient && QuillonCanvas.gradient ? QuillonCanvas.gradient
                                                          : QuillonCanvas.rgba(r, g, b, a);
    ctx.fillText(UTF8ToString(text), x, y);
    QuillonCanvas.gradient = null;
  },

  // Local storage, under "quillon:" and the file's path.
  quillon_storage_put__deps: ['$QuillonCanvas'],
  quillon_storage_put: function(path, contents) {
    try {
      window.localStorage.setItem(QuillonCanvas.storagePrefix + UTF8ToString(path),
                                  UTF8ToString(contents));
      return 1;
    } catch (e) {
      return 0;  // full, or refused
    }
  }
};

autoAddDeps(QuillonCanvasLibrary, '$QuillonCanvas');
mergeInto(LibraryManager.library, QuillonCanvasLibrary);
