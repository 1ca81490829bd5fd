// SPDX-License-Identifier: MIT
// The frames and the soundtrack, out of the page's data text: the chunks near the play head, unpacked
// one job at a time by a worker (or on the page where no worker runs), then the soundtrack in pieces.
/* global kvqSectionBytes, kvqRunJob */

class FrameStore {
  static CHUNKS_AHEAD = 2;
  static CHUNKS_KEPT = 6;
  // The soundtrack is unpacked this many characters of the page at a time (tens of milliseconds).
  static SOUND_PIECE_CHARS = 1 << 20;
  // A job takes milliseconds; one that has not come back by then never will (a worker that hangs).
  static JOB_TIMEOUT_MS = 10000;

  #meta;
  #frameBytes;
  #data;
  #events;
  #chunks = new Map();  // index -> frames (Uint8Array)
  #wanted = [];         // chunks to unpack, most urgent first
  #inFlight = null;     // the one job given out: more would queue behind stale seeks
  #jobTimer = 0;
  #worker;
  #audioLoaded;
  #audioPieces = [];
  #audioAt;             // where the next piece of the soundtrack begins
  #audioPieceEnd = 0;
  #audioCrc = 0;
  #failed = false;

  // `events`: chunk(index) when a chunk is ready, sound(pieces) once the whole soundtrack is,
  // failed(sentence) when the data cannot be had. A frame is `frameBytes` bytes; a still piece's
  // data holds its one frame, whatever its length.
  constructor(meta, data, events, frameBytes) {
    this.#meta = meta;
    this.#frameBytes = frameBytes;
    this.#data = data;
    this.#events = events;
    this.#audioLoaded = !meta.audio;
    this.#audioAt = meta.audio ? meta.audio[0] : 0;
    this.#worker = this.#startWorker();
  }

  // The frames of `frame`'s chunk and where that frame starts in them, or null until unpacked.
  framesOf(frame) {
    if (this.#meta.still) frame = 0;
    const chunk = this.#chunks.get(Math.floor(frame / this.#meta.chunkFrames));
    return chunk ? { frames: chunk, offset: (frame % this.#meta.chunkFrames) * this.#frameBytes } : null;
  }

  // The chunk of `frame` and those just after it (and the first, when looping); chunks far behind
  // are let go.
  keepFor(frame, loop) {
    const current = this.#meta.still ? 0 : Math.floor(frame / this.#meta.chunkFrames);
    this.#wanted = [];
    for (let ahead = 0; ahead <= FrameStore.CHUNKS_AHEAD; ahead++) {
      if (current + ahead < this.#meta.chunks.length) this.#wanted.push(current + ahead);
    }
    if (loop && current !== 0) this.#wanted.push(0);
    this.#pump();
    if (this.#chunks.size > FrameStore.CHUNKS_KEPT) {
      for (const index of this.#chunks.keys()) {
        const near = index >= current - 1 && index <= current + FrameStore.CHUNKS_AHEAD;
        if (!near && !(loop && index === 0)) this.#chunks.delete(index);
      }
    }
  }

  #startWorker() {
    try {
      const source = document.getElementById("kvq-lzma").textContent + "\n" +
        document.getElementById("kvq-unpack").textContent;
      const worker = new Worker(URL.createObjectURL(new Blob([source], { type: "text/javascript" })));
      worker.onmessage = (event) => this.#jobDone(event.data);
      worker.onerror = (event) => {
        // A worker that cannot run here: the page does the work itself, the lost job again.
        event.preventDefault();
        this.#worker = null;
        this.#inFlight = null;
        clearTimeout(this.#jobTimer);
        this.#pump();
      };
      return worker;
    } catch {
      return null;  // no worker here (a file: page in some browsers): unpack on the page instead
    }
  }

  #chunkFrameCount(index) {
    const stored = this.#meta.still ? 1 : this.#meta.frames;
    return Math.min(this.#meta.chunkFrames, stored - index * this.#meta.chunkFrames);
  }

  // The next job: the most urgent chunk not yet unpacked, then the soundtrack.
  #nextJob() {
    const meta = this.#meta;
    const index = this.#wanted.find((i) => !this.#chunks.has(i));
    if (index !== undefined) {
      const entry = meta.chunks[index];
      const packed = kvqSectionBytes(this.#data, entry[0], entry[1], meta.encoding);
      const size = this.#chunkFrameCount(index) * this.#frameBytes;
      return { kind: "chunk", index, packed, properties: entry[2], size, crc: entry[3] >>> 0 };
    }
    if (this.#audioLoaded) return null;
    // In pieces, so that a seek never waits behind an hour's soundtrack. A piece never ends inside
    // an escape ('=' and a digit), nor inside base64's groups of four.
    const last = meta.audio[1];
    let end = Math.min(this.#audioAt + FrameStore.SOUND_PIECE_CHARS, last);
    if (end < last && meta.encoding === "base64") end -= (end - meta.audio[0]) % 4;
    else if (end < last && this.#data.charCodeAt(end - 1) === 0x3d) end++;
    const text = this.#data.substring(this.#audioAt, end);
    return { kind: "section", index: "audio", text, encoding: meta.encoding, crc: this.#audioCrc, end };
  }

  #pump() {
    if (this.#inFlight !== null || this.#failed) return;
    let job;
    try {
      job = this.#nextJob();
    } catch {
      return this.#fail("This page's data is damaged, so its animation cannot be shown.");
    }
    if (!job) return;
    this.#inFlight = job.index;
    this.#audioPieceEnd = job.end;
    this.#jobTimer = setTimeout(() => {
      if (this.#worker) this.#worker.terminate();
      this.#fail("This page's data could not be unpacked: the browser's worker stopped answering.");
    }, FrameStore.JOB_TIMEOUT_MS);
    if (this.#worker) this.#worker.postMessage(job, job.packed ? [job.packed.buffer] : []);
    else setTimeout(() => this.#jobDone(kvqRunJob(job)), 0);
  }

  #jobDone(reply) {
    clearTimeout(this.#jobTimer);
    this.#inFlight = null;
    if (this.#failed) return;
    if (!reply || reply.error || !reply.bytes) {
      return this.#fail("This page's data is damaged, so its animation cannot be shown.");
    }
    if (reply.index === "audio") {
      this.#audioPieces.push(reply.bytes);
      this.#audioCrc = reply.crc;
      this.#audioAt = this.#audioPieceEnd;
      if (this.#audioAt >= this.#meta.audio[1]) {
        if (this.#audioCrc !== this.#meta.audio[2] >>> 0) {
          return this.#fail("This page's data is damaged, so its animation cannot be shown.");
        }
        this.#audioLoaded = true;
        const pieces = this.#audioPieces;
        this.#audioPieces = [];
        this.#events.sound(pieces);
      }
    } else {
      this.#chunks.set(reply.index, reply.bytes);
      this.#events.chunk(reply.index);
    }
    this.#pump();
  }

  #fail(sentence) {
    if (this.#failed) return;
    this.#failed = true;
    this.#events.failed(sentence);
  }
}
