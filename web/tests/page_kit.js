// SPDX-License-Identifier: MIT
// What the browser tests share: animations and pages made with kvq, chromium, and reading a page.
// KVQ names the kvq program (default build/kvq); CHROMIUM the browser (default /usr/bin/chromium).
"use strict";
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const { chromium } = require("playwright-core");

const KVQ = process.env.KVQ || path.join(__dirname, "..", "..", "build", "kvq");
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const CELLS = 2400;
const work = fs.mkdtempSync(path.join(os.tmpdir(), "kvq-web-"));

// A seeded generator, so that a failure can be run again as it was.
function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state * 1664525 + 1013904223) >>> 0;
    return state >>> 24;
  };
}

// A font of random glyphs, and frames that use every code (so the inverse codes too), each frame
// different, with a trailing partial frame whose rest repeats the frame before.
function makeAnimation(name, frames, tailBytes) {
  const next = random(7);
  fs.writeFileSync(path.join(work, "font"), Buffer.from(Array.from({ length: 8192 }, next)));
  const bytes = Buffer.alloc(frames * CELLS + tailBytes);
  for (let i = 0; i < bytes.length; i++) bytes[i] = (i * 7 + Math.floor(i / CELLS) * 31 + (next() & 3)) & 0xff;
  fs.writeFileSync(path.join(work, name), bytes);
  return path.join(work, name);
}

// Frames as a real animation's are: stripes of text that move, a little noise, so that they pack
// well (where a damaged chunk can unpack without the decoder noticing).
function makeCompressibleAnimation(name, frames) {
  makeAnimation("unused.kvq", 1, 0);  // the font
  const next = random(11);
  const bytes = Buffer.alloc(frames * CELLS, 0x20);
  for (let f = 0; f < frames; f++) {
    for (let i = 0; i < CELLS; i++) {
      const row = Math.floor(i / 80), column = i % 80;
      if ((row * 7 + column + f) % 5 < 2) bytes[f * CELLS + i] = 0x41 + ((row * 3 + column * 5 + f) % 26);
      else if (next() < 40) bytes[f * CELLS + i] = 0x61 + (next() % 26);
    }
  }
  fs.writeFileSync(path.join(work, name), bytes);
  return path.join(work, name);
}

function kvq(...args) {
  return execFileSync(KVQ, args, { cwd: work, stdio: ["ignore", "pipe", "pipe"] }).toString();
}

function exportPage(frames, name, ...options) {
  const page = path.join(work, name);
  kvq("export", frames, "--font", path.join(work, "font"), "-o", page, ...options);
  return page;
}

// An MP3 of a tone, `seconds` long, made once per name.
function tone(name, seconds, bitrate = 128) {
  const mp3 = path.join(work, name + ".mp3");
  if (fs.existsSync(mp3)) return mp3;
  execFileSync("sox", ["-n", "-r", "44100", "-c", "2", path.join(work, name + ".wav"), "synth", String(seconds), "sine", "440"]);
  execFileSync("lame", ["--quiet", "-b", String(bitrate), path.join(work, name + ".wav"), mp3]);
  return mp3;
}

// kvq render's picture of one frame as RGB bytes.
function rendered(frames, frame) {
  const png = path.join(work, `render-${frame}.png`);
  kvq("render", frames, "--font", path.join(work, "font"), "--frame", String(frame), "-o", png);
  return execFileSync("convert", [png, "-depth", "8", "rgb:-"]);
}

// Polls `predicate` in the page. (Playwright's waitForFunction evaluates strings, which the
// page's Content-Security-Policy rightly refuses.)
async function waitFor(page, predicate, arg, timeoutMs = 10000) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    let value;
    try {
      value = await page.evaluate(predicate, arg);
    } catch (error) {
      // The page still navigating to the address it was given: asked again once it is there.
      if (!/context was destroyed|navigat/i.test(error.message)) throw error;
    }
    if (value) return value;
    if (Date.now() > until) throw new Error(`timed out waiting for ${predicate}`);
    await new Promise((resolve) => setTimeout(resolve, 30));
  }
}

let browser = null;

async function launch() {
  browser = await chromium.launch({ executablePath: CHROMIUM, args: ["--autoplay-policy=no-user-gesture-required"] });
  return browser;
}

async function finish() {
  if (browser) await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
}

async function newPage(options) {
  const page = await browser.newPage(options);
  page.errors = [];
  page.on("pageerror", (error) => page.errors.push(error.message));
  return page;
}

// A page opened and its player ready (or its sentence said).
async function open(file, viewport = { width: 640, height: 480 }) {
  const page = await newPage({ viewport });
  await page.goto("file://" + file);
  await waitFor(page, () => document.getElementById("kvq").dataset.state);
  return page;
}

async function showFrame(page, frame) {
  await page.evaluate((f) => window.kvqPlayer.seek(f / 24), frame);
  await waitFor(page, (f) => window.kvqPlayer.frame === f, frame);
}

// The page's canvas as RGB bytes, with its size.
async function canvasPicture(page) {
  const [width, height, base64] = await page.evaluate(() => {
    const canvas = document.querySelector("#kvq canvas");
    const rgba = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
    let text = "";
    for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i], rgba[i + 1], rgba[i + 2]);
    return [canvas.width, canvas.height, btoa(text)];
  });
  return { width, height, rgb: Buffer.from(base64, "base64") };
}

async function canvasRgb(page) {
  return (await canvasPicture(page)).rgb;
}

// Where two pictures ({width, height, rgb}, or RGB bytes 640 pixels wide) first differ, or null.
function firstDifference(shown, expected) {
  const picture = (p) => (Buffer.isBuffer(p) ? { width: 640, height: p.length / 1920, rgb: p } : p);
  const [a, b] = [picture(shown), picture(expected)];
  if (a.width !== b.width || a.height !== b.height) return `${a.width}x${a.height}, not ${b.width}x${b.height}`;
  const at = a.rgb.findIndex((byte, i) => byte !== b.rgb[i]);
  return at < 0 ? null : `pixel (${Math.floor(at / 3) % a.width}, ${Math.floor(at / 3 / a.width)})`;
}

// The sentence a page shows once it stops, or "" if it plays.
async function sentence(page, timeoutMs = 20000) {
  await waitFor(page, () => document.getElementById("kvq").dataset.state === "error", null, timeoutMs);
  return page.evaluate(() => document.querySelector(".kvq-message").textContent);
}

module.exports = {
  work, CELLS, random, makeAnimation, makeCompressibleAnimation, kvq, exportPage, tone, rendered, waitFor, launch,
  finish, newPage, open, showFrame, canvasPicture, canvasRgb, firstDifference, sentence,
  get browser() { return browser; },
};
