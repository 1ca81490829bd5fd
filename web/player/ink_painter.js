// SPDX-License-Identifier: MIT
// Our own frames' cells as pixels: 80x30 character codes drawn with the animation's 8x16 glyphs, ink
// on paper; codes 128-255 are the inverse video of 0-127.
/* global KVQ_SHARED */

class InkPainter {
  static COLUMNS = 80;
  static ROWS = 30;

  #patterns = new Uint32Array(256 * 8);
  #glyphRows = new Uint8Array(256 * 16);

  // `font`: the 128 glyphs' 16 rows each.
  constructor(font) {
    this.#glyphRows.set(font, 0);
    for (let i = 0; i < 128 * 16; i++) this.#glyphRows[128 * 16 + i] = ~this.#glyphRows[i] & 0xff;
    const ink = InkPainter.abgr(KVQ_SHARED.inkColour), paper = InkPainter.abgr(KVQ_SHARED.paperColour);
    for (let bits = 0; bits < 256; bits++) {
      for (let x = 0; x < 8; x++) this.#patterns[bits * 8 + x] = bits & (0x80 >> x) ? ink : paper;
    }
  }

  // 0xAABBGGRR: ImageData's bytes seen through a little-endian Uint32Array.
  static abgr(rgb) {
    return (0xff000000 | ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >>> 16) & 0xff)) >>> 0;
  }

  get width() { return InkPainter.COLUMNS * 8; }
  get rows() { return InkPainter.ROWS; }
  get rowHeight() { return 16; }
  get frameBytes() { return InkPainter.COLUMNS * InkPainter.ROWS; }
  get blinks() { return false; }

  // Rows [top, top + count) of the frame whose codes start at `offset` in `frames`, into `pixels`.
  paint(pixels, frames, offset, top, count) {
    const WIDTH = this.width, COLUMNS = InkPainter.COLUMNS;
    const rows = this.#glyphRows, patterns = this.#patterns;
    for (let row = top; row < top + count; row++) {
      for (let column = 0; column < COLUMNS; column++) {
        const glyph = frames[offset + row * COLUMNS + column] * 16;
        let at = (row - top) * 16 * WIDTH + column * 8;
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
  }
}
