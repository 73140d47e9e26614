// The razivavu tile viewer: pans and zooms through the tile grid that
// grid.js describes, drawing every tile from the stored level an engine's
// nearest-mip selection would pick at the current zoom.
//
// The view is three numbers kept in the address, so that a view can be
// linked and tested: `level` (the zoom: one screen pixel covers 2^level
// pixels of the panorama, so at level=2 the screen shows mip level 2 pixel
// for pixel), `x` and `y` (the panorama point at the centre of the view, in
// pixels of the full-size panorama), plus `dxt1=1` for the DXT1 tiles and
// `overlay=1` for tile borders, levels and PSNR.
(function () {
  'use strict';

  const grid = window.RAZIVAVU_GRID;
  if (!grid || !grid.tiles || grid.tiles.length === 0) {
    document.getElementById('status').textContent =
      'grid.js is missing or empty: write the page again with razivavu-inspect --html DIR BASE';
    return;
  }
  const canvas = document.getElementById('view');
  const ctx = canvas.getContext('2d');
  const statusText = document.getElementById('status');
  const dxt1Box = document.getElementById('dxt1');
  const overlayBox = document.getElementById('overlay');

  const PAN_STEP = 100;        // screen pixels per arrow key press
  const ZOOM_STEP = 0.5;       // levels per + or - (a factor of about 1.41)
  const WHEEL_PER_LEVEL = 500; // wheel delta (pixels) for one level
  const BACKGROUND = '#262626';
  const MISSING = '#808080';    // a tile the run did not write

  // The panorama is the picture razivavu read when grid.js knows its size
  // (from the grid manifest): the tiles of --edges pad reach past it with
  // its last column and row repeated, which the view leaves out. Without
  // it (tiles of a version that wrote no manifest), the whole grid.
  const gridWidth = grid.cols * grid.tileWidth;
  const gridHeight = grid.rows * grid.tileHeight;
  const pictureKnown = grid.pictureWidth > 0 && grid.pictureHeight > 0;
  const panoWidth = pictureKnown ? Math.min(grid.pictureWidth, gridWidth) : gridWidth;
  const panoHeight = pictureKnown ? Math.min(grid.pictureHeight, gridHeight) : gridHeight;
  // The chain's last level (1 x 1), from the tiles' own level counts.
  const lastLevel = Math.max.apply(null, grid.tiles.map((t) => t.first + t.levels - 1));
  const minLevel = -4;         // 16 screen pixels per panorama pixel at most
  const maxLevel = lastLevel + 1;
  const anyDxt1 = grid.tiles.some((t) => t.dxt1 > 0);

  const state = { level: 0, x: panoWidth / 2, y: panoHeight / 2, dxt1: false, overlay: false };
  const images = new Map();    // url -> { image, ready, failed }
  let writtenHash = '';
  let drawPending = false;

  function clamp(v, lo, hi) {
    return Math.min(Math.max(v, lo), hi);
  }

  function number(v) {
    return String(Number(v.toFixed(3)));
  }

  function hashOf(s) {
    return 'level=' + number(s.level) + '&x=' + number(s.x) + '&y=' + number(s.y) +
      '&dxt1=' + (s.dxt1 ? 1 : 0) + '&overlay=' + (s.overlay ? 1 : 0);
  }

  // CSS pixels of the view; the canvas's own pixels are these times the
  // device pixel ratio.
  function viewSize() {
    return { width: canvas.clientWidth, height: canvas.clientHeight };
  }

  // The level at which the whole panorama fits the view.
  function fitLevel() {
    const v = viewSize();
    const ratio = Math.max(panoWidth / Math.max(1, v.width), panoHeight / Math.max(1, v.height));
    return clamp(Math.ceil(Math.log2(ratio)), minLevel, maxLevel);
  }

  function fit() {
    state.level = fitLevel();
    state.x = panoWidth / 2;
    state.y = panoHeight / 2;
  }

  function readAddress() {
    const p = new URLSearchParams(location.hash.slice(1));
    const level = parseFloat(p.get('level'));
    const x = parseFloat(p.get('x'));
    const y = parseFloat(p.get('y'));
    fit();
    if (isFinite(level)) state.level = clamp(level, minLevel, maxLevel);
    if (isFinite(x)) state.x = clamp(x, 0, panoWidth);
    if (isFinite(y)) state.y = clamp(y, 0, panoHeight);
    state.dxt1 = p.get('dxt1') === '1' && anyDxt1;
    state.overlay = p.get('overlay') === '1';
  }

  function writeAddress() {
    const hash = hashOf(state);
    if (location.hash.slice(1) === hash) return;
    writtenHash = hash;
    try {
      history.replaceState(null, '', '#' + hash);
    } catch (e) {
      location.replace('#' + hash);
    }
  }

  // The level a tile is drawn from: the nearest to the zoom, as an engine's
  // nearest-mip filter picks it, but never one the tile does not store: a
  // top-row tile (stored from level 1) or a bottom-row tile (from level 2)
  // shows its first stored level, magnified, where the zoom asks for more.
  function levelFor(tile) {
    return clamp(wantedLevel(), tile.first, tile.first + tile.levels - 1);
  }

  // The zoom counts screen (CSS) pixels; an engine picks by the pixels it
  // fills, so a screen with two device pixels per CSS pixel gets the level
  // one finer.
  function wantedLevel() {
    return Math.floor(state.level - Math.log2(window.devicePixelRatio || 1) + 0.5);
  }

  function tileUrl(col, row, level, dxt1) {
    return 'tiles/' + col + '_' + row + '_' + level + (dxt1 ? 'c' : '') + '.png';
  }

  // The picture at `url`, loading it when first asked; null until it is
  // ready.
  function picture(url) {
    let entry = images.get(url);
    if (!entry) {
      entry = { image: new Image(), ready: false, failed: false };
      entry.image.onload = () => {
        entry.ready = true;
        requestDraw();
      };
      entry.image.onerror = () => {
        entry.failed = true;
        requestDraw();
      };
      entry.image.src = url;
      images.set(url, entry);
    }
    return entry;
  }

  // A level of the same tile already loaded, to stand in (scaled) while the
  // wanted one loads, so that no hole opens while the user moves.
  function standIn(col, row, tile, level, dxt1) {
    for (let d = 1; d < tile.levels; ++d) {
      for (const l of [level + d, level - d]) {
        if (l < tile.first || l >= tile.first + tile.levels) continue;
        const e = images.get(tileUrl(col, row, l, dxt1));
        if (e && e.ready) return e.image;
      }
    }
    return null;
  }

  function requestDraw() {
    if (drawPending) return;
    drawPending = true;
    requestAnimationFrame(() => {
      drawPending = false;
      draw();
    });
  }

  function psnrText(tile, level) {
    if (tile.dxt1 === 0) return 'no DXT1 levels';
    const v = tile.psnr[level - tile.first];
    return (v === null || v === undefined ? 'inf' : v.toFixed(2)) + ' dB';
  }

  function drawOverlay(rects) {
    ctx.save();
    ctx.lineWidth = 1;
    ctx.strokeStyle = 'rgba(255, 220, 0, 0.85)';
    ctx.font = '12px sans-serif';
    ctx.textBaseline = 'top';
    for (const r of rects) {
      ctx.strokeRect(r.left + 0.5, r.top + 0.5, r.right - r.left - 1, r.bottom - r.top - 1);
      const lines = r.tile.missing ? [r.col + ',' + r.row + '  missing', 'not written'] :
        [r.col + ',' + r.row + '  level ' + r.level +
          (r.level > wantedLevel() ? ' (first stored)' : ''),
        'DXT1 ' + psnrText(r.tile, r.level)];
      const width = Math.max.apply(null, lines.map((t) => ctx.measureText(t).width)) + 8;
      // In the tile's visible part, so a tile larger than the view keeps
      // its label.
      const x = Math.max(r.left, 0);
      const y = Math.max(r.top, 0);
      if (Math.min(r.right, canvas.width) - x < width + 4 ||
          Math.min(r.bottom, canvas.height) - y < 40) continue;
      ctx.fillStyle = 'rgba(0, 0, 0, 0.6)';
      ctx.fillRect(x + 2, y + 2, width, 34);
      ctx.fillStyle = '#fff';
      lines.forEach((t, i) => ctx.fillText(t, x + 6, y + 5 + 15 * i));
    }
    ctx.restore();
  }

  function draw() {
    const dpr = window.devicePixelRatio || 1;
    const v = viewSize();
    const w = Math.max(1, Math.round(v.width * dpr));
    const h = Math.max(1, Math.round(v.height * dpr));
    if (canvas.width !== w || canvas.height !== h) {
      canvas.width = w;
      canvas.height = h;
    }
    const scale = Math.pow(2, -state.level) * dpr; // canvas pixels per panorama pixel
    // Whole canvas pixels for the panorama's corner and every tile edge, so
    // that tiles meet without seams and a level shown at 1:1 is shown
    // pixel for pixel.
    const ox = Math.round(w / 2 - state.x * scale);
    const oy = Math.round(h / 2 - state.y * scale);
    ctx.fillStyle = BACKGROUND;
    ctx.fillRect(0, 0, w, h);
    // Tiles are drawn whole and clipped at the panorama's edge, which lies
    // on whole canvas pixels as the tile edges do.
    const panoRight = ox + Math.round(panoWidth * scale);
    const panoBottom = oy + Math.round(panoHeight * scale);
    ctx.save();
    ctx.beginPath();
    ctx.rect(ox, oy, panoRight - ox, panoBottom - oy);
    ctx.clip();
    let complete = true;
    const rects = [];
    const used = new Set();
    for (let row = 0; row < grid.rows; ++row) {
      const top = oy + Math.round(row * grid.tileHeight * scale);
      const bottom = oy + Math.round((row + 1) * grid.tileHeight * scale);
      if (bottom <= 0 || top >= h || top >= panoBottom) continue;
      for (let col = 0; col < grid.cols; ++col) {
        const left = ox + Math.round(col * grid.tileWidth * scale);
        const right = ox + Math.round((col + 1) * grid.tileWidth * scale);
        if (right <= 0 || left >= w || left >= panoRight || right <= left || bottom <= top) {
          continue;
        }
        // The overlay marks the part of the tile that is picture.
        const shownRight = Math.min(right, panoRight);
        const shownBottom = Math.min(bottom, panoBottom);
        const tile = grid.tiles[row * grid.cols + col];
        if (tile.missing) {
          // A run that ended early: the tile is not there, a plain grey one
          // stands in its place.
          ctx.fillStyle = MISSING;
          ctx.fillRect(left, top, right - left, bottom - top);
          rects.push({
            col, row, tile, level: -1, left, top, right: shownRight, bottom: shownBottom,
          });
          continue;
        }
        const level = levelFor(tile);
        const dxt1 = state.dxt1 && tile.dxt1 > 0;
        const entry = picture(tileUrl(col, row, level, dxt1));
        let image = entry.ready ? entry.image : null;
        if (!entry.ready && !entry.failed) {
          complete = false;
          image = standIn(col, row, tile, level, dxt1);
        }
        if (image) {
          // Texels as blocks when magnified (what the tile holds, DXT1's
          // 4 x 4 blocks included); smoothed only when a level is shrunk.
          ctx.imageSmoothingEnabled = right - left < image.naturalWidth;
          ctx.drawImage(image, left, top, right - left, bottom - top);
        }
        used.add(level);
        rects.push({ col, row, tile, level, left, top, right: shownRight, bottom: shownBottom });
      }
    }
    ctx.restore();
    if (state.overlay) drawOverlay(rects);
    const levels = Array.from(used).sort((a, b) => a - b);
    statusText.textContent = 'zoom level ' + number(state.level) + ' (' +
      number(100 * Math.pow(2, -state.level)) + '%) \u00b7 drawn from level' +
      (levels.length > 1 ? 's ' : ' ') + (levels.join(', ') || '-') + ' \u00b7 ' +
      (state.dxt1 ? 'DXT1' : '24-bit') + ' tiles \u00b7 ' + grid.cols + ' x ' + grid.rows +
      ' tiles of ' + grid.tileWidth + ' x ' + grid.tileHeight +
      (pictureKnown ? ' \u00b7 picture ' + grid.pictureWidth + ' x ' + grid.pictureHeight : '');
    dxt1Box.checked = state.dxt1;
    dxt1Box.disabled = !anyDxt1;
    overlayBox.checked = state.overlay;
    writeAddress();
    // For scripts and tests: the view whose every tile is on screen.
    window.razivavuDrawn = complete ? hashOf(state) : '';
  }

  function changed() {
    state.level = clamp(state.level, minLevel, maxLevel);
    state.x = clamp(state.x, 0, panoWidth);
    state.y = clamp(state.y, 0, panoHeight);
    requestDraw();
  }

  // Zooms by `steps` levels keeping the panorama point under (px, py), CSS
  // pixels from the view's corner, where it is.
  function zoomAt(steps, px, py) {
    const v = viewSize();
    const before = Math.pow(2, -state.level);
    const ax = state.x + (px - v.width / 2) / before;
    const ay = state.y + (py - v.height / 2) / before;
    state.level = clamp(state.level + steps, minLevel, maxLevel);
    const after = Math.pow(2, -state.level);
    state.x = ax - (px - v.width / 2) / after;
    state.y = ay - (py - v.height / 2) / after;
    changed();
  }

  function zoomCentre(steps) {
    const v = viewSize();
    zoomAt(steps, v.width / 2, v.height / 2);
  }

  function pan(dx, dy) {
    const scale = Math.pow(2, -state.level);
    state.x += dx / scale;
    state.y += dy / scale;
    changed();
  }

  window.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey) return;
    const keys = {
      ArrowLeft: () => pan(-PAN_STEP, 0),
      ArrowRight: () => pan(PAN_STEP, 0),
      ArrowUp: () => pan(0, -PAN_STEP),
      ArrowDown: () => pan(0, PAN_STEP),
      '+': () => zoomCentre(-ZOOM_STEP),
      '=': () => zoomCentre(-ZOOM_STEP),
      '-': () => zoomCentre(ZOOM_STEP),
      '_': () => zoomCentre(ZOOM_STEP),
      '0': () => { fit(); changed(); },
      d: () => { state.dxt1 = !state.dxt1 && anyDxt1; changed(); },
      o: () => { state.overlay = !state.overlay; changed(); },
    };
    const action = keys[e.key];
    if (!action) return;
    e.preventDefault();
    action();
  });

  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();
    const pixels = e.deltaMode === 1 ? e.deltaY * 33 : e.deltaMode === 2 ? e.deltaY * 400 : e.deltaY;
    const r = canvas.getBoundingClientRect();
    zoomAt(pixels / WHEEL_PER_LEVEL, e.clientX - r.left, e.clientY - r.top);
  }, { passive: false });

  let drag = null;
  canvas.addEventListener('pointerdown', (e) => {
    drag = { x: e.clientX, y: e.clientY };
    canvas.setPointerCapture(e.pointerId);
    canvas.classList.add('dragging');
    canvas.focus();
  });
  canvas.addEventListener('pointermove', (e) => {
    if (!drag) return;
    pan(drag.x - e.clientX, drag.y - e.clientY);
    drag = { x: e.clientX, y: e.clientY };
  });
  const endDrag = () => {
    drag = null;
    canvas.classList.remove('dragging');
  };
  canvas.addEventListener('pointerup', endDrag);
  canvas.addEventListener('pointercancel', endDrag);

  document.getElementById('zoom-in').addEventListener('click', () => zoomCentre(-ZOOM_STEP));
  document.getElementById('zoom-out').addEventListener('click', () => zoomCentre(ZOOM_STEP));
  document.getElementById('fit').addEventListener('click', () => { fit(); changed(); });
  dxt1Box.addEventListener('change', () => { state.dxt1 = dxt1Box.checked && anyDxt1; changed(); });
  overlayBox.addEventListener('change', () => { state.overlay = overlayBox.checked; changed(); });

  // An address typed or followed (a link to a view) replaces the view; the
  // address this page wrote itself does not.
  window.addEventListener('hashchange', () => {
    if (location.hash.slice(1) === writtenHash) return;
    readAddress();
    changed();
  });
  window.addEventListener('resize', requestDraw);

  readAddress();
  changed();
  canvas.focus();
})();
