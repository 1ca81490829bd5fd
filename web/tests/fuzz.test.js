// SPDX-License-Identifier: MIT
// A short, seeded run of each of the page's fuzz targets (web/fuzz/fuzz.js), the seeds and every
// input that ever found a fault first. The round trip needs kvq export's packer: the build passes
// its path in KVQ_PAGE_PACKER.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const fs = require("node:fs");
const os = require("node:os");
const path = require("node:path");
const { spawnSync } = require("node:child_process");

function fuzz(target, runs) {
  const artifacts = fs.mkdtempSync(path.join(os.tmpdir(), "kvq-fuzz-"));
  try {
    const run = spawnSync(process.execPath, [path.join(__dirname, "../fuzz/fuzz.js"), target, "--runs", String(runs),
      "--seed", "1", "--timeout", "120", "--artifacts", artifacts], { encoding: "utf8" });
    assert.equal(run.status, 0, run.stderr);
    const stat = (name) => (run.stdout.match(new RegExp(`^stat::${name}: (.*)$`, "m")) || [])[1];
    assert.equal(Number(stat("number_of_executed_units")), runs);
    assert.ok(Number(stat("peak_rss_mb")) > 0);
    return Object.fromEntries([...stat("line_coverage").matchAll(/(\S+) ([\d.]+)%/g)].map((m) => [m[1], Number(m[2])]));
  } finally {
    fs.rmSync(artifacts, { recursive: true, force: true });
  }
}

test("damaged page data ends in bytes or in the page's own messages", () => {
  const coverage = fuzz("page_unpack", 15000);
  // Every path of the decoder is a few mutations from the seeds; far less means the inputs no
  // longer reach it (seeds gone, or the input's layout changed under them).
  assert.ok(coverage["lzma_decoder.js"] >= 95, JSON.stringify(coverage));
  assert.ok(coverage["unpack.js"] >= 90, JSON.stringify(coverage));
});

test("frames packed as kvq export packs them come back from the page unchanged",
  { skip: !process.env.KVQ_PAGE_PACKER && "KVQ_PAGE_PACKER (the build's page_packer) is not set" }, () => {
    const coverage = fuzz("page_round_trip", 150);
    assert.ok(coverage["lzma_decoder.js"] >= 90, JSON.stringify(coverage));
  });
