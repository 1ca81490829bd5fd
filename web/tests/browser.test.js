// SPDX-License-Identifier: MIT
// The page that `kvq export show.html` writes, in a real browser (Debian's chromium, headless):
// its pixels against `kvq render`, its requests, its keys, its clock against the sound, and what
// it says of a damaged page. KVQ names the kvq program (default build/kvq); CHROMIUM the browser (default
// /usr/bin/chromium).
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const { execFileSync } = require("node:child_process");

const {
  work, makeAnimation, exportPage, tone, rendered, waitFor, launch, finish, open, showFrame, canvasRgb, firstDifference,
} = require("./page_kit.js");
let browser;

test.before(async () => {
  browser = await launch();
});
test.after(finish);

test("every pixel is kvq render's: a random font, inverse codes, the partial last frame, at 1x and 2x", async () => {
  const frames = makeAnimation("pixels.kvq", 400, 1000);  // 400 frames: chunks end inside it
  const page = await open(exportPage(frames, "pixels.html"));
  await page.evaluate(() => { window.kvqPlayer.play(); window.kvqPlayer.pause(); });  // the poster's button gone
  for (const frame of [0, 1, 191, 192, 399, 400]) {
    await showFrame(page, frame);
    assert.equal(firstDifference(await canvasRgb(page), rendered(frames, frame)), null, `frame ${frame}`);
  }
  // What the screen shows at 1x, above the control bar.
  await page.mouse.move(320, 100);
  const shot = execFileSync("convert", ["png:-", "-depth", "8", "rgb:-"], { input: await page.screenshot(), maxBuffer: 1 << 26 });
  const rows = 400 * 640 * 3;
  assert.equal(firstDifference(shot.subarray(0, rows), rendered(frames, 400).subarray(0, rows)), null, "screen at 1x");
  // At 2x every pixel is a 2x2 block of one colour.
  const big = await open(exportPage(frames, "pixels.html"), { width: 1280, height: 960 });
  await big.evaluate(() => { window.kvqPlayer.play(); window.kvqPlayer.pause(); });
  await showFrame(big, 7);
  const shot2 = execFileSync("convert", ["png:-", "-depth", "8", "rgb:-"], { input: await big.screenshot(), maxBuffer: 1 << 26 });
  const small = rendered(frames, 7);
  for (let y = 0; y < 400; y++) {
    for (let x = 0; x < 640; x++) {
      for (const [dx, dy] of [[0, 0], [1, 0], [0, 1], [1, 1]]) {
        const at = ((2 * y + dy) * 1280 + 2 * x + dx) * 3, from = (y * 640 + x) * 3;
        if (shot2[at] !== small[from] || shot2[at + 1] !== small[from + 1] || shot2[at + 2] !== small[from + 2]) {
          assert.fail(`2x: screen pixel (${2 * x + dx}, ${2 * y + dy}) is not source pixel (${x}, ${y})`);
        }
      }
    }
  }
  assert.deepEqual(page.errors, []);
});

