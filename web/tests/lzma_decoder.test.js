// Tests for web/lzma_decoder.js. Run with: node --test web/tests/
// Reference streams come from the xz command (raw LZMA1, which always ends
// with an end-of-payload marker), the kind kvq export writes into a page.
"use strict";

const test = require("node:test");
const assert = require("node:assert/strict");
const { execFileSync } = require("node:child_process");
const path = require("node:path");
const { decodeLzma } = require(path.join(__dirname, "..", "lzma_decoder.js"));

// ---------------------------------------------------------------- helpers

function props(lc, lp, pb) {
  return (pb * 5 + lp) * 9 + lc;
}

function xz(data, filterOptions, format = "raw") {
  return execFileSync("xz", [`--format=${format}`, `--lzma1=${filterOptions}`, "-c"], {
    input: data,
    maxBuffer: 256 << 20,
  });
}

function assertSameBytes(actual, expected) {
  assert.ok(actual instanceof Uint8Array, "result is not a Uint8Array");
  assert.equal(actual.length, expected.length, "output length");
  for (let i = 0; i < expected.length; i++) {
    if (actual[i] !== expected[i]) {
      assert.fail(`first difference at byte ${i}: got ${actual[i]}, want ${expected[i]}`);
    }
  }
}

function assertCorrupt(fn) {
  assert.throws(fn, (e) => e instanceof Error && e.message === "corrupt LZMA data");
}

function rng(seed) {
  let s = seed >>> 0 || 1;
  return () => {
    s ^= s << 13;
    s ^= s >>> 17;
    s ^= s << 5;
    return (s >>> 0) / 4294967296;
  };
}

function randomBytes(n, seed) {
  const r = rng(seed);
  const b = Buffer.alloc(n);
  for (let i = 0; i < n; i++) b[i] = (r() * 256) | 0;
  return b;
}

function repetitiveText(n) {
  const lines = [
    "The quick brown fox jumps over the lazy dog.\n",
    "Pack my box with five dozen liquor jugs.\n",
    "The quick brown fox jumps over the lazy cat!\n",
  ];
  let s = "";
  for (let i = 0; s.length < n; i++) s += lines[i % 3] + (i % 7 === 0 ? `line ${i}\n` : "");
  return Buffer.from(s.slice(0, n), "latin1");
}

// Random blocks, copies of earlier regions from near and far (long lengths,
// large distances), runs of one byte and bits of text: every kind of match.
function mixed(n, seed) {
  const r = rng(seed);
  const b = Buffer.alloc(n);
  let pos = 0;
  while (pos < n) {
    const kind = (r() * 4) | 0;
    let len;
    if (kind === 0 || pos < 16) {
      len = 1 + ((r() * 300) | 0);
      for (let i = 0; i < len && pos < n; i++) b[pos++] = (r() * 256) | 0;
    } else if (kind === 1) {
      len = 2 + ((r() * (r() < 0.2 ? 3000 : 40)) | 0);
      const dist = 1 + ((r() ** 3 * pos) | 0);
      for (let i = 0; i < len && pos < n; i++, pos++) b[pos] = b[pos - dist];
    } else if (kind === 2) {
      len = 1 + ((r() * 500) | 0);
      const v = (r() * 256) | 0;
      for (let i = 0; i < len && pos < n; i++) b[pos++] = v;
    } else {
      const t = `word${(r() * 50) | 0} `;
      for (let i = 0; i < t.length && pos < n; i++) b[pos++] = t.charCodeAt(i);
    }
  }
  return b;
}

// ---------------------------------------------------------------- round trips

const roundTrips = [
  ["random bytes", () => randomBytes(65536, 1), "preset=9e,lc=3,lp=0,pb=2"],
  ["repetitive text", () => repetitiveText(200000), "preset=9e,lc=3,lp=0,pb=2"],
  ["mixed long matches", () => mixed(300000, 2), "preset=9e,lc=3,lp=0,pb=2"],
  ["mixed, fast mode", () => mixed(300000, 3), "preset=0,lc=3,lp=0,pb=2"],
  ["one byte", () => Buffer.from([0x41]), "preset=9e,lc=3,lp=0,pb=2"],
  ["lc=0 lp=0 pb=0", () => mixed(100000, 4), "preset=9e,lc=0,lp=0,pb=0"],
  ["lc=4 lp=0 pb=0", () => mixed(100000, 5), "preset=9e,lc=4,lp=0,pb=0"],
  ["lc=0 lp=4 pb=4", () => mixed(100000, 6), "preset=9e,lc=0,lp=4,pb=4"],
  ["lc=1 lp=3 pb=3", () => mixed(100000, 7), "preset=9e,lc=1,lp=3,pb=3"],
  ["~1 MB text and matches", () => Buffer.concat([repetitiveText(300000), mixed(750000, 8)]),
    "preset=6,lc=3,lp=0,pb=2"],
];

