#!/usr/bin/env node
// Rough decode-throughput check for web/lzma_decoder.js (not a test).
// Usage: node bench/lzma_decode_speed.js [megabytes]
"use strict";

const { execFileSync } = require("node:child_process");
const path = require("node:path");
const { decodeLzma } = require(path.join(__dirname, "..", "web", "lzma_decoder.js"));

const size = Math.round((Number(process.argv[2]) || 5) * 1024 * 1024);

// Text-like data: lines drawn from a small vocabulary with varying numbers,
// so there are both literals and matches of many lengths and distances.
let seed = 12345;
const rand = (n) => {
  seed = (Math.imul(seed, 1103515245) + 12345) >>> 0;
  return (seed >>> 8) % n;
};
const words = ["frame", "cell", "colour", "glyph", "row", "column", "delta", "palette",
  "cursor", "escape", "foreground", "background", "the", "a", "of", "to", "and"];
const data = Buffer.alloc(size);
for (let o = 0; o < size;) {
  let line = "";
  const n = 3 + rand(10);
  for (let i = 0; i < n; i++) line += words[rand(words.length)] + (rand(4) === 0 ? rand(1000) : "") + " ";
  o += data.write(line + "\n", o);
}

const lc = 3, lp = 0, pb = 2;
const props = (pb * 5 + lp) * 9 + lc;
const compressed = execFileSync("xz", ["--format=raw", `--lzma1=preset=6,lc=${lc},lp=${lp},pb=${pb}`, "-c"],
  { input: data, maxBuffer: 1 << 30 });

const input = new Uint8Array(compressed.buffer, compressed.byteOffset, compressed.length);
let best = Infinity;
for (let run = 0; run < 10; run++) {
  const t0 = process.hrtime.bigint();
  const out = decodeLzma(props, input, 0, input.length, size);
  const dt = Number(process.hrtime.bigint() - t0) / 1e9;
  if (run === 0 && !Buffer.from(out.buffer, out.byteOffset, out.length).equals(data)) {
    throw new Error("decoded output differs from the original");
  }
  best = Math.min(best, dt);
}
console.log(`input ${(compressed.length / 1048576).toFixed(2)} MB -> output ${(size / 1048576).toFixed(2)} MB` +
  ` (ratio ${(size / compressed.length).toFixed(1)}): best ${(best * 1000).toFixed(1)} ms,` +
  ` ${(size / 1048576 / best).toFixed(1)} MB/s`);
