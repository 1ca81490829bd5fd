// SPDX-License-Identifier: MIT
// Cells as pixels. In colour: a code (of 256 or 512 glyphs of any height), a foreground and a
// background from the palette, and blinking, drawn 8 or 9 pixels wide as VGA draws them. Our own
// frames: 80x30 codes in ink on paper with 8x16 glyphs, codes 128-255 the inverse of 0-127.
/* global KVQ_SHARED */

class CellPainter {
  #codesOnly;
  #columns;
  #rows;
  #cells;
  #height;
  #glyphs;
  #cellWidth;
  #font;
  #palette;
  #blinks;

  // `meta` the page's table of contents, `font` the glyphs' rows, `height` bytes each (our own
  // frames: the 128 glyphs' 16 rows).
  constructor(meta, font) {
    this.#codesOnly = meta.format !== 2;
    if (this.#codesOnly) {
      const both = new Uint8Array(256 * 16);
      both.set(font, 0);
      for (let i = 0; i < 128 * 16; i++) both[128 * 16 + i] = ~font[i] & 0xff;
      font = both;
      meta = { columns: 80, rows: 30, fontHeight: 16, glyphs: 256, palette: [KVQ_SHARED.paperColour, KVQ_SHARED.inkColour] };
    }
    this.#columns = meta.columns;
    this.#rows = meta.rows;
    this.#cells = meta.columns * meta.rows;
    this.#height = meta.fontHeight;
    this.#glyphs = Math.min(meta.glyphs, Math.floor(font.length / meta.fontHeight));
    this.#cellWidth = meta.letterSpacing === 9 ? 9 : 8;
    this.#font = font;
    // 0xAABBGGRR: ImageData's bytes seen through a little-endian Uint32Array.
    this.#palette = Uint32Array.from(meta.palette,
      (rgb) => (0xff000000 | ((rgb & 0xff) << 16) | (rgb & 0xff00) | ((rgb >>> 16) & 0xff)) >>> 0);
    this.#blinks = !!meta.blinks;
  }

  get width() { return this.#columns * this.#cellWidth; }
  get rows() { return this.#rows; }
  get rowHeight() { return this.#height; }
  // In colour, six planes of a byte a cell: code, its ninth bit and blinking, foreground and
  // background (two each); our own frames, the codes alone.
  get frameBytes() { return this.#codesOnly ? this.#cells : this.#cells * 6; }
  get blinks() { return this.#blinks; }

  #colour(index) {
    return index < this.#palette.length ? this.#palette[index] : 0xff000000;
  }

  // Rows [top, top + count) of the frame that starts at `offset` in `frames`, into `pixels`;
  // blinking cells show their glyph when `lit`.
  paint(pixels, frames, offset, top, count, lit) {
    const n = this.#cells, width = this.width, height = this.#height, cellWidth = this.#cellWidth;
    const font = this.#font, codesOnly = this.#codesOnly;
    for (let row = top; row < top + count; row++) {
      for (let column = 0; column < this.#columns; column++) {
        const at = offset + row * this.#columns + column;
        const flags = codesOnly ? 0 : frames[at + n];
        const code = frames[at] | ((flags & 1) << 8);
        const ink = codesOnly ? this.#palette[1] : this.#colour(frames[at + 2 * n] | (frames[at + 3 * n] << 8));
        const paper = codesOnly ? this.#palette[0] : this.#colour(frames[at + 4 * n] | (frames[at + 5 * n] << 8));
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
