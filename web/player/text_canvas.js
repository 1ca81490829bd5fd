// SPDX-License-Identifier: MIT
// The picture: 80x30 character codes drawn with the animation's 8x16 glyphs, ink on paper, into a
// 640x480 canvas, and that canvas fitted into its box as the full-screen player fits its window.
/* global KVQ_SHARED */

class TextCanvas {
  static WIDTH = 640;
  static HEIGHT = 480;
  static COLUMNS = 80;
  static ROWS = 30;
  static CELLS = 80 * 30;

  #canvas;
  #context;
  #image;
  #pixels;
  #patterns = new Uint32Array(256 * 8);
  #glyphRows = new Uint8Array(256 * 16);

  // `font`: the 128 glyphs' 16 rows each; codes 128-255 are their inverse video.
  constructor(font, label) {
    this.#glyphRows.set(font, 0);
    for (let i = 0; i < 128 * 16; i++) this.#glyphRows[128 * 16 + i] = ~this.#glyphRows[i] & 0xff;
    // 0xAABBGGRR: ImageData's bytes seen through a little-endian Uint32Array.
    const abgr = (rgb) => (0xff000000 | ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >>> 16) & 0xff)) >>> 0;
    const ink = abgr(KVQ_SHARED.inkColour), paper = abgr(KVQ_SHARED.paperColour);
    for (let bits = 0; bits < 256; bits++) {
      for (let x = 0; x < 8; x++) this.#patterns[bits * 8 + x] = bits & (0x80 >> x) ? ink : paper;
    }
    this.#canvas = document.createElement("canvas");
    this.#canvas.width = TextCanvas.WIDTH;
    this.#canvas.height = TextCanvas.HEIGHT;
    this.#canvas.setAttribute("role", "img");
    this.#canvas.setAttribute("aria-label", label);
    this.#context = this.#canvas.getContext("2d", { alpha: false });
    this.#image = this.#context.createImageData(TextCanvas.WIDTH, TextCanvas.HEIGHT);
    this.#pixels = new Uint32Array(this.#image.data.buffer);
  }

  get element() {
    return this.#canvas;
  }

  // The frame whose codes start at `offset` in `frames`.
  draw(frames, offset) {
    const WIDTH = TextCanvas.WIDTH, COLUMNS = TextCanvas.COLUMNS;
    const pixels = this.#pixels, rows = this.#glyphRows, patterns = this.#patterns;
    for (let row = 0; row < TextCanvas.ROWS; row++) {
      for (let column = 0; column < COLUMNS; column++) {
        const glyph = frames[offset + row * COLUMNS + column] * 16;
        let at = row * 16 * WIDTH + column * 8;
        for (let y = 0; y < 16; y++, at += WIDTH) {
          const p = rows[glyph + y] * 8;
          pixels[at] = patterns[p];
          pixels[at + 1] = patterns[p + 1];
          pixels[at + 2] = patterns[p + 2];
          pixels[at + 3] = patterns[p + 3];
          pixels[at + 4] = patterns[p + 4];
          pixels[at + 5] = patterns[p + 5];
          pixels[at + 6] = patterns[p + 6];
          pixels[at + 7] = patterns[p + 7];
        }
      }
    }
    this.#context.putImageData(this.#image, 0, 0);
  }

  // The picture fills `box` at 4:3; whole multiples of its pixels where they nearly fit, so that at
  // 1x, 2x and 3x every pixel is the same size.
  fit(box, ratio) {
    let scale = Math.min(box.width / TextCanvas.WIDTH, box.height / TextCanvas.HEIGHT);
    const whole = Math.floor(scale * ratio);
    if (whole >= 1 && scale * ratio - whole < 0.05 * whole) scale = whole / ratio;
    const width = TextCanvas.WIDTH * scale, height = TextCanvas.HEIGHT * scale;
    Object.assign(this.#canvas.style, {
      width: width + "px", height: height + "px",
      left: Math.round(((box.width - width) / 2) * ratio) / ratio + "px",
      top: Math.round(((box.height - height) / 2) * ratio) / ratio + "px",
    });
  }
}
