// SPDX-License-Identifier: MIT
// Cells in colour as pixels: a code (of 256 or 512 glyphs of any height), a foreground and a
// background from the palette, and blinking, drawn 8 or 9 pixels wide as VGA draws them.
/* global InkPainter */

class CellPainter {
  #columns;
  #rows;
  #cells;
  #height;
  #glyphs;
  #cellWidth;
  #font;
  #palette;
  #blinks;

  // `meta` the page's table of contents, `font` the glyphs' rows, `height` bytes each.
  constructor(meta, font) {
    this.#columns = meta.columns;
    this.#rows = meta.rows;
    this.#cells = meta.columns * meta.rows;
    this.#height = meta.fontHeight;
    this.#glyphs = Math.min(meta.glyphs, Math.floor(font.length / meta.fontHeight));
    this.#cellWidth = meta.letterSpacing === 9 ? 9 : 8;
    this.#font = font;
    this.#palette = Uint32Array.from(meta.palette, InkPainter.abgr);
    this.#blinks = !!meta.blinks;
  }

  get width() { return this.#columns * this.#cellWidth; }
  get rows() { return this.#rows; }
  get rowHeight() { return this.#height; }
  // Six planes of a byte a cell: code, its ninth bit and blinking, foreground, background (two each).
  get frameBytes() { return this.#cells * 6; }
  get blinks() { return this.#blinks; }

  #colour(index) {
    return index < this.#palette.length ? this.#palette[index] : 0xff000000;
  }

  // Rows [top, top + count) of the frame whose planes start at `offset` in `frames`, into `pixels`;
  // blinking cells show their glyph when `lit`.
  paint(pixels, frames, offset, top, count, lit) {
    const n = this.#cells, width = this.width, height = this.#height, cellWidth = this.#cellWidth;
    const font = this.#font;
    for (let row = top; row < top + count; row++) {
      for (let column = 0; column < this.#columns; column++) {
        const at = offset + row * this.#columns + column;
        const flags = frames[at + n];
        const code = frames[at] | ((flags & 1) << 8);
        const ink = this.#colour(frames[at + 2 * n] | (frames[at + 3 * n] << 8));
        const paper = this.#colour(frames[at + 4 * n] | (frames[at + 5 * n] << 8));
        const shown = code < this.#glyphs && (lit || !(flags & 2));
        const low = code & 0xff, ninth = cellWidth === 9 && low >= 0xc0 && low <= 0xdf;
        let p = (row - top) * height * width + column * cellWidth;
        for (let y = 0; y < height; y++, p += width) {
          const bits = shown ? font[code * height + y] : 0;
          for (let x = 0; x < 8; x++) pixels[p + x] = bits & (0x80 >> x) ? ink : paper;
          if (cellWidth === 9) pixels[p + 8] = ninth && bits & 1 ? ink : paper;
        }
      }
    }
  }
}