for (const [name, make, options] of roundTrips) {
  test(`round trip: ${name} (${options})`, () => {
    const data = make();
    const o = Object.fromEntries(options.split(",").map((kv) => kv.split("=")));
    // As the page hands it over: a plain Uint8Array, not a Buffer.
    const stream = Uint8Array.from(xz(data, options));
    const out = decodeLzma(props(+o.lc, +o.lp, +o.pb), stream, 0, stream.length, data.length);
    assertSameBytes(out, data);
  });
}

test("zero-length output", () => {
  const stream = xz(Buffer.alloc(0), "preset=9e");
  const out = decodeLzma(props(3, 0, 2), stream, 0, stream.length, 0);
  assert.ok(out instanceof Uint8Array);
  assert.equal(out.length, 0);
  // The empty stream is just an end marker: asking for a byte must fail.
  assertCorrupt(() => decodeLzma(props(3, 0, 2), stream, 0, stream.length, 1));
});

test(".lzma container: honours inputOffset and inputEnd inside a larger buffer", () => {
  const data = mixed(50000, 10);
  const file = xz(data, "preset=6,lc=1,lp=1,pb=1", "lzma");
  const buf = Buffer.concat([randomBytes(7, 11), file, randomBytes(9, 12)]);
  const start = 7 + 13; // 13-byte .lzma header: props, dict size, size
  assert.equal(buf[7], props(1, 1, 1));
  const out = decodeLzma(buf[7], buf, start, 7 + file.length, data.length);
  assertSameBytes(out, data);
});

test("stops at outputSize, also in the middle of a match", () => {
  const data = repetitiveText(20000);
  const stream = xz(data, "preset=9e");
  for (const n of [1, 2, 3, 45, 46, 47, 100, 1001, 12345, 19999]) {
    assertSameBytes(decodeLzma(props(3, 0, 2), stream, 0, stream.length, n), data.subarray(0, n));
  }
});

test("end marker before outputSize bytes throws", () => {
  const data = mixed(10000, 13);
  const stream = xz(data, "preset=6");
  assertCorrupt(() => decodeLzma(props(3, 0, 2), stream, 0, stream.length, data.length + 1));
});

// ---------------------------------------------------------------- corruption

test("invalid properties byte throws", () => {
  const data = repetitiveText(1000);
  const stream = xz(data, "preset=6");
  for (const p of [225, 255, 256, -1, 1.5, NaN]) {
    assertCorrupt(() => decodeLzma(p, stream, 0, stream.length, data.length));
    // Checked even when there is nothing to decode.
    assertCorrupt(() => decodeLzma(p, stream, 0, stream.length, 0));
  }
  // Sanity: the same stream with its real properties works.
  assertSameBytes(decodeLzma(props(3, 0, 2), stream, 0, stream.length, data.length), data);
});

test("non-zero first byte, too-short input and bad ranges throw", () => {
  const data = repetitiveText(1000);
  const stream = Buffer.from(xz(data, "preset=6"));
  const bad = Buffer.from(stream);
  bad[0] = 1;
  assertCorrupt(() => decodeLzma(props(3, 0, 2), bad, 0, bad.length, data.length));
  for (let n = 0; n < 5; n++) {
    assertCorrupt(() => decodeLzma(props(3, 0, 2), stream, 0, n, 1));
  }
  assertCorrupt(() => decodeLzma(props(3, 0, 2), stream, 0, stream.length + 1, data.length));
  assertCorrupt(() => decodeLzma(props(3, 0, 2), stream, 10, 5, data.length));
  // An initial code of 0xffffffff can never come from an encoder.
  const ff = Buffer.from([0, 0xff, 0xff, 0xff, 0xff, 0, 0, 0]);
  assertCorrupt(() => decodeLzma(props(3, 0, 2), ff, 0, ff.length, 1));
});
