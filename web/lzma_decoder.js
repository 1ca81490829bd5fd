// Decoder for raw LZMA1 streams (the algorithm of the .lzma "alone" format,
// without its 13-byte header), written from the public format description.
//
// decodeLzma(properties, input, inputOffset, inputEnd, outputSize)
//   -> Uint8Array of exactly outputSize bytes.
// properties is the usual (pb * 5 + lp) * 9 + lc byte; the stream occupies
// input[inputOffset .. inputEnd). Decoding stops once outputSize bytes exist,
// so a trailing end-of-payload marker is never read. The output buffer doubles
// as the dictionary. Any inconsistency throws Error("corrupt LZMA data").
//
// Speed notes (V8):
// - range and code hold unsigned 32-bit values in int32 variables ("| 0",
//   Math.imul, ">>> 0" only inside comparisons). Values of 2^31 and up kept
//   as plain numbers would be doubles, heap-allocated whenever they are
//   stored outside a register (e.g. in a closure's context).
// - For the same reason no closure captures the range coder state: the hot
//   path (isMatch + literal, most of the bits) keeps it in locals, and the
//   helpers used for matches share it through a small Int32Array.

function decodeLzma(properties, input, inputOffset, inputEnd, outputSize) {
  // Strict mode only inside: the file gets concatenated into pages.
  "use strict";

  function corrupt() {
    throw new Error("corrupt LZMA data");
  }

  if (properties !== (properties & 0xff) || properties >= 225) corrupt();
  if (!(inputOffset >= 0 && inputOffset <= inputEnd && inputEnd <= input.length)) corrupt();
  const lc = properties % 9;
  const lp = ((properties / 9) | 0) % 5;
  const pb = (properties / 45) | 0;

  // At best a byte of input yields about 7100 (a rep match of 273 bytes, its 14 bits each at the
  // odds the model saturates at): a larger claim is damage, refused before it is allocated.
  if (!(outputSize <= (inputEnd - inputOffset) * 8192)) corrupt();
  const out = new Uint8Array(outputSize);
  if (outputSize === 0) return out; // nothing to decode; the stream is not read

  // All adaptive probabilities live in one array; each model is an offset.
  const IS_MATCH = 0;              // [state][posState]  12 * 16
  const IS_REP = 192;              // [state]
  const IS_REP_G0 = 204;
  const IS_REP_G1 = 216;
  const IS_REP_G2 = 228;
  const IS_REP0_LONG = 240;        // [state][posState]  12 * 16
  const POS_SLOT = 432;            // [lenState][64]
  const SPEC_POS = 688;            // distances 4..127: 114, +1 as trees are 1-based
  const ALIGN = 803;               // 16
  const LEN = 819;                 // length coder of plain matches
  const REP_LEN = LEN + 514;       // length coder of rep matches
  const LITERAL = REP_LEN + 514;   // [litState][0x300]
  // Length coder layout: choice, choice2, low[16][8], mid[16][8], high[256].
  const L_CHOICE2 = 1, L_LOW = 2, L_MID = 130, L_HIGH = 258;

  const probs = new Uint16Array(LITERAL + (0x300 << (lc + lp))).fill(1024);

  // The encoder's first byte is always 0: its carry cache starts out empty.
  if (inputEnd - inputOffset < 5 || input[inputOffset] !== 0) corrupt();
  let range = -1; // 0xffffffff
  let code = 0;
  for (let i = 1; i < 5; i++) code = (code << 8) | input[inputOffset + i];
  let inPos = inputOffset + 5;
  if (code === range) corrupt();

  // Range coder state for the match helpers: [range, code, inPos].
  const rc = new Int32Array(3);

  // Decodes numBits adaptive bits as a binary tree rooted at probs[base + 1]
  // and returns them most significant first. Normalising after each bit
  // (not before) consumes exactly the bytes the encoder wrote, so running
  // past inputEnd really means truncation.
  function tree(base, numBits) {
    let range = rc[0], code = rc[1], inPos = rc[2], m = 1;
    for (let n = 0; n < numBits; n++) {
      const i = base + m;
      const p = probs[i];
      const bound = Math.imul(range >>> 11, p);
      if ((code >>> 0) < (bound >>> 0)) {
        range = bound;
        probs[i] = p + ((2048 - p) >>> 5);
        m <<= 1;
      } else {
        range = (range - bound) | 0;
        code = (code - bound) | 0;
        probs[i] = p - (p >>> 5);
        m = (m << 1) | 1;
      }
      if ((range >>> 24) === 0) {
        if (inPos >= inputEnd) corrupt();
        range <<= 8;
        code = (code << 8) | input[inPos++];
      }
    }
    rc[0] = range;
    rc[1] = code;
    rc[2] = inPos;
    return m - (1 << numBits);
  }

  function bit(i) {
    return tree(i - 1, 1);
  }

  // The low bits of distances are coded least significant first; the tree
  // walk is the same, only the result is mirrored.
  function reverseTree(base, numBits) {
    const v = tree(base, numBits);
    let r = 0;
    for (let n = 0; n < numBits; n++) r |= ((v >>> n) & 1) << (numBits - 1 - n);
    return r;
  }

  // Bits with probability one half, used for the middle of long distances.
  // They are unpredictable, so decode them without a branch: subtract, and
  // add back if the sign shows code was below range (a 0 bit). Valid input
  // keeps code < 2 * range, so the int32 difference has the right sign.
  function directBits(n) {
    let range = rc[0], code = rc[1], inPos = rc[2], result = 0;
    while (n-- > 0) {
      range = range >>> 1;
      code = (code - range) | 0;
      const t = code >> 31;
      code = (code + (range & t)) | 0;
      result = (result << 1) + t + 1;
      if ((range >>> 24) === 0) {
        if (inPos >= inputEnd) corrupt();
        range <<= 8;
        code = (code << 8) | input[inPos++];
      }
    }
    rc[0] = range;
    rc[1] = code;
    rc[2] = inPos;
    return result >>> 0;
  }

  // Match length minus 2, in 0..271.
  function length(base, posState) {
    if (bit(base) === 0) return tree(base + L_LOW + (posState << 3), 3);
    if (bit(base + L_CHOICE2) === 0) return 8 + tree(base + L_MID + (posState << 3), 3);
    return 16 + tree(base + L_HIGH, 8);
  }

  // Distance minus 1 (0xffffffff marks the end of the payload).
  function distance(len) {
    const slot = tree(POS_SLOT + ((len < 3 ? len : 3) << 6), 6);
    if (slot < 4) return slot;
    const numDirect = (slot >>> 1) - 1;
    const dist = ((2 | (slot & 1)) << numDirect) >>> 0;
    if (slot < 14) return dist + reverseTree(SPEC_POS + dist - slot, numDirect);
    const mid = directBits(numDirect - 4);
    return dist + mid * 16 + reverseTree(ALIGN, 4);
  }

  const pbMask = (1 << pb) - 1;
  const lpMask = (1 << lp) - 1;
  let state = 0;
  let rep0 = 0, rep1 = 0, rep2 = 0, rep3 = 0; // distances minus 1
  let pos = 0;

  while (pos < outputSize) {
    const posState = pos & pbMask;

    // isMatch and the literal are inlined with locals: they are most bits.
    const im = IS_MATCH + (state << 4) + posState;
    let p = probs[im];
    let bound = Math.imul(range >>> 11, p);
    if ((code >>> 0) < (bound >>> 0)) {
      range = bound;
      probs[im] = p + ((2048 - p) >>> 5);
      if ((range >>> 24) === 0) {
        if (inPos >= inputEnd) corrupt();
        range <<= 8;
        code = (code << 8) | input[inPos++];
      }

      // Literal context: low lp bits of the position, high lc bits of the
      // previous byte.
      const prev = pos > 0 ? out[pos - 1] : 0;
      const lit = LITERAL + 0x300 * (((pos & lpMask) << lc) + (prev >>> (8 - lc)));
      let sym = 1;
      if (state >= 7) {
        // Right after a match the byte at rep0 is a good predictor: use its
        // bits as extra context until the first bit that differs. state >= 7
        // implies an earlier match whose distance was already checked.
        let matchByte = out[pos - rep0 - 1];
        do {
          const mb = (matchByte >>> 7) & 1;
          matchByte <<= 1;
          const j = lit + ((1 + mb) << 8) + sym;
          p = probs[j];
          bound = Math.imul(range >>> 11, p);
          let b;
          if ((code >>> 0) < (bound >>> 0)) {
            range = bound;
            probs[j] = p + ((2048 - p) >>> 5);
            b = 0;
          } else {
            range = (range - bound) | 0;
            code = (code - bound) | 0;
            probs[j] = p - (p >>> 5);
            b = 1;
          }
          if ((range >>> 24) === 0) {
            if (inPos >= inputEnd) corrupt();
            range <<= 8;
            code = (code << 8) | input[inPos++];
          }
          sym = (sym << 1) | b;
          if (mb !== b) break;
        } while (sym < 0x100);
      }
      while (sym < 0x100) {
        const j = lit + sym;
        p = probs[j];
        bound = Math.imul(range >>> 11, p);
        if ((code >>> 0) < (bound >>> 0)) {
          range = bound;
          probs[j] = p + ((2048 - p) >>> 5);
          sym <<= 1;
        } else {
          range = (range - bound) | 0;
          code = (code - bound) | 0;
          probs[j] = p - (p >>> 5);
          sym = (sym << 1) | 1;
        }
        if ((range >>> 24) === 0) {
          if (inPos >= inputEnd) corrupt();
          range <<= 8;
          code = (code << 8) | input[inPos++];
        }
      }
      out[pos++] = sym;
      state = state < 4 ? 0 : state < 10 ? state - 3 : state - 6;
      continue;
    }
    range = (range - bound) | 0;
    code = (code - bound) | 0;
    probs[im] = p - (p >>> 5);
    if ((range >>> 24) === 0) {
      if (inPos >= inputEnd) corrupt();
      range <<= 8;
      code = (code << 8) | input[inPos++];
    }

    // A match of some kind: hand the coder state to the helpers.
    rc[0] = range;
    rc[1] = code;
    rc[2] = inPos;
    let len;
    if (bit(IS_REP + state) === 0) {
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      len = length(LEN, posState);
      state = state < 7 ? 7 : 10;
      rep0 = distance(len);
      // Also catches the end marker, which is only legal once the output is
      // complete, and then we never get here.
      if (rep0 >= pos) corrupt();
    } else {
      // Every rep distance was checked when first decoded and pos only
      // grows; the initial zeros (distance 1) are valid from pos 1 on.
      if (pos === 0) corrupt();
      let shortRep = false;
      if (bit(IS_REP_G0 + state) === 0) {
        shortRep = bit(IS_REP0_LONG + (state << 4) + posState) === 0;
      } else {
        let dist;
        if (bit(IS_REP_G1 + state) === 0) {
          dist = rep1;
        } else {
          if (bit(IS_REP_G2 + state) === 0) {
            dist = rep2;
          } else {
            dist = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = dist;
      }
      if (shortRep) {
        len = -1; // a single byte from distance rep0
        state = state < 7 ? 9 : 11;
      } else {
        len = length(REP_LEN, posState);
        state = state < 7 ? 8 : 11;
      }
    }
    range = rc[0];
    code = rc[1];
    inPos = rc[2];

    // Copy forwards byte by byte: source and destination overlap for runs.
    let end = pos + len + 2;
    if (end > outputSize) end = outputSize;
    let src = pos - rep0 - 1;
    while (pos < end) out[pos++] = out[src++];
  }

  return out;
}

if (typeof module !== "undefined") module.exports = { decodeLzma };
