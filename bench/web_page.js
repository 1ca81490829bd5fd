#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// Measures a page written by `kvq export PAGE.html` in headless chromium and prints one JSON
// line: the first frame's time after navigation began, seek latencies from key to frame,
// unpacking speed, the time to draw a frame, the browser's memory for the page, and (with
// --play SECONDS) the frames shown while playing, (with --offset) picture against sound. Not a test: bench/run holds the goals.
// usage: node bench/web_page.js PAGE.html [--play SECONDS] [--offset]
"use strict";
const path = require("node:path");
const { execFileSync } = require("node:child_process");
const { chromium } = require(path.join(__dirname, "..", "web", "node_modules", "playwright-core"));

const file = path.resolve(process.argv[2]);
const playIndex = process.argv.indexOf("--play");
const playSeconds = playIndex > 0 ? Number(process.argv[playIndex + 1]) : 0;

async function poll(page, predicate, arg, timeoutMs = 30000) {
  const until = Date.now() + timeoutMs;
  for (;;) {
    const value = await page.evaluate(predicate, arg);
    if (value) return value;
    if (Date.now() > until) throw new Error("timed out: " + predicate);
    await new Promise((resolve) => setTimeout(resolve, 10));
  }
}

// Resident memory of every process below `pid` (the browser this script started), in bytes.
function treeRss(pid) {
  const table = execFileSync("ps", ["-e", "-o", "pid=,ppid=,rss="]).toString().trim().split("\n")
    .map((line) => line.trim().split(/\s+/).map(Number));
  const inTree = new Set([pid]);
  for (let grew = true; grew;) {
    grew = false;
    for (const [child, parent] of table) {
      if (inTree.has(parent) && !inTree.has(child)) { inTree.add(child); grew = true; }
    }
  }
  inTree.delete(pid);
  return table.filter(([p]) => inTree.has(p)).reduce((sum, [, , rss]) => sum + rss * 1024, 0);
}

(async () => {
  const browser = await chromium.launch({ executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
    args: ["--autoplay-policy=no-user-gesture-required"] });
  const pid = process.pid;
  const blank = await browser.newPage({ viewport: { width: 640, height: 480 } });
  await blank.goto("about:blank");
  await new Promise((resolve) => setTimeout(resolve, 500));
  const baseRss = treeRss(pid);

  const page = await browser.newPage({ viewport: { width: 640, height: 480 } });
  // Before the page's own scripts: every frame drawn, with its time since navigation began.
  await page.addInitScript(() => {
    window.benchFrames = [];
    document.addEventListener("frame", (event) => window.benchFrames.push([event.detail.frame, performance.now()]), true);
    document.addEventListener("keydown", () => { window.benchKeyAt = performance.now(); }, true);
  });
  await page.goto("file://" + file);
  await poll(page, () => window.benchFrames.length > 0);
  const result = { firstFrameMs: await page.evaluate(() => window.benchFrames[0][1]) };
  await new Promise((resolve) => setTimeout(resolve, 1000));
  result.pageRssBytes = treeRss(pid) - baseRss;

  // Seeks with the digit keys, each to a frame not yet on the screen.
  await page.focus("#kvq");
  result.seekMs = [];
  for (const digit of ["7", "2", "9", "4", "1", "8", "3", "6", "5"]) {
    const target = await page.evaluate((d) => Math.floor(Number(d) * window.kvqPlayer.duration / 10 * 24), digit);
    if (target === await page.evaluate(() => window.kvqPlayer.frame)) continue;  // a page too short to move
    await page.keyboard.press(digit);
    await poll(page, (t) => window.kvqPlayer.frame === t, target, 5000);
    result.seekMs.push(await page.evaluate((t) => {
      const shown = window.benchFrames.find(([frame, at]) => frame === t && at >= window.benchKeyAt);
      return shown[1] - window.benchKeyAt;
    }, target));
  }

  // Unpacking and drawing, on the page's own thread.
  Object.assign(result, await page.evaluate(() => {
    const meta = JSON.parse(document.getElementById("kvq-meta").textContent);
    const data = document.getElementById("kvq-data").textContent;
    const count = Math.min(meta.chunks.length, 20);
    let frames = 0;
    const started = performance.now();
    for (let i = 0; i < count; i++) {
      const [start, end, properties, crc] = meta.chunks[i];
      const size = Math.min(meta.chunkFrames, meta.frames - i * meta.chunkFrames);
      kvqUnpackChunk(kvqUnescape(data, start, end), properties, size * 2400, crc >>> 0);
      frames += size;
    }
    return { unpackFramesPerSecond: frames / ((performance.now() - started) / 1000) };
  }));
  result.drawMs = [];
  for (let i = 0; i < 30; i++) {
    await page.keyboard.press("Period");
    result.drawMs.push(await page.evaluate(() => window.kvqPlayer.drawMilliseconds));
  }

  if (playSeconds > 0) {
    await page.keyboard.press("Home");
    await page.evaluate(() => { window.benchFrames = []; window.kvqPlayer.play(); });
    await new Promise((resolve) => setTimeout(resolve, playSeconds * 1000));
    const shown = await page.evaluate(() => { window.kvqPlayer.pause(); return window.benchFrames; });
    const steady = shown.filter(([, at]) => at - shown[0][1] >= 1000);  // past the sound's start
    let repeats = 0, skips = 0;
    for (let i = 1; i < steady.length; i++) {
      const step = steady[i][0] - steady[i - 1][0];
      if (step <= 0) repeats++;
      if (step > 1) skips += step - 1;
    }
    const seconds = (steady[steady.length - 1][1] - steady[0][1]) / 1000;
    Object.assign(result, { playedFrames: steady.length, playedSeconds: seconds, repeats, skips,
      framesPerSecond: (steady.length - 1) / seconds });
  }
  if (process.argv.includes("--offset")) {
    // Picture against sound at three speeds: at each animation frame, the start of the frame on
    // the screen against the soundtrack's reading, past the first second of each speed.
    result.offsetMs = {};
    for (const speed of [0.5, 1, 2]) {
      await page.keyboard.press("Home");
      result.offsetMs[speed] = await page.evaluate(async (chosen) => {
        const player = window.kvqPlayer;
        player.speed = chosen;
        player.play();
        const offsets = [];
        const started = performance.now();
        while (performance.now() - started < 5000) {
          await new Promise((resolve) => requestAnimationFrame(resolve));
          const audio = player.audioElement;
          if (performance.now() - started > 1000 && audio && !audio.paused) {
            // The frame on screen covers [frame/24, (frame+1)/24): how far the sound is outside it.
            const at = audio.currentTime, from = player.frame / 24, to = (player.frame + 1) / 24;
            offsets.push(at < from ? (at - from) * 1000 : at > to ? (at - to) * 1000 : 0);
          }
        }
        player.pause();
        offsets.sort((a, b) => Math.abs(a) - Math.abs(b));
        return { samples: offsets.length, p95: Math.abs(offsets[Math.floor(offsets.length * 0.95)] || 0),
          max: Math.abs(offsets[offsets.length - 1] || 0) };
      }, speed);
    }
  }
  console.log(JSON.stringify(result));
  await browser.close();
})().catch((error) => {
  console.error(error);
  process.exit(1);
});
