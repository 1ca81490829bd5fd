// SPDX-License-Identifier: MIT
// Pages of the scene's art: cells in colour, typed out at a baud, blinking, and taller than the
// picture, against kvq render's picture of the same moment; and our own frames' pages as they were.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const kit = require("./page_kit.js");
const { decodeLzma } = require("../lzma_decoder.js");

test.before(kit.launch);
test.after(kit.finish);

// A piece of ANSI art from text with escapes (\x1b) and CP437 bytes (\xNN).
function ansi(name, text) {
  fs.writeFileSync(path.join(kit.work, name), Buffer.from(text, "latin1"));
  return path.join(kit.work, name);
}

// kvq render's picture of `file` with `options`, as RGB bytes and its size.
function renderedArt(file, ...options) {
  const png = path.join(kit.work, "art.png");
  kit.kvq("render", file, ...options, "-o", png);
  const [width, height] = execFileSync("identify", ["-format", "%w %h", png]).toString().split(" ").map(Number);
  return { width, height, rgb: execFileSync("convert", [png, "-depth", "8", "rgb:-"], { maxBuffer: 1 << 26 }) };
}

// The page of `file` (with the piece's own font) exported with `options`.
function exportArt(file, name, ...options) {
  kit.kvq("export", file, "-o", path.join(kit.work, name), ...options);
  return path.join(kit.work, name);
}

// Rows [top, top + height) of a picture.
function rows(picture, top, height) {
  const stride = picture.width * 3;
  return { width: picture.width, height, rgb: picture.rgb.subarray(top * stride, (top + height) * stride) };
}

// Colours, bold, blinking, backgrounds, cursor moves, line drawing for the ninth column, and more
// lines than the screen's 25, so that typing it out scrolls.
function typedPiece() {
  let text = "\x1b[2J\x1b[1;33;44m Title \x1b[0m \x1b[5;31;47mblinks\x1b[0m \x1b[36m\xc4\xc4\xc5\xc4\xb3\xdb\xb0\xb1\xb2\r\n";
  for (let line = 1; line < 32; line++) {
    text += `\x1b[${30 + (line % 8)};${40 + ((line * 3) % 8)}${line % 2 ? ";1" : ""}mline ${line} \xda\xc4\xbf\x1b[0m`;
    text += `\x1b[${line % 5}C\x1b[35m*\x1b[s\x1b[2A\x1b[u+\r\n`;
  }
  return ansi("typed.ans", text + "\x1b[5;1H\x1b[1;32mover\x1b[K");
}

test("a piece typed out, paused at a time, is kvq render's picture of that time, 9 pixels a cell", async () => {
  const piece = typedPiece();
  const page = await kit.open(exportArt(piece, "typed.html", "--baud", "2400", "--letter-spacing", "9"));
  await page.evaluate(() => { window.kvqPlayer.play(); window.kvqPlayer.pause(); });
  const frames = await page.evaluate(() => Math.round(window.kvqPlayer.duration * 24));
  // Times in the lit half of VGA's blink (16 of 32 refreshes at 70 Hz), as kvq render shows
  // blinking cells; the last such frame among them.
  const lit = (seconds) => Math.floor((seconds * 70) / 16) % 2 === 0;
  let last = frames - 1;
  while (!lit(last / 24)) last--;
  for (const seconds of [0.1, 0.5, 1, 2, 4.3, last / 24]) {
    assert.ok(lit(seconds), `${seconds} s is in the lit half`);
    const frame = Math.floor(seconds * 24 + 1e-9);
    await page.evaluate((t) => window.kvqPlayer.seek(t), seconds);
    await kit.waitFor(page, (f) => window.kvqPlayer.frame === f, frame);
    const expected = renderedArt(piece, "--baud", "2400", "--time", String(seconds), "--letter-spacing", "9");
    assert.equal(kit.firstDifference(await kit.canvasPicture(page), expected), null, `at ${seconds} s`);
  }
  // In the dark half the blinking cells show their background alone (white, 7), and nothing else differs.
  await page.evaluate(() => window.kvqPlayer.seek(1.3));
  await kit.waitFor(page, () => window.kvqPlayer.frame === 31);
  const dark = await kit.canvasPicture(page);
  const shownLit = renderedArt(piece, "--baud", "2400", "--time", "1.3", "--letter-spacing", "9");
  let changed = 0;
  for (let i = 0; i < dark.rgb.length; i += 3) {
    if (dark.rgb[i] === shownLit.rgb[i] && dark.rgb[i + 1] === shownLit.rgb[i + 1] && dark.rgb[i + 2] === shownLit.rgb[i + 2]) continue;
    changed++;
    assert.deepEqual([...dark.rgb.subarray(i, i + 3)], [0xaa, 0xaa, 0xaa], `pixel ${i / 3} in the blink's dark half`);
  }
  assert.ok(changed > 0, "the blinking cells went dark");
  assert.deepEqual(page.errors, []);
});

