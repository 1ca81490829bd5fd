// SPDX-License-Identifier: MIT
// The page's data back into bytes, and a packed chunk back into frames. The same text runs on the
// page and, with the LZMA decoder's, as a worker made from a Blob, so that unpacking never holds
// up drawing; where no worker can be had the page calls these functions itself.
"use strict";
/* global decodeLzma */

// The page is read as windows-1252: each character of the data stands for one byte, except the
// four escaped as '=' and a digit (see the writer in kvq export).
const KVQ_ESCAPED_BYTES = [0x00, 0x0d, 0x3c, 0x3d];
let kvqByteTable = null;

function kvqByteOfCharTable() {
  if (kvqByteTable) return kvqByteTable;
  const table = new Int16Array(65536).fill(-1);
  const bytes = new Uint8Array(256);
  for (let i = 0; i < 256; i++) bytes[i] = i;
  // The browser's own decoder says which character each byte became.
  const text = new TextDecoder("windows-1252").decode(bytes);
  for (let i = 0; i < 256; i++) table[text.charCodeAt(i)] = i;
  kvqByteTable = table;
  return table;
}

function kvqUnescape(text, start, end) {
  if (!(start >= 0 && end >= start && end <= text.length)) throw new Error("damaged data");
  const table = kvqByteOfCharTable();
  const out = new Uint8Array(end - start);
  let n = 0;
  for (let i = start; i < end; i++) {
    let byte = table[text.charCodeAt(i)];
    if (byte < 0) throw new Error("damaged data");
    if (byte === 0x3d) {
      const code = i + 1 < end ? text.charCodeAt(++i) - 48 : -1;
      if (code < 0 || code > 3) throw new Error("damaged data");
      byte = KVQ_ESCAPED_BYTES[code];
    }
    out[n++] = byte;
  }
  return out.subarray(0, n);
}

let kvqBase64Table = null;

// A page written with --ascii holds base64 instead: each section padded to whole groups of four.
function kvqDecodeBase64(text, start, end) {
  if (!(start >= 0 && end >= start && end <= text.length && (end - start) % 4 === 0)) throw new Error("damaged data");
  if (!kvqBase64Table) {
    kvqBase64Table = new Int8Array(128).fill(-1);
    const digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    for (let i = 0; i < 64; i++) kvqBase64Table[digits.charCodeAt(i)] = i;
  }
  const table = kvqBase64Table;
  let padding = 0;
  if (end > start && text.charCodeAt(end - 1) === 0x3d) padding = text.charCodeAt(end - 2) === 0x3d ? 2 : 1;
  const out = new Uint8Array(((end - start) / 4) * 3 - padding);
  let n = 0;
  for (let i = start; i < end; i += 4) {
    let group = 0;
    for (let k = 0; k < 4; k++) {
      const code = text.charCodeAt(i + k);
      const value = code < 128 ? table[code] : -1;
      if (value < 0 && !(code === 0x3d && i + 4 === end && k >= 4 - padding)) throw new Error("damaged data");
      group = (group << 6) | Math.max(value, 0);
    }
    out[n++] = group >>> 16;
    if (n < out.length) out[n++] = (group >>> 8) & 0xff;
    if (n < out.length) out[n++] = group & 0xff;
  }
  return out;
}

// The bytes of the section [start, end) of a page's text, as it was written (`encoding` from the
// table of contents: "base64", or none for one byte a character).
function kvqSectionBytes(text, start, end, encoding) {
  return encoding === "base64" ? kvqDecodeBase64(text, start, end) : kvqUnescape(text, start, end);
}

let kvqCrcTable = null;

// CRC-32 as zlib computes it; `previous`, the CRC of the bytes before, continues a running one.
function kvqCrc32(bytes, previous = 0) {
  if (!kvqCrcTable) {
    kvqCrcTable = new Int32Array(256);
    for (let n = 0; n < 256; n++) {
      let c = n;
      for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
      kvqCrcTable[n] = c;
    }
  }
  const table = kvqCrcTable;
  let crc = ~previous;
  for (let i = 0; i < bytes.length; i++) crc = table[(crc ^ bytes[i]) & 0xff] ^ (crc >>> 8);
  return (crc ^ -1) >>> 0;
}

// The frames of one chunk, checked against the CRC-32 the writer took of them.
function kvqUnpackChunk(packed, properties, size, crc) {
  const frames = decodeLzma(properties, packed, 0, packed.length, size);
  if (kvqCrc32(frames) !== crc) throw new Error("damaged data");
  return frames;
}

// One piece of work, as the page hands it over: a chunk of frames to unpack, or a piece of the
// data text (the soundtrack) to turn back into bytes, with the running CRC-32 of the section so
// far. The reply carries `bytes` (and `crc` for a piece), or `error`.
function kvqRunJob(job) {
  try {
    if (job.kind === "chunk") return { index: job.index, bytes: kvqUnpackChunk(job.packed, job.properties, job.size, job.crc) };
    const bytes = kvqSectionBytes(job.text, 0, job.text.length, job.encoding);
    return { index: job.index, bytes, crc: kvqCrc32(bytes, job.crc) };
  } catch (error) {
    return { index: job.index, error: String((error && error.message) || error) };
  }
}

if (typeof WorkerGlobalScope !== "undefined" && self instanceof WorkerGlobalScope) {
  self.onmessage = (event) => {
    const reply = kvqRunJob(event.data);
    self.postMessage(reply, reply.bytes ? [reply.bytes.buffer] : []);
  };
}

if (typeof module !== "undefined") {
  // Under Node (the tests) the decoder is a module rather than an earlier script.
  if (typeof globalThis.decodeLzma !== "function") globalThis.decodeLzma = require("./lzma_decoder.js").decodeLzma;
  module.exports = { kvqUnescape, kvqDecodeBase64, kvqSectionBytes, kvqCrc32, kvqUnpackChunk, kvqRunJob };
}
