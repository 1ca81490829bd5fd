// SPDX-License-Identifier: MIT
// What the page does, each check read from what it shows (the canvas, the events, the <audio>
// element) rather than from what it says of itself.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");
const kit = require("./page_kit.js");
const { work, makeAnimation, exportPage, waitFor, open, showFrame, canvasRgb, rendered, firstDifference } = kit;
const { decodeLzma } = require("../lzma_decoder.js");

test.before(kit.launch);
test.after(kit.finish);

const shows = async (page, frames, frame, what) =>
  assert.equal(firstDifference(await canvasRgb(page), rendered(frames, frame)), null, what);

test("a time shows the frame it falls in, never the next; the seek bar counts frames; steps stop at the ends", async () => {
  const frames = makeAnimation("floor.kvq", 300, 0);
  const page = await open(exportPage(frames, "floor.html"));
  const seen = await page.evaluate(() => {
    window.seekedCount = 0;
    window.kvqPlayer.addEventListener("seeked", () => window.seekedCount++);
  });
  assert.equal(seen, undefined);
  await page.evaluate(() => window.kvqPlayer.seek(10.9 / 24));
  await waitFor(page, () => window.kvqPlayer.frame === 10 && window.seekedCount === 1);
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => window.kvqPlayer.frame), 10);
  await shows(page, frames, 10, "frame 10 at 10.9/24 s");
  // The bar dragged to its 240th step: frame 240, ten seconds in.
  await page.evaluate(() => {
    const bar = document.querySelector(".kvq-seek");
    bar.value = "240";
    bar.dispatchEvent(new Event("input"));
  });
  await waitFor(page, () => window.kvqPlayer.frame === 240);
  assert.equal(await page.evaluate(() => window.kvqPlayer.currentTime), 10);
  await showFrame(page, 0);
  await page.evaluate(() => window.kvqPlayer.step(-1));
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => window.kvqPlayer.frame), 0, "step back from the first frame");
  await showFrame(page, 299);
  await page.evaluate(() => window.kvqPlayer.step(1));
  await page.waitForTimeout(300);
  assert.equal(await page.evaluate(() => window.kvqPlayer.frame), 299, "step on from the last frame");
});

test("speed 4 is 4, and the player's own speed is the soundtrack's", async () => {
  const frames = makeAnimation("speed.kvq", 240, 0);
  const page = await open(exportPage(frames, "speed.html", "--audio", kit.tone("speed", 10)));
  await waitFor(page, () => !!window.kvqPlayer.audioElement, null, 20000);
  for (const speed of [4, 0.5, 2, 0.25]) {
    const [set, rate] = await page.evaluate((s) => {
      window.kvqPlayer.speed = s;
      return [window.kvqPlayer.speed, window.kvqPlayer.audioElement.playbackRate];
    }, speed);
    assert.deepEqual([set, rate], [speed, speed]);
  }
  await page.keyboard.press("BracketRight");
  await page.focus("#kvq");
  for (let i = 0; i < 6; i++) await page.keyboard.press("BracketRight");
  assert.equal(await page.evaluate(() => window.kvqPlayer.audioElement.playbackRate), 4);
});

test("the end loops when the player loops, whatever the page was exported with", async () => {
  const frames = makeAnimation("loop.kvq", 100, 0);
  for (const [name, options, loop] of [["once.html", [], true], ["looped.html", ["--loop"], false]]) {
    const page = await open(exportPage(frames, name, ...options));
    await page.focus("#kvq");
    await page.keyboard.press("KeyL");
    assert.equal(await page.evaluate(() => window.kvqPlayer.loop), loop);
    await page.evaluate(() => {
      window.seen = [];
      window.back = false;
      window.kvqPlayer.addEventListener("ended", () => window.seen.push("ended"));
      window.kvqPlayer.addEventListener("frame", (event) => {
        if (event.detail.frame < 20 && window.kvqPlayer.currentTime > 0) window.back = true;
      });
      window.kvqPlayer.seek(90 / 24);
      window.kvqPlayer.play();
    });
    if (loop) {
      await waitFor(page, () => window.back, null, 20000);
      assert.deepEqual(await page.evaluate(() => window.seen), [], `${name}: looped, not ended`);
    } else {
      await waitFor(page, () => window.seen.includes("ended"), null, 20000);
      assert.equal(await page.evaluate(() => window.kvqPlayer.frame), 99);
    }
    await page.close();
  }
});

test("--autoplay plays at once, muted until a gesture; --poster is a time", async () => {
  const frames = makeAnimation("options.kvq", 300, 0);
  const page = await open(exportPage(frames, "autoplay.html", "--autoplay", "--audio", kit.tone("auto", 12)));
  await waitFor(page, () => !window.kvqPlayer.paused && window.kvqPlayer.frame > 12, null, 20000);
  await waitFor(page, () => window.kvqPlayer.audioElement && !window.kvqPlayer.audioElement.paused, null, 20000);
  assert.equal(await page.evaluate(() => window.kvqPlayer.audioElement.muted), true, "muted before a gesture");
  await page.mouse.click(320, 100);
  assert.equal(await page.evaluate(() => window.kvqPlayer.audioElement.muted), false, "heard after a click");
  const poster = await open(exportPage(frames, "poster.html", "--poster", "10"));
  assert.equal(await poster.evaluate(() => window.kvqPlayer.frame), 240);
  await shows(poster, frames, 240, "the poster, 10 s in");
});