test("the page asks for nothing but its own file, and forbids connections", async () => {
  const frames = makeAnimation("requests.kvq", 48, 0);
  execFileSync("sox", ["-n", "-r", "44100", "-c", "2", path.join(work, "tone.wav"), "synth", "3", "sine", "440"]);
  execFileSync("lame", ["--quiet", path.join(work, "tone.wav"), path.join(work, "tone.mp3")]);
  const file = exportPage(frames, "requests.html", "--audio", path.join(work, "tone.mp3"), "--title", "<img src=x onerror=alert(1)> {{data}}");
  const html = fs.readFileSync(file, "latin1");
  assert.match(html, /Content-Security-Policy" content="default-src 'none';[^"]*connect-src 'none'/);
  const page = await browser.newPage();
  const urls = [];
  page.on("request", (request) => urls.push(request.url()));
  await page.goto("file://" + file);
  await waitFor(page, () => document.getElementById("kvq").dataset.state === "ready");
  await page.evaluate(() => window.kvqPlayer.play());
  await waitFor(page, () => window.kvqPlayer.frame >= 24);
  const foreign = urls.filter((url) => !/^(file|data|blob):/.test(url));
  assert.deepEqual(foreign, []);
  // The title is text, never markup.
  assert.equal(await page.title(), "<img src=x onerror=alert(1)> {{data}}");
  assert.equal(await page.evaluate(() => document.querySelectorAll("img").length), 0);
});

test("each key moves the position as the review player's does, and the picture with it", async () => {
  const frames = makeAnimation("keys.kvq", 600, 0);  // 25 s
  const page = await open(exportPage(frames, "keys.html", "--audio", tone("keys", 4)));
  await waitFor(page, () => !!window.kvqPlayer.audioElement, null, 20000);
  await page.focus("#kvq");
  const state = () => page.evaluate(() => {
    const p = window.kvqPlayer;
    return { time: Math.round(p.currentTime * 24), paused: p.paused, speed: p.speed, loop: p.loop, muted: p.muted,
      heard: !p.audioElement.muted };
  });
  const press = async (key, expect, picture) => {
    await page.keyboard.press(key);
    const now = await state();
    for (const [name, value] of Object.entries(expect)) assert.equal(now[name], value, `${key}: ${name}`);
    if (expect.time !== undefined) await waitFor(page, (t) => window.kvqPlayer.frame === t, expect.time);
    if (picture) assert.equal(firstDifference(await canvasRgb(page), rendered(frames, expect.time)), null, `${key}: picture`);
  };
  await press("End", { time: 599 }, true);
  await press("Home", { time: 0 });
  await press("5", { time: 300 }, true);
  await press("ArrowRight", { time: 420 });
  await press("ArrowLeft", { time: 300 });
  await press("Shift+ArrowRight", { time: 360 });
  await press("Shift+ArrowLeft", { time: 300 });
  await press("Period", { time: 301, paused: true }, true);
  await press("Comma", { time: 300, paused: true }, true);
  await press("0", { time: 0 });
  await press("BracketRight", { speed: 1.5 });
  await press("BracketLeft", { speed: 1 });
  await press("BracketLeft", { speed: 0.5 });
  await press("KeyL", { loop: true });
  await press("KeyM", { muted: true });
  await press("Space", { paused: false });
  await waitFor(page, () => !window.kvqPlayer.audioElement.paused, null, 20000);
  assert.equal((await state()).heard, false, "M silences the soundtrack");
  await press("KeyM", { muted: false, heard: true });
  await press("KeyK", { paused: true });
  // The seek bar is a control of its own, reached with Tab and named.
  const named = await page.evaluate(() =>
    [...document.querySelectorAll("#kvq button, #kvq input")].map((e) => e.getAttribute("aria-label")));
  assert.ok(named.every((name) => name), `every control has a name: ${named}`);
});

test("the frame shown follows the soundtrack's clock, and events tell the rest", async () => {
  const frames = makeAnimation("clock.kvq", 720, 0);  // 30 s
  // 30 s at 320 kbit/s, as long as the frames so that it is not cut: over a megabyte, so that the
  // page unpacks it in more than one piece.
  execFileSync("sox", ["-n", "-r", "44100", "-c", "2", path.join(work, "long.wav"), "synth", "30", "sine", "440"]);
  execFileSync("lame", ["--quiet", "-b", "320", path.join(work, "long.wav"), path.join(work, "long.mp3")]);
  assert.ok(fs.statSync(path.join(work, "long.mp3")).size > 1.1 * (1 << 20));
  const page = await open(exportPage(frames, "clock.html", "--audio", path.join(work, "long.mp3")));
  assert.ok(fs.statSync(path.join(work, "clock.html")).size > 1.1 * (1 << 20), "the whole soundtrack is carried");
  await page.evaluate(() => {
    window.seen = [];
    window.shown = [];
    for (const name of ["play", "pause", "seeked", "ended"]) window.kvqPlayer.addEventListener(name, () => window.seen.push(name));
    window.kvqPlayer.addEventListener("frame", (event) => window.shown.push(event.detail.frame));
    window.kvqPlayer.play();
  });
  const sound = await waitFor(page, () => {
    const audio = window.kvqPlayer.audioElement;
    return audio && !audio.paused && audio.currentTime > 0.5;
  }, null, 20000);
  assert.ok(sound);
  // Slowed by the player, the sound plays at its speed, and the picture keeps to the sound.
  await page.evaluate(() => { window.kvqPlayer.speed = 0.5; });
  assert.equal(await page.evaluate(() => window.kvqPlayer.audioElement.playbackRate), 0.5);
  await page.waitForTimeout(3000);
  const [pictureSeconds, soundSeconds] = await page.evaluate(() =>
    [window.kvqPlayer.frame / 24, window.kvqPlayer.audioElement.currentTime]);
  assert.ok(Math.abs(pictureSeconds - soundSeconds) < 0.3, `picture ${pictureSeconds} s, sound ${soundSeconds} s`);
  // The sound slowed behind the player's back: a picture on its own clock would run ahead of it,
  // and one drawn back towards it must wait, never step back.
  await page.evaluate(() => { window.kvqPlayer.audioElement.playbackRate = 0.25; });
  await page.waitForTimeout(2000);
  const [picture, heard] = await page.evaluate(() =>
    [window.kvqPlayer.frame / 24, window.kvqPlayer.audioElement.currentTime]);
  assert.ok(Math.abs(picture - heard) < 0.3, `behind its back: picture ${picture} s, sound ${heard} s`);
  await page.evaluate(() => { window.kvqPlayer.speed = 4; });
  await waitFor(page, () => window.seen.includes("ended"), null, 20000);
  assert.equal(await page.evaluate(() => window.kvqPlayer.frame), 719);
  assert.deepEqual(await page.evaluate(() => window.seen), ["play", "pause", "ended"]);
  // Drawn towards a slower sound, the picture waits; it never steps back.
  const shown = await page.evaluate(() => window.shown);
  const back = shown.findIndex((frame, i) => i > 0 && frame < shown[i - 1]);
  assert.equal(back, -1, `frame ${shown[back]} after ${shown[back - 1]}`);
});

test("a damaged or cut page says so in a sentence, as does a browser that lacks a feature", async () => {
  const frames = makeAnimation("bad.kvq", 300, 0);
  const good = fs.readFileSync(exportPage(frames, "bad.html"));
  const dataAt = good.indexOf('id="kvq-data">') + 20;
  const damaged = Buffer.from(good);
  const at = Math.floor((dataAt + good.length) / 2);
  damaged[at] = damaged[at] === 0x41 ? 0x42 : 0x41;
  fs.writeFileSync(path.join(work, "damaged.html"), damaged);
  // A glyph's row changed: no decoder would notice, only the checksum.
  const glyphs = Buffer.from(good);
  let row = good.indexOf('id="kvq-head">') + 14 + 600;
  while (glyphs[row] === 0x3d || glyphs[row - 1] === 0x3d || glyphs[row] < 0x41) row++;
  glyphs[row] = glyphs[row] === 0x41 ? 0x42 : 0x41;
  fs.writeFileSync(path.join(work, "glyphs.html"), glyphs);
  fs.writeFileSync(path.join(work, "cut.html"), good.subarray(0, Math.floor(good.length * 0.7)));
  const sentence = async (file, setup) => {
    const page = await browser.newPage();
    if (setup) await page.addInitScript(setup);
    await page.goto("file://" + path.join(work, file));
    await page.evaluate(() => window.kvqPlayer && window.kvqPlayer.seek(9));  // the damaged chunk, if it is not the first
    await waitFor(page, () => document.getElementById("kvq").dataset.state === "error", null, 10000);
    return page.evaluate(() => document.querySelector(".kvq-message").textContent);
  };
  assert.match(await sentence("damaged.html"), /damaged/);
  assert.match(await sentence("glyphs.html"), /damaged/);
  assert.match(await sentence("cut.html"), /cut short/);
  assert.match(await sentence("bad.html", () => { delete window.TextDecoder; }), /lacks TextDecoder/);
});
