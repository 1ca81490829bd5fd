// SPDX-License-Identifier: MIT
// The page's data text back into bytes, as kvq export escapes it, and the checksum that guards it.
"use strict";
const test = require("node:test");
const assert = require("node:assert/strict");
const { kvqUnescape, kvqCrc32 } = require("../unpack.js");

test("escapes and windows-1252 characters come back as the bytes they stand for", () => {
  // '=0'..'=3' are NUL, CR, '<' and '='. (Bytes 0x80-0x9F, which a browser reads as other
  // characters than Node does, are covered by the browser test's pixels.)
  const text = "xa=0b=1=2=3\u00ff\u00a0y";
  assert.deepEqual([...kvqUnescape(text, 1, text.length - 1)], [0x61, 0x00, 0x62, 0x0d, 0x3c, 0x3d, 0xff, 0xa0]);
});

test("what no page can hold is refused, never read as some byte", () => {
  assert.throws(() => kvqUnescape("a=4", 0, 3), /damaged/);
  assert.throws(() => kvqUnescape("a=", 0, 2), /damaged/);  // an escape cut off by the section's end
  assert.throws(() => kvqUnescape("a\u0100", 0, 2), /damaged/);  // no byte decodes to U+0100
  assert.throws(() => kvqUnescape("abc", 2, 5), /damaged/);  // a section beyond the text
});

test("CRC-32 is the one zlib computes", () => {
  assert.equal(kvqCrc32(new TextEncoder().encode("123456789")), 0xcbf43926);
  assert.equal(kvqCrc32(new Uint8Array(0)), 0);
  // Carried on piece by piece, as the page checks a soundtrack it unpacks in pieces.
  const whole = new TextEncoder().encode("a soundtrack in three pieces");
  assert.equal(kvqCrc32(whole.subarray(20), kvqCrc32(whole.subarray(7, 20), kvqCrc32(whole.subarray(0, 7)))), kvqCrc32(whole));
});

test("base64 sections, as kvq export --ascii writes them, and nothing else", () => {
  const { kvqDecodeBase64, kvqSectionBytes } = require("../unpack.js");
  for (const bytes of [[], [0], [0xff, 0xfe], [1, 2, 3], [0, 0x0d, 0x3c, 0x3d, 0x80, 0xff, 7]]) {
    const text = "xx" + Buffer.from(bytes).toString("base64") + "yy";
    assert.deepEqual([...kvqSectionBytes(text, 2, text.length - 2, "base64")], bytes, text);
  }
  assert.throws(() => kvqDecodeBase64("QUJD", 0, 3), /damaged/);   // not whole groups of four
  assert.throws(() => kvqDecodeBase64("QU=D", 0, 4), /damaged/);   // padding inside
  assert.throws(() => kvqDecodeBase64("QUJ\u00c4", 0, 4), /damaged/);
  assert.throws(() => kvqDecodeBase64("QQ==QUJD", 0, 8), /damaged/);
});