test("a chunk that unpacks without complaint into other frames is caught by its checksum", async () => {
  const frames = kit.makeCompressibleAnimation("quiet.kvq", 200);
  const file = exportPage(frames, "quiet.html");
  const html = fs.readFileSync(file);
  const metaAt = html.indexOf('id="kvq-meta"');
  const meta = JSON.parse(html.subarray(html.indexOf(">", metaAt) + 1, html.indexOf("</script>", metaAt)).toString("latin1"));
  const dataAt = html.indexOf('id="kvq-data">') + 'id="kvq-data">'.length;
  const [start, end, properties] = meta.chunks[0];
  const unescape = (bytes) => {
    const out = [];
    for (let i = 0; i < bytes.length; i++) out.push(bytes[i] === 0x3d ? [0x00, 0x0d, 0x3c, 0x3d][bytes[++i] - 48] : bytes[i]);
    return Uint8Array.from(out);
  };
  const size = 192 * kit.CELLS;
  const packedOriginal = unescape(html.subarray(dataAt + start, dataAt + end));
  const original = decodeLzma(properties, packedOriginal, 0, packedOriginal.length, size);
  let flipped = null;
  // Near the stream's end, where the decoder has least left to notice a change with.
  for (let at = dataAt + end - 2; at > dataAt + start && !flipped; at--) {
    if (html[at] < 0x41 || html[at] > 0x7a || html[at - 1] === 0x3d) continue;
    const changed = Buffer.from(html.subarray(dataAt + start, dataAt + end));
    changed[at - dataAt - start] ^= 1;
    try {
      const packed = unescape(changed);
      const frames2 = decodeLzma(properties, packed, 0, packed.length, size);
      if (Buffer.compare(Buffer.from(frames2), Buffer.from(original)) !== 0) flipped = at;
    } catch {
      // the decoder noticed this one
    }
  }
  assert.ok(flipped, "some change unpacks silently into other frames");
  const damaged = Buffer.from(html);
  damaged[flipped] ^= 1;
  fs.writeFileSync(path.join(work, "quiet-damaged.html"), damaged);
  const page = await kit.newPage();
  await page.goto("file://" + path.join(work, "quiet-damaged.html"));
  assert.match(await kit.sentence(page), /damaged/);
});

test("a soundtrack whose first megabyte of page ends on an escape's '=' plays", async () => {
  const frames = makeAnimation("escape.kvq", 48, 0);
  // A soundtrack shorter than the frames, so that it is carried as it is, not cut: an ID3 tag of
  // zero bytes (each written '=0') before a real MP3, so long that the first piece's end falls
  // inside it; a letter before the zeros puts an '=' on that last character.
  const zeros = 600000;
  const escapedLength = (bytes) => bytes.reduce((n, b) => n + ([0x00, 0x0d, 0x3c, 0x3d].includes(b) ? 2 : 1), 0);
  const syncsafe = (n) => [(n >> 21) & 0x7f, (n >> 14) & 0x7f, (n >> 7) & 0x7f, n & 0x7f];
  for (const letter of [[], [0x78]]) {
    const body = zeros + letter.length;
    const header = [0x49, 0x44, 0x33, 3, 0, 0, ...syncsafe(body)];
    const zerosStart = escapedLength(header) + letter.length;
    if ((Math.pow(2, 20) - 1 - zerosStart) % 2 !== 0) continue;
    const mp3 = Buffer.concat([Buffer.from(header), Buffer.from(letter), Buffer.alloc(zeros), fs.readFileSync(kit.tone("escape", 1))]);
    fs.writeFileSync(path.join(work, "escape.mp3"), mp3);
    break;
  }
  const file = exportPage(frames, "escape.html", "--audio", path.join(work, "escape.mp3"));
  const html = fs.readFileSync(file);
  const dataAt = html.indexOf('id="kvq-data">') + 'id="kvq-data">'.length;
  assert.equal(html[dataAt + Math.pow(2, 20) - 1], 0x3d, "the first piece ends on '='");
  const page = await open(file);
  await waitFor(page, () => !!window.kvqPlayer.audioElement || document.getElementById("kvq").dataset.state === "error",
    null, 20000);
  assert.equal(await page.evaluate(() => document.getElementById("kvq").dataset.state), "ready");
});

test("the page's policy is exactly its own, and a hostile title stays text in every place", async () => {
  const frames = makeAnimation("policy.kvq", 24, 0);
  const title = `a" onfocus="alert(1)" x="<b>&amp;</b> \u00e9`;
  const file = exportPage(frames, "policy.html", "--title", title);
  const page = await open(file);
  const policy = await page.evaluate(() =>
    document.querySelector('meta[http-equiv="Content-Security-Policy"]').getAttribute("content"));
  assert.equal(policy, "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; worker-src blob:; " +
    "media-src blob:; img-src data:; connect-src 'none'; base-uri 'none'; form-action 'none'");
  const seen = await page.evaluate(() => {
    const root = document.getElementById("kvq");
    return [document.title, root.getAttribute("aria-label"), root.getAttributeNames().filter((name) => !name.startsWith("data-")).join(" "),
      document.querySelectorAll("b").length];
  });
  assert.deepEqual(seen, [title, title, "class id tabindex aria-label", 0]);
});
