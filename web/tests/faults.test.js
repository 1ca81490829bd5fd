// SPDX-License-Identifier: MIT
// The page on the real web: served over HTTP and cut off, served with a charset of the host's,
// edited, broken inside, fed values no page should take. Each says what went wrong in one sentence
// that blames the right thing, or plays on.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const http = require("node:http");
const path = require("node:path");
const kit = require("./page_kit.js");
const { work, makeAnimation, exportPage, kvq, waitFor, newPage, sentence, showFrame, canvasRgb, rendered } = kit;

test.before(kit.launch);
test.after(kit.finish);

// Serves `body` at / with `headers`; `cut`, if given, is where the connection is dropped.
async function serve(body, headers, cut) {
  const server = http.createServer((request, response) => {
    response.writeHead(200, headers);
    if (cut === undefined) return response.end(body);
    response.write(body.subarray(0, cut));
    setTimeout(() => response.socket.destroy(), 200);
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  server.unref();
  return {
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => {
      server.closeAllConnections();
      server.close();
    },
  };
}

async function visit(url) {
  const page = await newPage();
  page.goto(url).catch(() => {});  // a cut page never finishes loading
  await waitFor(page, () => !!document.getElementById("kvq"), null, 20000);
  return page;
}

function dataStart(html) {
  return html.indexOf('id="kvq-data">') + 'id="kvq-data">'.length;
}

test("a download cut off part way says so, with a length or chunked", async () => {
  const frames = makeAnimation("cut.kvq", 400, 0);
  const body = fs.readFileSync(exportPage(frames, "cut.html"));
  const cut = Math.floor((dataStart(body) + body.length) / 2);
  for (const headers of [{ "content-type": "text/html", "content-length": String(body.length) },
    { "content-type": "text/html" }]) {
    const server = await serve(body, headers, cut);
    const page = await visit(server.url);
    assert.match(await sentence(page, 30000), /cut short/, JSON.stringify(headers));
    await page.close();
    server.close();
  }
  // Served whole over the same server, the same page plays.
  const server = await serve(body, { "content-type": "text/html" });
  const page = await visit(server.url);
  await waitFor(page, () => document.getElementById("kvq").dataset.state === "ready", null, 20000);
  await showFrame(page, 300);
  server.close();
});

test("the table of contents is checked: a poster frame or frame rate changed is damage", async () => {
  const frames = makeAnimation("meta.kvq", 100, 0);
  const good = fs.readFileSync(exportPage(frames, "meta.html"), "latin1");
  const edited = (from, to, keepCrc) => {
    assert.ok(good.includes(from));
    let html = good.replace(from, to);
    if (!keepCrc) {
      // The checksum made again too, as an editor would who knew of it: the rate still is not 24.
      const meta = html.slice(html.indexOf('id="kvq-meta"'));
      const text = meta.slice(meta.indexOf(">") + 1, meta.indexOf("</script>"));
      const zlib = require("node:zlib");
      html = html.replace(/data-crc="[0-9]+"/, `data-crc="${zlib.crc32(Buffer.from(text, "latin1"))}"`);
    }
    const file = path.join(work, "meta-edited.html");
    fs.writeFileSync(file, html, "latin1");
    return file;
  };
  for (const [from, to, keepCrc] of [['"posterFrame":0', '"posterFrame":1', true],
    ['"framesPerSecond":24', '"framesPerSecond":25', true], ['"framesPerSecond":24', '"framesPerSecond":25', false]]) {
    const page = await newPage();
    await page.goto("file://" + edited(from, to, keepCrc));
    assert.match(await sentence(page), /damaged/, `${to}, checksum ${keepCrc ? "as it was" : "made again"}`);
    await page.close();
  }
});

test("a host's charset: the page names --ascii, and the --ascii page plays under any", async () => {
  const frames = makeAnimation("charset.kvq", 60, 0);
  assert.match(kvq("help", "export"), /--ascii/);
  const binary = fs.readFileSync(exportPage(frames, "binary.html"));
  const ascii = fs.readFileSync(exportPage(frames, "ascii.html", "--ascii", "--audio", kit.tone("short", 3)));
  assert.ok(ascii.every((byte) => byte < 0x80), "ASCII alone");
  const server = await serve(binary, { "content-type": "text/html; charset=utf-8" });
  const page = await visit(server.url);
  assert.match(await sentence(page), /UTF-8.*kvq export --ascii/);
  server.close();
  for (const charset of ["utf-8", "iso-8859-1", "windows-1252"]) {
    const served = await serve(ascii, { "content-type": `text/html; charset=${charset}` });
    const played = await visit(served.url);
    await waitFor(played, () => document.getElementById("kvq").dataset.state === "ready", null, 20000);
    await showFrame(played, 59);
    assert.equal(kit.firstDifference(await canvasRgb(played), rendered(frames, 59)), null, charset);
    await waitFor(played, () => !!window.kvqPlayer.audioElement, null, 20000);
    served.close();
    await played.close();
  }
});

test("a fault inside the player, or a worker that never answers, is said, not left as a still page", async () => {
  const frames = makeAnimation("fault.kvq", 300, 0);
  const file = exportPage(frames, "fault.html");
  let page = await newPage();
  await page.addInitScript(() => {
    let draws = 0;
    const put = CanvasRenderingContext2D.prototype.putImageData;
    CanvasRenderingContext2D.prototype.putImageData = function (...args) {
      if (++draws > 1) throw new Error("no more drawing");  // the poster, then nothing
      return put.apply(this, args);
    };
  });
  await page.goto("file://" + file);
  await waitFor(page, () => document.getElementById("kvq").dataset.state === "ready");
  await page.evaluate(() => window.kvqPlayer.seek(5));
  assert.match(await sentence(page), /error \(no more drawing\)/);
  await page.close();

  page = await newPage();
  await page.addInitScript(() => {
    window.Worker = class {
      postMessage() {}  // takes the job and never answers
      terminate() {}
    };
  });
  await page.goto("file://" + file);
  assert.match(await sentence(page, 40000), /worker stopped answering/);
});

test("a changed page is told from a cut one, and a damaged script from scripts turned off", async () => {
  const frames = makeAnimation("changed.kvq", 300, 0);
  const good = fs.readFileSync(exportPage(frames, "changed.html"));
  const start = dataStart(good);
  const lf = good.indexOf(0x0a, start + 1000);
  assert.ok(lf > start && lf < good.length - 100);
  const cr = Buffer.from(good);
  cr[lf - 1] = 0x0d;  // CR LF reads as LF: one character fewer
  const closing = Buffer.concat([good.subarray(0, start + 500), Buffer.from("</script>"), good.subarray(start + 500)]);
  const html = good.toString("latin1");
  const syntax = Buffer.from(html.replace("class FrameStore {", "class FrameStore {{"), "latin1");
  const noScripts = good;
  for (const [name, bytes, expected, options] of [["cr.html", cr, /changed after it was written/],
    ["closing.html", closing, /changed after it was written/], ["syntax.html", syntax, /script is damaged/],
    ["noscript.html", noScripts, /scripts are turned off/, { javaScriptEnabled: false }]]) {
    fs.writeFileSync(path.join(work, name), bytes);
    const page = await newPage(options);
    await page.goto("file://" + path.join(work, name));
    let said;
    if (options) said = await page.textContent(".kvq-message");
    else said = await sentence(page);
    assert.match(said, expected, name);
    assert.doesNotMatch(said, name === "noscript.html" ? /cut short|damaged/ : /cut short|turned off/, name);
    await page.close();
  }
});

test("speed 0 is the slowest, NaN changes nothing, seek(Infinity) is the end, seek(NaN) nothing", async () => {
  const frames = makeAnimation("values.kvq", 100, 0);
  const page = await kit.open(exportPage(frames, "values.html"));
  const speedAfter = (value) => page.evaluate((v) => {
    window.kvqPlayer.speed = v === "NaN" ? NaN : v;
    return window.kvqPlayer.speed;
  }, value);
  assert.equal(await speedAfter(0), 0.25);
  assert.equal(await speedAfter(2), 2);
  assert.equal(await speedAfter("NaN"), 2);
  assert.equal(await speedAfter(100), 4);
  await page.evaluate(() => window.kvqPlayer.seek(Infinity));
  await waitFor(page, () => window.kvqPlayer.frame === 99);
  await page.evaluate(() => window.kvqPlayer.seek(NaN));
  assert.equal(await page.evaluate(() => window.kvqPlayer.currentTime), 99 / 24);
  await page.evaluate(() => window.kvqPlayer.seek(-Infinity));
  await waitFor(page, () => window.kvqPlayer.frame === 0);
});
