// SPDX-License-Identifier: MIT
// A mutation fuzzer for the page's unpacking code under Node, with the final stats lines of libFuzzer
// so that the same scripts read both.
//   node web/fuzz/fuzz.js TARGET [--runs N] [--seconds S] [--seed K] [--timeout S] [--artifacts DIR]
//                         [--packer PATH] [--write-seeds DIR]
// page_unpack: damaged page data (a chunk's text and its properties, size and CRC, or a piece of the
// soundtrack) through the page's own entry points; each must end in bytes or in one of the page's
// own messages. page_round_trip: animation-like frames packed by kvq export's code (page_packer) and
// unpacked by the page, which must give back the frames.
// The inputs run in a worker, so that this thread can stop one that hangs.
"use strict";
const fs = require("node:fs");
const path = require("node:path");
const threads = require("node:worker_threads");
const { isMainThread, workerData, parentPort } = threads;

const ROOT = path.resolve(__dirname, "../..");
const MAX_INPUT = 8192;
const FRAME_BYTES = 80 * 30;
const MAX_FRAMES = 48;
// No input may make the page allocate more than this at once (the decoder's output is one piece).
const ALLOCATION_LIMIT = 64 << 20;
const MESSAGES = ["damaged data", "corrupt LZMA data"];

function parseArguments(argv) {
  const options = { target: argv[0], runs: Infinity, seconds: Infinity, seed: Date.now() >>> 0, timeout: 10,
    artifacts: ".", packer: process.env.KVQ_PAGE_PACKER || path.join(ROOT, "build/fuzz/page_packer") };
  for (let i = 1; i < argv.length; i += 2) {
    const name = argv[i].replace(/^--/, "").replace(/-(.)/g, (_, c) => c.toUpperCase());
    if (!(name in options) && name !== "writeSeeds" || i + 1 >= argv.length) throw new Error("unknown option " + argv[i]);
    options[name] = ["runs", "seconds", "seed", "timeout"].includes(name) ? Number(argv[i + 1]) : argv[i + 1];
    if (Number.isNaN(options[name]) || options[name] < 0) throw new Error(`${argv[i]} needs a number, not ${argv[i + 1]}`);
  }
  if (!["page_unpack", "page_round_trip"].includes(options.target)) throw new Error("no target " + options.target);
  return options;
}

function mainThread() {
  let options;
  try {
    options = parseArguments(process.argv.slice(2));
  } catch (error) {
    console.error("fuzz.js: " + error.message);
    process.exit(2);
  }
  console.error(`INFO: Seed: ${options.seed}`);
  // [inputs done, length of the current input, stop asked] and the current input itself.
  const shared = new SharedArrayBuffer(12 + Math.max(MAX_INPUT, 1 + MAX_FRAMES * FRAME_BYTES));
  const state = new Int32Array(shared, 0, 3);
  const current = new Uint8Array(shared, 12);
  const worker = new threads.Worker(path.join(__dirname, "fuzz.js"), { workerData: { options, shared } });
  const started = Date.now();
  const tty = process.stderr.isTTY;
  let lastCount = -1, lastChange = Date.now(), lastLine = 0;
  const status = () => {
    const count = Atomics.load(state, 0), seconds = (Date.now() - started) / 1000;
    return `#${count}\texec/s: ${Math.round(count / Math.max(seconds, 1e-3))} rss: ${Math.round(process.memoryUsage.rss() / 1048576)}Mb`;
  };
  const fault = (what, input) => {
    const name = path.join(options.artifacts, `${options.target}-fault-${require("node:crypto").createHash("sha1").update(input).digest("hex")}`);
    fs.mkdirSync(options.artifacts, { recursive: true });
    fs.writeFileSync(name, input);
    const after = `after ${Atomics.load(state, 0)} inputs in ${Math.round((Date.now() - started) / 1000)} s`;
    console.error(`\n==fault== ${what}\n${after}: input (${input.length} bytes) written to ${name}`);
    if (input.length <= 512) console.error(Buffer.from(input).toString("hex"));
    process.exit(1);
  };
  const timer = setInterval(() => {
    const count = Atomics.load(state, 0);
    if (count !== lastCount) [lastCount, lastChange] = [count, Date.now()];
    else if (Date.now() - lastChange > options.timeout * 1000) {
      const input = Buffer.from(current.subarray(0, Atomics.load(state, 1)));
      worker.terminate();
      fault(`an input ran for more than ${options.timeout} s`, input);
    }
    if (tty) process.stderr.write("\r" + status() + "   ");
    else if (Date.now() - lastLine >= 10000) [lastLine] = [Date.now(), console.error(status())];
  }, 250);
  process.on("SIGINT", () => Atomics.store(state, 2, 1));
  worker.on("error", (error) => fault("the harness stopped: " + (error.stack || error), Buffer.from(current.subarray(0, Atomics.load(state, 1)))));
  worker.on("message", (message) => {
    if (message.fault) fault(message.fault, Buffer.from(message.input));
    if (message.setupError) process.exit(console.error("fuzz.js: " + message.setupError) || 2);
    if (message.seeds) process.exit(console.error(`wrote ${message.seeds} seeds to ${options.writeSeeds}`) || 0);
    clearInterval(timer);
    const count = message.runs, seconds = (Date.now() - started) / 1000;
    console.error((tty ? "\r" : "") + status() + "\nDone " + count + " runs in " + Math.round(seconds) + " second(s)");
    console.log(`stat::number_of_executed_units: ${count}`);
    console.log(`stat::average_exec_per_sec: ${Math.round(count / Math.max(seconds, 1e-3))}`);
    console.log(`stat::peak_rss_mb: ${Math.round(process.resourceUsage().maxRSS / 1024)}`);
    console.log(`stat::line_coverage: ${message.coverage}`);
  });
}

