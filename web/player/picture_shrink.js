// SPDX-License-Identifier: MIT
// A picture made smaller by averaging: each pixel shown is the mean of the picture's pixels it
// covers, in the share that it covers them, so that no row or column of the picture is dropped.

class PictureShrink {
  #width;
  #height;
  #image;
  #across;
  #down;
  #sums;

  // From `width` x `height` pixels to the size of `image` (an ImageData no larger).
  constructor(width, height, image) {
    this.#width = width;
    this.#height = height;
    this.#image = image;
    this.#across = PictureShrink.#spans(width, image.width);
    this.#down = PictureShrink.#spans(height, image.height);
    this.#sums = new Float32Array(image.width * height * 3);
  }

  get image() { return this.#image; }

  // For each of `to` pixels along a side of `from`: the source pixels it covers and the share of each.
  static #spans(from, to) {
    const step = from / to, spans = [];
    for (let i = 0; i < to; i++) {
      const start = i * step, end = start + step, parts = [];
      for (let j = Math.floor(start); j < Math.min(from, Math.ceil(end)); j++) {
        parts.push(j, (Math.min(end, j + 1) - Math.max(start, j)) / step);
      }
      spans.push(parts);
    }
    return spans;
  }

  // `pixels`: the picture, 0xAABBGGRR. Across each row first, then down each column.
  shrink(pixels) {
    const sums = this.#sums, out = this.#image.data, shownWidth = this.#image.width;
    for (let y = 0; y < this.#height; y++) {
      for (let x = 0; x < shownWidth; x++) {
        const parts = this.#across[x], at = (y * shownWidth + x) * 3;
        sums[at] = sums[at + 1] = sums[at + 2] = 0;
        for (let k = 0; k < parts.length; k += 2) {
          const pixel = pixels[y * this.#width + parts[k]], share = parts[k + 1];
          for (let c = 0; c < 3; c++) sums[at + c] += ((pixel >>> (8 * c)) & 0xff) * share;
        }
      }
    }
    for (let y = 0; y < this.#down.length; y++) {
      const parts = this.#down[y];
      for (let x = 0; x < shownWidth; x++) {
        const to = (y * shownWidth + x) * 4;
        for (let c = 0; c < 3; c++) {
          let sum = 0;
          for (let k = 0; k < parts.length; k += 2) sum += sums[(parts[k] * shownWidth + x) * 3 + c] * parts[k + 1];
          out[to + c] = Math.round(sum);
        }
        out[to + 3] = 255;
      }
    }
  }
}