test("a piece taller than the picture scrolls inside it with the keys, row by row and page by page", async () => {
  let text = "";
  for (let line = 0; line < 70; line++) text += `\x1b[${31 + (line % 7)}m${String(line).padStart(3, "0")} ${"\xdb".repeat(line % 60)}\r\n`;
  const piece = ansi("tall.ans", text);
  const whole = renderedArt(piece);
  assert.equal(whole.height, 70 * 16);
  const page = await kit.open(exportArt(piece, "tall.html"));
  await page.focus("#kvq");
  const shows = async (key, top) => {
    if (key) await page.keyboard.press(key);
    assert.equal(await page.evaluate(() => window.kvqPlayer.top), top, `${key}: the first row`);
    assert.equal(kit.firstDifference(await kit.canvasPicture(page), rows(whole, top * 16, 480)), null, `${key}: rows from ${top}`);
  };
  await shows(null, 0);
  await shows("ArrowDown", 1);
  await shows("PageDown", 31);
  await shows("End", 40);
  await shows("ArrowDown", 40);
  await shows("ArrowUp", 39);
  await shows("PageUp", 9);
  await shows("Home", 0);
  assert.deepEqual(page.errors, []);
});

test("an XBIN of 512 glyphs 8 rows high and its own palette, tall and with a soundtrack, is drawn as kvq render draws it", async () => {
  // 20 columns of 8 pixels (160 wide: 15 rows of 8 shown at 4:3) by 40 rows; no blinking (non-blink flag).
  const columns = 20, lines = 40, height = 8;
  const header = Buffer.from([0x58, 0x42, 0x49, 0x4e, 0x1a, columns, 0, lines, 0, height, 0x01 | 0x02 | 0x08 | 0x10]);
  const palette = Buffer.from(Array.from({ length: 48 }, (_, i) => (i * 23 + 5) % 64));
  const font = Buffer.from(Array.from({ length: 512 * height }, (_, i) => (i * 37 + (i >> 7) * 11) & 0xff));
  const cells = Buffer.alloc(columns * lines * 2);
  for (let i = 0; i < columns * lines; i++) {
    cells[2 * i] = (i * 7) & 0xff;
    cells[2 * i + 1] = ((i * 5) & 0xff) ^ (i & 8 ? 0x08 : 0);  // the foreground's bit 3: the second 256 glyphs
  }
  fs.writeFileSync(path.join(kit.work, "tall.xb"), Buffer.concat([header, palette, font, cells]));
  const piece = path.join(kit.work, "tall.xb");
  const whole = renderedArt(piece);
  assert.deepEqual([whole.width, whole.height], [160, 320]);
  const page = await kit.open(exportArt(piece, "xbin.html", "--audio", kit.tone("xbin", 2)));
  // A still piece plays as long as its soundtrack, its one picture all along.
  assert.equal(await page.evaluate(() => window.kvqPlayer.duration), 2);
  assert.equal(kit.firstDifference(await kit.canvasPicture(page), rows(whole, 0, 120)), null, "the first 15 rows");
  await page.evaluate(() => window.kvqPlayer.seek(1.5));
  await page.evaluate(() => { window.kvqPlayer.top = 25; });
  assert.equal(await page.evaluate(() => window.kvqPlayer.top), 25);
  assert.equal(kit.firstDifference(await kit.canvasPicture(page), rows(whole, 200, 120)), null, "the last 15 rows, 1.5 s in");
  assert.deepEqual(page.errors, []);
});

test("our own frames' page keeps its two-colour data: the codes alone, packed as before", () => {
  const frames = kit.makeAnimation("plain.kvq", 200, 0);
  const html = fs.readFileSync(kit.exportPage(frames, "plain.html"));
  const metaAt = html.indexOf('id="kvq-meta"');
  const meta = JSON.parse(html.subarray(html.indexOf(">", metaAt) + 1, html.indexOf("</script>", metaAt)).toString("latin1"));
  assert.equal(meta.format, 1);
  assert.equal(meta.palette, undefined);
  const dataAt = html.indexOf('id="kvq-data">') + 'id="kvq-data">'.length;
  const [start, end, properties] = meta.chunks[0];
  const escaped = html.subarray(dataAt + start, dataAt + end), packed = [];
  for (let i = 0; i < escaped.length; i++) packed.push(escaped[i] === 0x3d ? [0, 13, 60, 61][escaped[++i] - 48] : escaped[i]);
  const unpacked = decodeLzma(properties, Uint8Array.from(packed), 0, packed.length, 192 * kit.CELLS);
  assert.equal(Buffer.compare(Buffer.from(unpacked), fs.readFileSync(frames).subarray(0, 192 * kit.CELLS)), 0);
});

test("the page's own code, everything but its data, stays under 45 kB", () => {
  const html = fs.readFileSync(kit.exportPage(kit.makeAnimation("one.kvq", 1, 0), "one.html"));
  let data = 0;
  for (const id of ["kvq-meta", "kvq-head", "kvq-data"]) {
    const at = html.indexOf(">", html.indexOf(`id="${id}"`)) + 1;
    data += html.indexOf("</script>", at) - at;
  }
  assert.ok(html.length - data < 45000, `${html.length - data} bytes of code`);
});