// Deterministic randomness from --seed (mulberry32).
function generator(seed) {
  let a = seed >>> 0;
  const next = () => {
    a = (a + 0x6d2b79f5) | 0;
    let t = Math.imul(a ^ (a >>> 15), 1 | a);
    t = (t + Math.imul(t ^ (t >>> 7), 61 | t)) ^ t;
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
  next.below = (n) => Math.floor(next() * n);
  return next;
}

// Frames as animations change: a screen drawn, then kept, touched up, scrolled, or drawn anew.
function animationFrames(random) {
  const count = 1 + Math.min(MAX_FRAMES - 1, Math.floor(-Math.log(1 - random()) * 3));
  const draw = () => {
    const frame = new Uint8Array(FRAME_BYTES);
    const style = random.below(4);
    const ink = [0x20, 0xdb, 0xb0, 0x2a, random.below(256)];
    for (let i = 0; i < FRAME_BYTES; i++) {
      frame[i] = style === 0 ? (random() < 0.1 ? 33 + random.below(94) : 0x20)
        : style === 1 ? random.below(256) : style === 2 ? ink[(i / (1 + random.below(40))) % 5 | 0] : ink[4];
    }
    return frame;
  };
  const frames = [draw()];
  while (frames.length < count) {
    const last = frames[frames.length - 1], choice = random();
    let next = last.slice();
    if (choice < 0.25) {
      // kept as it is
    } else if (choice < 0.7) {
      for (let k = 1 + random.below(20); k > 0; k--) next[random.below(FRAME_BYTES)] = random.below(256);
    } else if (choice < 0.8) {
      next.copyWithin(0, 80 * (1 + random.below(3)));
    } else if (choice < 0.9) {
      next = frames[random.below(frames.length)].slice();
    } else {
      next = draw();
    }
    frames.push(next);
  }
  const all = new Uint8Array(count * FRAME_BYTES);
  frames.forEach((frame, i) => all.set(frame, i * FRAME_BYTES));
  return all;
}

// kvq export's packing, in the helper process that one run keeps.
class Packer {
  constructor(file) {
    if (!fs.existsSync(file)) throw new Error(`no page_packer at ${file} (build it, or pass --packer)`);
    this.child = require("node:child_process").spawn(file, [], { stdio: ["pipe", "pipe", "inherit"] });
    this.buffer = Buffer.alloc(0);
    this.waiting = null;
    this.child.stdout.on("data", (data) => {
      this.buffer = Buffer.concat([this.buffer, data]);
      this.poll();
    });
    this.child.on("exit", (code) => this.waiting && this.waiting.reject(new Error(`page_packer ended (${code})`)));
  }
  pack(frames, base64) {
    return this.request(base64 ? 1 : 0, frames);
  }
  // liblzma's reading of a chunk: `properties` 0 and the bytes, or 1 where it refuses.
  unpack(properties, size, packed) {
    const header = Buffer.alloc(5);
    header[0] = properties;
    header.writeUInt32LE(size, 1);
    return this.request(2, Buffer.concat([header, packed]));
  }
  request(kind, payload) {
    return new Promise((resolve, reject) => {
      this.waiting = { resolve, reject };
      const header = Buffer.alloc(5);
      header.writeUInt32LE(payload.length);
      header[4] = kind;
      this.child.stdin.write(Buffer.concat([header, payload]));
    });
  }
  poll() {
    if (!this.waiting || this.buffer.length < 9 || this.buffer.length < 9 + this.buffer.readUInt32LE(5)) return;
    const end = 9 + this.buffer.readUInt32LE(5);
    const reply = { properties: this.buffer[0], crc: this.buffer.readUInt32LE(1), text: this.buffer.subarray(9, end) };
    this.buffer = this.buffer.subarray(end);
    const waiting = this.waiting;
    this.waiting = null;
    waiting.resolve(reply);
  }
  close() {
    this.child.stdin.end();
  }
}

// A page_unpack input: flags (1 base64, 2 a soundtrack piece rather than a chunk, 4 bytes from 0xf0
// up read as characters no page holds), properties, size (u32), CRC (u32), the section's start and
// how far its end falls short of the text's (signed), then the data text, a byte a character.
const HEADER = 12;
function unpackInput(flags, properties, size, crc, text) {
  const input = Buffer.alloc(HEADER + text.length);
  input[0] = flags;
  input[1] = properties;
  input.writeUInt32LE(size >>> 0, 2);
  input.writeUInt32LE(crc >>> 0, 6);
  input.set(text, HEADER);
  return input;
}

function workerThread() {
  const { options, shared } = workerData;
  const state = new Int32Array(shared, 0, 3);
  const current = new Uint8Array(shared, 12);
  const random = generator(options.seed);
  const corpus = [];
  const Bytes = Uint8Array;
  // Every Uint8Array the page makes goes through here: an absurd one is a fault, not a slow run.
  globalThis.Uint8Array = class extends Bytes {
    constructor(...args) {
      // Thrown on, as the page would meet it, and caught up with after the input.
      if (typeof args[0] === "number" && args[0] > ALLOCATION_LIMIT) overAllocation = args[0];
      super(...args);
    }
  };
  let overAllocation = 0;
  let page = null;  // loaded once coverage is on
  let decoded = null;  // what the page's decoder made of the last chunk, if it made anything
  const windows1252 = new TextDecoder("windows-1252");
  const decode = (bytes, wide) => (wide ? String.fromCharCode(...bytes.map((b) => (b >= 0xf0 ? b + 0x100 : b)))
    : windows1252.decode(bytes));
  // The page's escaping, as kvq export writes it, to check what the page reads against.
  const escape = (bytes) => windows1252.decode(bytes).replace(/[\0\r<=]/g, (c) => "=" + "\0\r<=".indexOf(c));

  // Whether `bytes` are what `piece` of the data text holds (a page may hold NUL, CR and '<' unescaped).
  const readAsWritten = (bytes, piece, encoding) => (encoding ? Buffer.compare(Buffer.from(piece, "base64"), bytes) === 0
    : escape(bytes) === piece.replace(/[\0\r<]/g, (c) => "=" + "\0\r<".indexOf(c)));
  const checkReply = (reply, size, crc) => {
    if (reply.error !== undefined) {
      if (!MESSAGES.includes(reply.error)) throw new Error("the page would show: " + reply.error);
    } else if (reply.bytes.length !== size || page.kvqCrc32(reply.bytes) !== crc >>> 0) {
      throw new Error("frames unpacked that do not match their size and CRC");
    }
  };

  const targets = {
    page_unpack: {
      seeds() {
        // What the page's decoder accepts, liblzma must read alike: no other oracle sees a bounds check
        // that is off by one, as a typed array reads undefined, or drops a write, past its end.
        if (fs.existsSync(options.packer)) this.reference = new Packer(options.packer);
        else console.error(`INFO: no page_packer at ${options.packer}: the decoder is not compared with liblzma`);
        for (const folder of ["tests/fuzz/corpus/page_unpack", "tests/fuzz/regressions/page_unpack"]) {
          const dir = path.join(ROOT, folder);
          if (fs.existsSync(dir)) for (const name of fs.readdirSync(dir).sort()) corpus.push(fs.readFileSync(path.join(dir, name)));
        }
        if (!corpus.length) corpus.push(unpackInput(0, 3, FRAME_BYTES, 0, Buffer.from("=0abc")));
      },
      run(input) {
        if (input.length < HEADER) return;
        const flags = input[0], size = input.readUInt32LE(2), crc = input.readUInt32LE(6);
        const encoding = flags & 1 ? "base64" : undefined;
        const text = decode(input.subarray(HEADER), flags & 4);
        if (flags & 2) {
          const piece = text.substring(input[10]);
          const reply = page.kvqRunJob({ kind: "section", index: "audio", text: piece, encoding, crc });
          if (reply.error !== undefined) return checkReply(reply);
          if (!readAsWritten(reply.bytes, piece, encoding)) throw new Error("a soundtrack piece read as other bytes than it holds");
          if (reply.crc !== page.kvqCrc32(reply.bytes, crc)) throw new Error("a soundtrack piece's running CRC is wrong");
          return;
        }
        let packed;
        const start = input[10], end = text.length - ((input[11] << 24) >> 24);
        try {
          packed = page.kvqSectionBytes(text, start, end, encoding);
        } catch (error) {
          return checkReply({ error: error.message });
        }
        if (end > text.length || start > end || !readAsWritten(packed, text.slice(start, end), encoding)) {
          throw new Error("a section read past its bounds, or as other bytes than it holds");
        }
        decoded = null;
        checkReply(page.kvqRunJob({ kind: "chunk", index: 0, packed, properties: input[1], size, crc }), size, crc);
        // liblzma reads no more than 4 bits of literal context (lc + lp), which kvq export never exceeds.
        if (!decoded || !this.reference || (input[1] % 9) + (((input[1] / 9) | 0) % 5) > 4) return;
        const out = decoded;
        return this.reference.unpack(input[1], size, packed).then((reference) => {
          if (reference.properties !== 0) throw new Error("the page's decoder accepts a chunk that liblzma refuses");
          if (Buffer.compare(reference.text, out) !== 0) throw new Error("the page's decoder reads a chunk otherwise than liblzma");
        });
      },
      mutate(input) {
        const out = Array.from(input);
        const pick = () => random.below(out.length + 1);
        for (let n = 1 + random.below(4); n > 0; n--) {
          while (out.length < HEADER) out.push(0);
          const at = pick(), kind = random.below(11);
          if (kind === 0) out[at] ^= 1 << random.below(8);
          else if (kind === 1) out[at] = [0, 0xff, 0x3d, 0x30, 0x33, 0x34, 0x3c, 0x0d, random.below(256)][random.below(9)];
          else if (kind === 2) out.splice(at, 0, ...Array.from({ length: 1 + random.below(8) }, () => random.below(256)));
          else if (kind === 3) out.splice(at, 1 + random.below(16));
          else if (kind === 4) out.length = Math.max(HEADER, at);
          else if (kind === 5) {
            const other = corpus[random.below(corpus.length)];
            const from = random.below(other.length);
            out.splice(at, random.below(64), ...other.subarray(from, from + random.below(256)));
          } else if (kind === 6 || kind === 7) {
            // The size: a little off, far off, absurd, or short, so that the decoder stops early and
            // a damaged stream is accepted (and compared with liblzma's reading) more often.
            const size = Buffer.from(out.slice(0, HEADER)).readUInt32LE(2);
            const claims = [size + 1, size - 1, size * 2, size >>> 1, 0, 1, random.below(2 ** 32), 2 ** 32 - 1,
              ALLOCATION_LIMIT + 1, size + FRAME_BYTES, size * 1000, 1 + random.below(64), random.below(size + 1)];
            const b = Buffer.alloc(4);
            b.writeUInt32LE(claims[random.below(claims.length)] >>> 0);
            out.splice(2, 4, ...b);
          } else if (kind === 8) out[1] = [out[1] + 1, out[1] - 1, 224, 225, random.below(256)][random.below(5)] & 0xff;
          else if (kind === 9) out[6 + random.below(4)] ^= 1 << random.below(8);
          else out[10 + random.below(2)] = [0, 1, 2, 0xff, 0xfe, random.below(256)][random.below(6)];
        }
        return Buffer.from(out.slice(0, MAX_INPUT));
      },
    },
    page_round_trip: {
      seeds() {
        this.packer = new Packer(options.packer);
        const dir = path.join(ROOT, "tests/fuzz/regressions/page_round_trip");
        if (fs.existsSync(dir)) for (const name of fs.readdirSync(dir).sort()) corpus.push(fs.readFileSync(path.join(dir, name)));
      },
      // The input: the encoding (1 base64) and the frames.
      async run(input) {
        const frames = input.subarray(1), base64 = input[0] === 1;
        const packed = await this.packer.pack(frames, base64);
        const text = windows1252.decode(packed.text);
        const bytes = page.kvqSectionBytes(text, 0, text.length, base64 ? "base64" : undefined);
        const reply = page.kvqRunJob({ kind: "chunk", index: 0, packed: bytes, properties: packed.properties, size: frames.length, crc: packed.crc });
        if (reply.error !== undefined) throw new Error("the page cannot unpack what kvq export packed: " + reply.error);
        if (Buffer.compare(reply.bytes, frames) !== 0) throw new Error("the page unpacked other frames than were packed");
      },
      mutate() {
        return Buffer.concat([Buffer.from([random.below(2)]), animationFrames(random)]);
      },
    },
  };

  const lineCoverage = (entries) => ["unpack.js", "lzma_decoder.js"].map((name) => {
    const file = path.join(ROOT, "web", name);
    const entry = entries.find((e) => e.url.endsWith("/web/" + name));
    const ranges = entry ? entry.functions.flatMap((f) => f.ranges) : [];
    const source = fs.readFileSync(file, "utf8");
    let offset = 0, lines = 0, hit = 0;
    for (const line of source.split("\n")) {
      const code = line.trim(), at = offset + line.length - line.trimStart().length;
      offset += line.length + 1;
      if (!code || code.startsWith("//") || /^[\]})(;,]*$/.test(code)) continue;
      // The innermost block around the line's first character says how often it ran.
      let best = null;
      for (const r of ranges) {
        if (r.startOffset <= at && at < r.endOffset && (!best || r.endOffset - r.startOffset < best.endOffset - best.startOffset)) best = r;
      }
      lines++;
      if (best && best.count > 0) hit++;
      else if (process.env.KVQ_FUZZ_UNCOVERED) console.error(`${name}: not run: ${code}`);
    }
    return `${name} ${((100 * hit) / Math.max(lines, 1)).toFixed(1)}%`;
  }).join(" ");

  (async () => {
    const inspector = new (require("node:inspector").Session)();
    inspector.connect();
    const post = (method, params) => new Promise((resolve, reject) => inspector.post(method, params, (e, r) => (e ? reject(e) : resolve(r))));
    await post("Profiler.enable");
    await post("Profiler.startPreciseCoverage", { callCount: true, detailed: true });
    page = require("../unpack.js");
    const decodeLzma = globalThis.decodeLzma;
    globalThis.decodeLzma = (...args) => (decoded = decodeLzma(...args));
    const target = targets[options.target];
    if (options.writeSeeds) return writeSeeds(options, animationFrames, random, Packer, unpackInput, escape);
    try {
      target.seeds();
    } catch (error) {
      return parentPort.postMessage({ setupError: error.message });
    }
    const started = Date.now();
    let runs = 0, input = null;
    try {
      for (; runs < options.runs && !Atomics.load(state, 2); runs++) {
        if ((runs & 255) === 0 && Date.now() - started > options.seconds * 1000) break;
        input = runs < corpus.length ? corpus[runs] : target.mutate(corpus[random.below(corpus.length)] || Buffer.alloc(0));
        current.set(input.subarray(0, current.length));
        Atomics.store(state, 1, Math.min(input.length, current.length));
        const pending = target.run(input);
        if (pending) await pending;
        if (overAllocation) throw new Error(`the page allocated ${overAllocation} bytes at once`);
        Atomics.store(state, 0, runs + 1);
      }
    } catch (error) {
      parentPort.postMessage({ fault: overAllocation ? error.message : error.stack, input });
      return;
    }
    for (const helper of [target.packer, target.reference]) if (helper) helper.close();
    const coverage = lineCoverage((await post("Profiler.takePreciseCoverage")).result);
    parentPort.postMessage({ runs, coverage });
  })();
}

