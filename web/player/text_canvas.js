// SPDX-License-Identifier: MIT
// The picture: a painter's cells drawn into a canvas of the picture's width, as many rows as fit at
// 4:3 (a taller picture scrolls inside it), fitted into its box as the full-screen player fits its
// window: sharp at whole multiples, averaged below 1x. Blinking cells blink at VGA's rate, by the
// frame's time, or by the clock for a still piece.
/* global KVQ_SHARED, PictureShrink */

class TextCanvas {
  #painter;
  #picture;
  #canvas;
  #context;
  #image;
  #pixels;
  #viewRows;
  #top = 0;
  #frames = null;
  #offset = 0;
  #lit = true;
  #byClock = false;
  #blinkTimer = 0;
  #shown;  // the canvas shown below 1x: the picture averaged to the screen's pixels
  #shrink = null;

  constructor(painter, label) {
    this.#painter = painter;
    const fitting = Math.floor((painter.width * 3) / 4 / painter.rowHeight);
    this.#viewRows = Math.max(1, Math.min(painter.rows, fitting));
    this.#picture = document.createElement("div");
    this.#picture.className = "kvq-picture";
    this.#picture.setAttribute("role", "img");
    this.#picture.setAttribute("aria-label", label);
    this.#canvas = document.createElement("canvas");
    this.#canvas.width = painter.width;
    this.#canvas.height = this.#viewRows * painter.rowHeight;
    this.#shown = document.createElement("canvas");
    this.#shown.hidden = true;
    this.#picture.append(this.#canvas, this.#shown);
    this.#context = this.#canvas.getContext("2d", { alpha: false });
    this.#image = this.#context.createImageData(this.#canvas.width, this.#canvas.height);
    this.#pixels = new Uint32Array(this.#image.data.buffer);
  }

  get element() { return this.#picture; }
  get frameBytes() { return this.#painter.frameBytes; }
  get viewRows() { return this.#viewRows; }
  get scrollRows() { return this.#painter.rows - this.#viewRows; }
  get top() { return this.#top; }

  // Whether blinking cells show their glyph `seconds` in: lit for the first 16 of every 32 refreshes.
  static lit(seconds) {
    return !(seconds > 0) ||
      Math.floor((seconds * KVQ_SHARED.blinkRefreshHz) / KVQ_SHARED.blinkRefreshesPerHalf) % 2 === 0;
  }

  // The frame whose cells start at `offset` in `frames`, at `seconds` into the animation (null: a
  // still piece, which blinks by the clock).
  draw(frames, offset, seconds) {
    this.#frames = frames;
    this.#offset = offset;
    this.#byClock = seconds === null;
    this.#lit = TextCanvas.lit(this.#byClock ? performance.now() / 1000 : seconds);
    if (this.#byClock && this.#painter.blinks && !this.#blinkTimer) {
      this.#blinkTimer = setInterval(() => {
        const lit = TextCanvas.lit(performance.now() / 1000);
        if (lit !== this.#lit) {
          this.#lit = lit;
          this.#paint();
        }
      }, 20);
    }
    this.#paint();
  }

  // The first row shown, within the picture.
  scrollTo(row) {
    const top = Math.max(0, Math.min(this.scrollRows, Math.round(Number(row) || 0)));
    if (top === this.#top) return;
    this.#top = top;
    if (this.#frames) this.#paint();
  }

  #paint() {
    this.#painter.paint(this.#pixels, this.#frames, this.#offset, this.#top, this.#viewRows, this.#lit);
    this.#context.putImageData(this.#image, 0, 0);
    if (!this.#shown.hidden) {
      this.#shrink.shrink(this.#pixels);
      this.#shown.getContext("2d").putImageData(this.#shrink.image, 0, 0);
    }
  }

  // The picture fills `box` keeping its shape; whole multiples of its pixels where they nearly fit,
  // so that at 1x, 2x and 3x every pixel is the same size. Below 1x the screen's pixels are drawn
  // one for one, each the average of the picture's under it.
  fit(box, ratio) {
    const sourceWidth = this.#canvas.width, sourceHeight = this.#canvas.height;
    let scale = Math.min(box.width / sourceWidth, box.height / sourceHeight);
    const whole = Math.floor(scale * ratio);
    if (whole >= 1 && scale * ratio - whole < 0.05 * whole) scale = whole / ratio;
    const width = sourceWidth * scale, height = sourceHeight * scale;
    Object.assign(this.#picture.style, {
      width: width + "px", height: height + "px",
      left: Math.round(((box.width - width) / 2) * ratio) / ratio + "px",
      top: Math.round(((box.height - height) / 2) * ratio) / ratio + "px",
    });
    const smaller = scale * ratio < 1;
    this.#canvas.hidden = smaller;
    this.#shown.hidden = !smaller;
    if (!smaller) return;
    const shownWidth = Math.max(1, Math.round(width * ratio)), shownHeight = Math.max(1, Math.round(height * ratio));
    if (!this.#shrink || this.#shown.width !== shownWidth || this.#shown.height !== shownHeight) {
      this.#shown.width = shownWidth;
      this.#shown.height = shownHeight;
      const image = this.#shown.getContext("2d", { alpha: false }).createImageData(shownWidth, shownHeight);
      this.#shrink = new PictureShrink(sourceWidth, sourceHeight, image);
    }
    if (this.#frames) this.#paint();
  }
}
