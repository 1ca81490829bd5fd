// SPDX-License-Identifier: MIT
// The page's picture shown smaller than its pixels: averaged, never with rows of the picture dropped.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const kit = require("./page_kit.js");

test.before(kit.launch);
test.after(kit.finish);

// The screen's pixels as RGB bytes.
async function screen(page) {
  return execFileSync("convert", ["png:-", "-depth", "8", "rgb:-"], { input: await page.screenshot(), maxBuffer: 1 << 26 });
}

function meanRed(rgb, width, box) {
  let sum = 0;
  for (let y = box.top; y < box.top + box.height; y++) {
    for (let x = box.left; x < box.left + box.width; x++) sum += rgb[(y * width + x) * 3];
  }
  return sum / (box.width * box.height);
}

test("below 1x the picture is averaged: a line one pixel high in every glyph still shows", async () => {
  // Every glyph is paper but for its second row, which 400x300 (0.625x) sampled pixel by pixel would
  // skip in every glyph: the picture would be paper alone.
  const font = Buffer.alloc(8192);
  for (let code = 0; code < 256; code++) font[code * 32 + 1] = 0xff;
  fs.writeFileSync(path.join(kit.work, "font"), font);
  fs.writeFileSync(path.join(kit.work, "lines.kvq"), Buffer.alloc(kit.CELLS, 0x41));
  const file = kit.exportPage(path.join(kit.work, "lines.kvq"), "lines.html");
  const full = kit.rendered(path.join(kit.work, "lines.kvq"), 0);
  const expected = meanRed(full, 640, { left: 0, top: 0, width: 640, height: 480 });
  const page = await kit.open(file, { width: 400, height: 300 });
  await page.evaluate(() => { window.kvqPlayer.play(); window.kvqPlayer.pause(); });
  await page.mouse.move(0, 299);
  await page.evaluate(() => document.querySelector(".kvq-bar").remove());
  const shot = await screen(page);
  // Rows of glyphs are 10 screen rows high: each band of ten carries its line's share.
  for (let band = 0; band < 30; band++) {
    const mean = meanRed(shot, 400, { left: 0, top: band * 10, width: 400, height: 10 });
    assert.ok(Math.abs(mean - expected) < 3, `glyph row ${band}: mean red ${mean}, the picture's ${expected}`);
  }
  assert.deepEqual(page.errors, []);
});