// The committed seeds of page_unpack: chunks as kvq export packs them, in both encodings, and
// soundtrack pieces, each with its right size and CRC.
async function writeSeeds(options, animationFrames, random, Packer, unpackInput, escape) {
  const packer = new Packer(options.packer);
  fs.mkdirSync(options.writeSeeds, { recursive: true });
  let n = 0;
  const write = (name, input) => fs.writeFileSync(path.join(options.writeSeeds, `${String(n++).padStart(2, "0")}-${name}`), input);
  for (const base64 of [0, 1]) {
    for (let k = 0; k < 3; k++) {
      let frames;
      do frames = animationFrames(random); while (frames.length > (k + 1) * 2 * FRAME_BYTES);
      const packed = await packer.pack(Buffer.from(frames), base64);
      write(`chunk-${frames.length / FRAME_BYTES}-frames${base64 ? "-base64" : ""}`,
        unpackInput(base64, packed.properties, frames.length, packed.crc, packed.text));
    }
    const sound = Buffer.from(Array.from({ length: 300 }, () => random.below(256)));
    const text = base64 ? sound.toString("base64") : escape(sound);
    write(`soundtrack-piece${base64 ? "-base64" : ""}`, unpackInput(base64 | 2, 0, 0, 0, Buffer.from(text, "latin1")));
  }
  packer.close();
  parentPort.postMessage({ seeds: n });
}

if (isMainThread) mainThread();
else workerThread();
