// SPDX-License-Identifier: MIT
// The page takes its colours, frame rate, speeds, keys and clock constants from what kvq writes into
// each page (from kvq's own), so none of its scripts may hold a copy that could drift from them.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const path = require("node:path");

const web = path.join(__dirname, "..");
const scripts = ["boot.js", ...fs.readdirSync(path.join(web, "player")).map((name) => path.join("player", name))];

test("no script of the page's holds its own copy of what kvq shares with it", () => {
  const copies = [
    [/0x(ff)?(101417|171410|a0cce8|e8cca0)\b/i, "a colour"],
    [/\b0\.25\b|\b0\.5\s*,\s*1\b/, "a speed or clock constant"],
    [/\b24\b/, "the frame rate"],
    [/["']ArrowLeft["']|case ["'][[\],.]["']/, "a key"],
  ];
  assert.ok(scripts.length >= 6, scripts.join(" "));
  for (const name of scripts) {
    const code = fs.readFileSync(path.join(web, name), "utf8").replace(/\/\/[^\n]*|\/\*[\s\S]*?\*\//g, "");
    for (const [pattern, what] of copies) assert.doesNotMatch(code, pattern, `${name} holds ${what}`);
  }
});

test("each of the player's files is one class of under 300 lines, reaching into no other's fields", () => {
  for (const name of scripts.filter((s) => s.startsWith("player"))) {
    const code = fs.readFileSync(path.join(web, name), "utf8");
    assert.ok(code.split("\n").length < 300, `${name} is under 300 lines`);
    assert.equal((code.match(/^class /gm) || []).length, 1, `${name} declares one class`);
    // Fields are private (#name): another class cannot read them, so none is left public by mistake.
    assert.doesNotMatch(code, /this\.[a-z]\w*\s*=[^=]/i, `${name} assigns no public field`);
  }
});

test("no string or regular expression holds what the build squeezes the spaces out of", () => {
  // tools/kvq/export/embed_web_assets.cmake takes the spaces from around these in every page.
  const squeezed = [" = ", " === ", " !== ", " && ", " || ", " => ", ") {"];
  for (const name of [...scripts, "lzma_decoder.js", "unpack.js"]) {
    const code = fs.readFileSync(path.join(web, name), "utf8").replace(/\/\/[^\n]*|\/\*[\s\S]*?\*\//g, "");
    const literals = code.match(/"(?:[^"\\\n]|\\.)*"|'(?:[^'\\\n]|\\.)*'|`(?:[^`\\]|\\.)*`|[=(,:]\s*\/(?:[^/\\\n]|\\.)+\//g) || [];
    for (const literal of literals) {
      for (const text of squeezed) assert.ok(!literal.includes(text), `${name}: ${literal} holds '${text}'`);
    }
  }
});
