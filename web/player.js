// SPDX-License-Identifier: MIT
// The page's player: draws each frame exactly as the full-screen player does, keeps it in step
// with the soundtrack, and offers the review player's keys and a control bar.
"use strict";
(() => {
  const WIDTH = 640, HEIGHT = 480, COLUMNS = 80, ROWS = 30, CELLS = COLUMNS * ROWS;
  // 0xAABBGGRR: ImageData's bytes seen through a little-endian Uint32Array.
  const INK = 0xff101417, PAPER = 0xffa0cce8;
  const SPEEDS = [0.25, 0.5, 1, 1.5, 2, 4];
  const SEEK_SECONDS = 5;
  const CHUNKS_AHEAD = 2;
  const CHUNKS_KEPT = 6;
  // The sound's reading jumps this far from the clock only on a seek or a stall: then the clock
  // takes it; nearer readings draw the clock towards them, so the picture never stutters.
  const CLOCK_JUMP_SECONDS = 0.25;
  const CLOCK_PULL = 0.25;
  // The soundtrack is unpacked this many characters of the page at a time (tens of milliseconds).
  const SOUND_PIECE_CHARS = 1 << 20;
  // How long the picture waits for sound that was asked to start.
  const SOUND_WAIT_MS = 1000;

  const root = document.getElementById("kvq");
  const message = root.querySelector(".kvq-message");

  function say(sentence) {
    message.textContent = sentence;
    message.hidden = false;
    root.dataset.state = "error";
  }

  function missingFeature() {
    const needs = [
      ["canvas drawing", () => !!document.createElement("canvas").getContext],
      ["typed arrays", () => typeof Uint8Array === "function" && typeof Int16Array === "function"],
      ["TextDecoder", () => typeof TextDecoder === "function"],
      ["requestAnimationFrame", () => typeof requestAnimationFrame === "function"],
      ["Blob URLs", () => typeof Blob === "function" && !!(window.URL && URL.createObjectURL)],
    ];
    for (const [name, present] of needs) {
      try {
        if (!present()) return name;
      } catch (error) {
        return name;
      }
    }
    try {
      new TextDecoder("windows-1252");
    } catch (error) {
      return "the windows-1252 TextDecoder";
    }
    return null;
  }

  function element(tag, attributes, text) {
    const made = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) made.setAttribute(name, value);
    if (text !== undefined) made.textContent = text;
    return made;
  }

  function clockText(seconds) {
    const whole = Math.max(0, Math.floor(seconds));
    const hours = Math.floor(whole / 3600), minutes = Math.floor(whole / 60) % 60, rest = whole % 60;
    const mm = hours ? String(minutes).padStart(2, "0") : String(minutes);
    return (hours ? hours + ":" : "") + mm + ":" + String(rest).padStart(2, "0");
  }

  // The table of contents agrees with itself: every frame in a chunk, every section in order.
  function wellFormed(meta) {
    const whole = (n) => Number.isInteger(n) && n >= 0;
    const section = (entry, length) => Array.isArray(entry) && whole(entry[0]) && whole(entry[1]) &&
      entry[0] <= entry[1] && entry[1] <= length;
    return whole(meta.frames) && meta.frames > 0 && meta.framesPerSecond > 0 && whole(meta.chunkFrames) &&
      meta.chunkFrames > 0 && whole(meta.posterFrame) && meta.posterFrame < meta.frames &&
      Array.isArray(meta.chunks) && meta.chunks.length === Math.ceil(meta.frames / meta.chunkFrames) &&
      meta.chunks.every((chunk) => section(chunk, meta.dataLength)) &&
      section(meta.font, meta.headLength) && section(meta.poster, meta.headLength) &&
      (meta.audio === null || section(meta.audio, meta.dataLength));
  }

  function start() {
    const missing = missingFeature();
    if (missing) return say("This browser lacks " + missing + ", which this page needs to play the animation.");
    let meta, head;
    try {
      meta = JSON.parse(document.getElementById("kvq-meta").textContent);
      head = document.getElementById("kvq-head").textContent;
    } catch (error) {
      return say("This page is damaged, so its animation cannot be shown.");
    }
    if (document.characterSet.toLowerCase() !== "windows-1252") {
      return say("This page was read as " + document.characterSet + ", not as the windows-1252 it is written in: " +
        "serve it as it is, with no other charset.");
    }
    if (head.length !== meta.headLength || !wellFormed(meta)) {
      return say("This page is damaged, so its animation cannot be shown.");
    }
    let player;
    try {
      player = new Player(meta, head);
    } catch (error) {
      return say("This page's data is damaged, so its animation cannot be shown.");
    }
    // The poster is up; the frames and the sound follow once the whole page has arrived.
    const attach = () => {
      const dataElement = document.getElementById("kvq-data");
      const data = dataElement ? dataElement.textContent : "";
      if (data.length !== meta.dataLength) {
        return say("This page is cut short: only part of its animation arrived, so it cannot be shown.");
      }
      try {
        player.attachData(data);
      } catch (error) {
        player.dataDamaged();
      }
    };
    if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", attach);
    else attach();
  }

  class Player {
    constructor(meta, head) {
      this.meta = meta;
      this.head = head;
      this.data = null;
      this.frameCount = meta.frames;
      this.fps = meta.framesPerSecond;
      this.duration = this.frameCount / this.fps;
      this.glyphRows = this.buildGlyphs();
      const poster = this.section(head, meta.poster);
      this.chunks = new Map();   // index -> frames (Uint8Array)
      this.wanted = [];          // chunks to unpack, most urgent first
      this.inFlight = null;      // the one job given out: more would queue behind stale seeks
      this.audioLoaded = !meta.audio;
      this.audioPieces = [];
      this.audioAt = meta.audio ? meta.audio[0] : 0;  // where the next piece of it begins
      this.audioCrc = 0;
      this.soundAttempt = 0;
      this.damaged = false;
      this.worker = this.startWorker();

      this.playing = false;
      this.started = false;
      this.speed = 1;
      this.loop = !!meta.loop;
      this.muted = false;
      this.anchorSeconds = meta.posterFrame / this.fps;
      this.anchorTime = performance.now();
      this.lastReading = -1;
      this.shownFrame = -1;
      this.drawQueued = false;

      this.audio = null;
      this.buildView();
      this.exposeApi();
      this.showPicture(meta.posterFrame, poster, 0);
    }

    attachData(data) {
      this.data = data;
      root.dataset.state = "ready";
      if (this.meta.autoplay) this.autoMuted = true;
      if (this.meta.autoplay || this.playWhenLoaded) this.play();
      this.requestDraw();
    }

    // ---- data ----

    section(text, entry) {
      const bytes = kvqUnescape(text, entry[0], entry[1]);
      if (kvqCrc32(bytes) !== entry[2] >>> 0) throw new Error("damaged data");
      return bytes;
    }

    buildGlyphs() {
      const rows = new Uint8Array(256 * 16);
      rows.set(this.section(this.head, this.meta.font), 0);
      for (let i = 0; i < 128 * 16; i++) rows[128 * 16 + i] = ~rows[i] & 0xff;
      return rows;
    }

    soundArrived(pieces) {
      const audio = new Audio(URL.createObjectURL(new Blob(pieces, { type: "audio/mpeg" })));
      audio.preload = "auto";
      audio.preservesPitch = true;
      audio.playbackRate = this.speed;
      audio.addEventListener("error", () => {
        // Sound the browser cannot decode: the picture plays on, silent, on its own clock.
        this.audio = null;
        this.awaitingSound = false;
      });
      // The sound stops with the frames even where no animation frames come (a hidden tab).
      audio.addEventListener("timeupdate", () => {
        if (audio.currentTime >= this.duration && !audio.paused) audio.pause();
      });
      this.audio = audio;
      this.muteButton.disabled = false;
      if (this.playing) this.startSound();
    }

    startWorker() {
      try {
        const source = document.getElementById("kvq-lzma").textContent + "\n" + document.getElementById("kvq-unpack").textContent;
        const worker = new Worker(URL.createObjectURL(new Blob([source], { type: "text/javascript" })));
        worker.onmessage = (event) => this.jobDone(event.data);
        worker.onerror = (event) => {
          // A worker that cannot run here: the page does the work itself, the lost job again.
          event.preventDefault();
          this.worker = null;
          this.inFlight = null;
          this.pump();
        };
        return worker;
      } catch (error) {
        return null;  // no worker here (a file: page in some browsers): unpack on the page instead
      }
    }

    chunkFrameCount(index) {
      return Math.min(this.meta.chunkFrames, this.frameCount - index * this.meta.chunkFrames);
    }

    // The next job: the most urgent chunk not yet unpacked, then the soundtrack.
    nextJob() {
      const index = this.wanted.find((i) => !this.chunks.has(i));
      if (index !== undefined) {
        const entry = this.meta.chunks[index];
        const packed = kvqUnescape(this.data, entry[0], entry[1]);
        return { kind: "chunk", index, packed, properties: entry[2], size: this.chunkFrameCount(index) * CELLS, crc: entry[3] >>> 0 };
      }
      if (!this.audioLoaded) {
        // In pieces, so that a seek never waits behind an hour's soundtrack; an escape is never cut.
        let end = Math.min(this.audioAt + SOUND_PIECE_CHARS, this.meta.audio[1]);
        if (end < this.meta.audio[1] && this.data.charCodeAt(end - 1) === 0x3d) end++;
        return { kind: "section", index: "audio", text: this.data.substring(this.audioAt, end), crc: this.audioCrc, end };
      }
      return null;
    }

    pump() {
      if (this.inFlight !== null || this.damaged || !this.data) return;
      let job;
      try {
        job = this.nextJob();
      } catch (error) {
        return this.dataDamaged();
      }
      if (!job) return;
      this.inFlight = job.index;
      this.audioPieceEnd = job.end;
      if (this.worker) {
        this.worker.postMessage(job, job.packed ? [job.packed.buffer] : []);
      } else {
        setTimeout(() => this.jobDone(kvqRunJob(job)), 0);
      }
    }

    jobDone(reply) {
      this.inFlight = null;
      if (this.damaged) return;
      if (reply.error || !reply.bytes) return this.dataDamaged();
      if (reply.index === "audio") {
        this.audioPieces.push(reply.bytes);
        this.audioCrc = reply.crc;
        this.audioAt = this.audioPieceEnd;
        if (this.audioAt >= this.meta.audio[1]) {
          if (this.audioCrc !== this.meta.audio[2] >>> 0) return this.dataDamaged();
          this.audioLoaded = true;
          this.soundArrived(this.audioPieces);
          this.audioPieces = [];
        }
      } else {
        this.chunks.set(reply.index, reply.bytes);
        this.requestDraw();
      }
      this.pump();
    }

    dataDamaged() {
      this.pause();
      this.damaged = true;
      say("This page's data is damaged, so its animation cannot be shown.");
    }

    // The chunk of `frame` and those just after it; chunks far behind are let go.
    keepChunksFor(frame) {
      if (!this.data) return;
      const current = Math.floor(frame / this.meta.chunkFrames);
      this.wanted = [];
      for (let ahead = 0; ahead <= CHUNKS_AHEAD; ahead++) {
        if (current + ahead < this.meta.chunks.length) this.wanted.push(current + ahead);
      }
      if (this.loop && current !== 0) this.wanted.push(0);
      this.pump();
      if (this.chunks.size > CHUNKS_KEPT) {
        for (const index of this.chunks.keys()) {
          if ((index < current - 1 || index > current + CHUNKS_AHEAD) && !(this.loop && index === 0)) this.chunks.delete(index);
        }
      }
    }

    // ---- clock ----

    position(now = performance.now()) {
      // While the sound is being started (seeked, buffered), the picture waits for it rather
      // than running ahead and stepping back once it is heard.
      if (!this.playing || this.awaitingSound) return this.anchorSeconds;
      return this.anchorSeconds + ((now - this.anchorTime) / 1000) * this.speed;
    }

    reanchor(seconds, now = performance.now()) {
      this.anchorSeconds = seconds;
      this.anchorTime = now;
    }

    // While the soundtrack sounds, its reading is the clock, drawn in between readings.
    soundFollows(seconds) {
      return this.audio && !this.audio.paused && !this.audio.ended && this.audio.readyState >= 2 &&
        seconds < this.audio.duration;
    }

    followSound(now) {
      const reading = this.audio.currentTime;
      if (reading === this.lastReading) return;
      this.lastReading = reading;
      const estimate = this.position(now);
      const difference = reading - estimate;
      if (Math.abs(difference) > CLOCK_JUMP_SECONDS) this.reanchor(reading, now);
      else this.reanchor(estimate + difference * CLOCK_PULL, now);
    }

    frameAt(seconds) {
      return Math.max(0, Math.min(this.frameCount - 1, Math.floor(seconds * this.fps + 1e-9)));
    }

    // ---- transport ----

    play() {
      if (this.damaged || this.playing) return;
      if (!this.data) {
        this.playWhenLoaded = true;  // the clock starts with the frames, not before them
        return;
      }
      // The poster is only a picture: playing begins at the start, as it does from the last frame.
      if (!this.started || this.frameAt(this.position()) >= this.frameCount - 1) this.reanchor(0);
      this.playing = true;
      this.started = true;
      this.backwardsAllowed = true;
      this.reanchor(this.anchorSeconds);
      this.startSound();
      this.poster.hidden = true;
      this.updateControls();
      this.emit("play");
      this.tick();
    }

    pause() {
      if (!this.playing) return;
      this.reanchor(this.position());
      this.playing = false;
      this.awaitingSound = false;
      if (this.audio) this.audio.pause();
      this.updateControls();
      this.emit("pause");
      this.requestDraw();
    }

    toggle() {
      if (this.playing) this.pause();
      else this.play();
    }

    startSound() {
      const audio = this.audio;
      if (!audio || !this.playing) return;
      if (!Number.isFinite(audio.duration)) {
        // Not yet read far enough to know its length: it starts, from the right place, once it is.
        if (!this.waitingForSound) {
          this.waitingForSound = true;
          audio.addEventListener("loadedmetadata", () => {
            this.waitingForSound = false;
            this.startSound();
          }, { once: true });
        }
        return;
      }
      const at = this.position();
      this.reanchor(at);
      if (at >= audio.duration) {
        audio.pause();  // a soundtrack shorter than the frames: the rest plays silent
        return;
      }
      audio.playbackRate = this.speed;
      audio.muted = this.muted || !!this.autoMuted;
      try {
        audio.currentTime = at;
      } catch (error) {
        // not yet loaded: it starts from where it stands, and the clock draws it in
      }
      this.lastReading = -1;
      this.awaitingSound = true;
      this.awaitingSince = performance.now();
      const attempt = ++this.soundAttempt;
      audio.addEventListener("playing", () => {
        if (attempt !== this.soundAttempt || !this.awaitingSound) return;
        this.awaitingSound = false;
        this.reanchor(audio.currentTime);
      }, { once: true });
      const started = audio.play();
      if (started && started.catch) {
        started.catch((error) => {
          if (attempt !== this.soundAttempt) return;
          this.awaitingSound = false;
          this.reanchor(this.anchorSeconds);
          // Only a browser's refusal to sound before a gesture (a pause() meanwhile rejects
          // too): play on, silent, on the page's clock; the first click or key starts it.
          if (error && error.name === "NotAllowedError") this.soundRefused = true;
        });
      }
    }

    seek(seconds) {
      if (!Number.isFinite(seconds)) return;
      const last = (this.frameCount - 1) / this.fps;
      const to = Math.max(0, Math.min(last, seconds));
      this.reanchor(to);
      this.started = true;
      this.backwardsAllowed = true;
      if (this.audio) {
        if (this.playing) this.startSound();
        else this.audio.pause();
      }
      this.updateControls();
      this.emit("seeked");
      this.requestDraw();
    }

    step(frames) {
      this.pause();
      this.seek((this.frameAt(this.position()) + Math.trunc(frames)) / this.fps);
    }

    setSpeed(speed) {
      const chosen = Math.max(SPEEDS[0], Math.min(SPEEDS[SPEEDS.length - 1], Number(speed) || 1));
      this.reanchor(this.position());
      this.speed = chosen;
      if (this.audio) this.audio.playbackRate = chosen;
      this.updateControls();
    }

    stepSpeed(direction) {
      const next = direction > 0 ? SPEEDS.find((s) => s > this.speed) : [...SPEEDS].reverse().find((s) => s < this.speed);
      if (next !== undefined) this.setSpeed(next);
    }

    setMuted(muted) {
      this.muted = !!muted;
      this.autoMuted = false;
      if (this.audio) this.audio.muted = this.muted;
      this.updateControls();
    }

    setLoop(loop) {
      this.loop = !!loop;
      this.updateControls();
    }

    // The first gesture lifts the mute that autoplay needed, and starts sound the browser held back.
    gesture() {
      if (this.autoMuted) {
        this.autoMuted = false;
        if (this.audio) this.audio.muted = this.muted;
      }
      if (this.soundRefused && this.playing && this.audio && this.audio.paused) {
        this.soundRefused = false;
        this.startSound();
      }
    }

    toggleFullscreen() {
      if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
      else if (root.requestFullscreen) root.requestFullscreen().catch(() => {});
    }

    // ---- drawing ----

    requestDraw() {
      if (this.drawQueued) return;
      this.drawQueued = true;
      requestAnimationFrame(() => {
        this.drawQueued = false;
        this.show(this.position());
      });
    }

    tick() {
      if (!this.playing || this.tickQueued) return;
      this.tickQueued = true;
      requestAnimationFrame(() => {
        this.tickQueued = false;
        if (!this.playing) return;
        const now = performance.now();
        if (this.awaitingSound && now - this.awaitingSince > SOUND_WAIT_MS) {
          // Sound that does not come: the picture goes on without it.
          this.awaitingSound = false;
          this.reanchor(this.anchorSeconds, now);
        }
        let seconds = this.position(now);
        if (this.soundFollows(seconds)) {
          this.followSound(now);
          seconds = this.position(now);
        }
        if (seconds >= this.duration) {
          if (this.loop) {
            this.seek(0);
            seconds = 0;
          } else {
            this.reanchor(this.duration);
            this.playing = false;
            if (this.audio) this.audio.pause();
            this.show(this.duration);
            this.updateControls();
            this.emit("pause");
            this.emit("ended");
            return;
          }
        } else if (this.audio && !this.audio.paused && Number.isFinite(this.audio.duration) && seconds >= this.audio.duration) {
          this.audio.pause();
        }
        this.show(seconds, !this.backwardsAllowed);
        this.tick();
      });
    }

    // `forwardOnly` while playing on: the clock drawn towards the sound may step back a little,
    // which the picture must not (a seek or a loop may).
    show(seconds, forwardOnly = false) {
      let frame = this.frameAt(seconds);
      if (forwardOnly && frame < this.shownFrame) frame = this.shownFrame;
      this.backwardsAllowed = false;
      this.keepChunksFor(frame);
      this.updateTime(seconds);
      if (frame === this.shownFrame) return;
      const chunk = this.chunks.get(Math.floor(frame / this.meta.chunkFrames));
      if (!chunk) return;  // drawn when its chunk arrives
      this.showPicture(frame, chunk, (frame % this.meta.chunkFrames) * CELLS);
    }

    showPicture(frame, frames, offset) {
      const drawStarted = performance.now();
      this.draw(frames, offset);
      this.drawMilliseconds = performance.now() - drawStarted;
      this.shownFrame = frame;
      root.dataset.frame = String(frame);
      this.emit("frame", { frame });
    }

    draw(frames, offset) {
      const pixels = this.pixels, rows = this.glyphRows, patterns = this.patterns;
      for (let row = 0; row < ROWS; row++) {
        for (let column = 0; column < COLUMNS; column++) {
          const glyph = frames[offset + row * COLUMNS + column] * 16;
          let at = row * 16 * WIDTH + column * 8;
          for (let y = 0; y < 16; y++, at += WIDTH) {
            const p = rows[glyph + y] * 8;
            pixels[at] = patterns[p];
            pixels[at + 1] = patterns[p + 1];
            pixels[at + 2] = patterns[p + 2];
            pixels[at + 3] = patterns[p + 3];
            pixels[at + 4] = patterns[p + 4];
            pixels[at + 5] = patterns[p + 5];
            pixels[at + 6] = patterns[p + 6];
            pixels[at + 7] = patterns[p + 7];
          }
        }
      }
      this.context.putImageData(this.image, 0, 0);
    }

    // ---- view ----

    buildView() {
      message.hidden = true;
      this.canvas = element("canvas", { width: WIDTH, height: HEIGHT, role: "img", "aria-label": "animation" });
      this.context = this.canvas.getContext("2d", { alpha: false });
      this.image = this.context.createImageData(WIDTH, HEIGHT);
      this.pixels = new Uint32Array(this.image.data.buffer);
      this.patterns = new Uint32Array(256 * 8);
      for (let bits = 0; bits < 256; bits++) {
        for (let x = 0; x < 8; x++) this.patterns[bits * 8 + x] = bits & (0x80 >> x) ? INK : PAPER;
      }
      this.poster = element("button", { class: "kvq-poster", type: "button", "aria-label": "Play" }, "\u25b6");
      const bar = element("div", { class: "kvq-bar", role: "group", "aria-label": "Playback controls" });
      this.playButton = element("button", { type: "button", "aria-label": "Play" }, "\u25b6");
      const seekBox = element("div", { class: "kvq-seekbox" });
      this.seekBar = element("input", { class: "kvq-seek", type: "range", min: "0", max: String(this.frameCount - 1), step: "1", value: "0", "aria-label": "Position" });
      this.tip = element("span", { class: "kvq-tip", hidden: "" });
      seekBox.append(this.seekBar, this.tip);
      this.timeText = element("span", { class: "kvq-time", "aria-live": "off" });
      this.speedButton = element("button", { type: "button" });
      this.loopButton = element("button", { type: "button", "aria-label": "Loop" }, "\u21bb");
      this.muteButton = element("button", { type: "button", "aria-label": "Mute" }, "\u266a");
      this.fullButton = element("button", { type: "button", "aria-label": "Full screen" });
      // Four corners, drawn rather than taken from a font, which may lack any such sign.
      const corners = document.createElementNS("http://www.w3.org/2000/svg", "svg");
      corners.setAttribute("viewBox", "0 0 16 16");
      corners.setAttribute("width", "14");
      corners.setAttribute("height", "14");
      corners.setAttribute("aria-hidden", "true");
      const lines = document.createElementNS("http://www.w3.org/2000/svg", "path");
      lines.setAttribute("d", "M1 5V1h4M11 1h4v4M15 11v4h-4M5 15H1v-4");
      lines.setAttribute("fill", "none");
      lines.setAttribute("stroke", "currentColor");
      lines.setAttribute("stroke-width", "2");
      corners.append(lines);
      this.fullButton.append(corners);
      bar.append(this.playButton, seekBox, this.timeText, this.speedButton, this.loopButton, this.muteButton, this.fullButton);
      root.append(this.canvas, this.poster, bar);
      this.bar = bar;

      this.poster.addEventListener("click", () => this.play());
      this.playButton.addEventListener("click", () => this.toggle());
      this.speedButton.addEventListener("click", () => this.setSpeed(SPEEDS[(SPEEDS.indexOf(this.speed) + 1) % SPEEDS.length]));
      this.loopButton.addEventListener("click", () => this.setLoop(!this.loop));
      this.muteButton.addEventListener("click", () => this.setMuted(!this.muted));
      this.fullButton.addEventListener("click", () => this.toggleFullscreen());
      this.seekBar.addEventListener("input", () => this.seek(Number(this.seekBar.value) / this.fps));
      this.seekBar.addEventListener("pointermove", (event) => {
        const box = this.seekBar.getBoundingClientRect();
        const fraction = Math.max(0, Math.min(1, (event.clientX - box.left) / box.width));
        this.tip.textContent = clockText(fraction * this.duration);
        this.tip.style.left = fraction * 100 + "%";
        this.tip.hidden = false;
      });
      this.seekBar.addEventListener("pointerleave", () => { this.tip.hidden = true; });
      // A click or tap on the picture plays or pauses; a double click is two of those, which
      // cancel out, and full screen.
      this.canvas.addEventListener("click", () => this.toggle());
      this.canvas.addEventListener("dblclick", () => this.toggleFullscreen());
      root.addEventListener("pointerdown", () => this.gesture(), true);
      document.addEventListener("keydown", (event) => this.key(event));
      window.addEventListener("resize", () => this.fit());
      document.addEventListener("fullscreenchange", () => this.fit());
      this.fit();
      this.updateControls();
    }

    // The picture fills its box at 4:3; whole multiples of its pixels where they nearly fit, so
    // that at 1x, 2x and 3x every pixel is the same size.
    fit() {
      const box = root.getBoundingClientRect();
      const ratio = window.devicePixelRatio || 1;
      let scale = Math.min(box.width / WIDTH, box.height / HEIGHT);
      const whole = Math.floor(scale * ratio);
      if (whole >= 1 && scale * ratio - whole < 0.05 * whole) scale = whole / ratio;
      const width = WIDTH * scale, height = HEIGHT * scale;
      Object.assign(this.canvas.style, {
        width: width + "px", height: height + "px",
        left: Math.round(((box.width - width) / 2) * ratio) / ratio + "px",
        top: Math.round(((box.height - height) / 2) * ratio) / ratio + "px",
      });
    }

    key(event) {
      if (event.ctrlKey || event.metaKey || event.altKey) return;
      const onButton = event.target instanceof HTMLButtonElement;
      if (onButton && (event.key === " " || event.key === "Enter")) return;  // the button's own press
      this.gesture();
      const tenth = this.duration / 10;
      const at = this.position();
      switch (event.key) {
        case " ": case "k": case "K": this.toggle(); break;
        case "ArrowLeft": this.seek(at - (event.shiftKey ? tenth : SEEK_SECONDS)); break;
        case "ArrowRight": this.seek(at + (event.shiftKey ? tenth : SEEK_SECONDS)); break;
        case "Home": this.seek(0); break;
        case "End": this.seek(this.duration); break;
        case ",": case "<": this.step(-1); break;
        case ".": case ">": this.step(1); break;
        case "[": this.stepSpeed(-1); break;
        case "]": this.stepSpeed(1); break;
        case "l": case "L": this.setLoop(!this.loop); break;
        case "m": case "M": this.setMuted(!this.muted); break;
        case "f": case "F": this.toggleFullscreen(); break;
        default:
          if (event.key.length === 1 && event.key >= "0" && event.key <= "9") {
            this.seek(Number(event.key) * tenth);
            break;
          }
          return;
      }
      event.preventDefault();
    }

    updateTime(seconds) {
      const frame = this.frameAt(seconds);
      const text = clockText(Math.min(seconds, this.duration)) + " / " + clockText(this.duration);
      if (this.timeText.textContent !== text) this.timeText.textContent = text;
      if (document.activeElement !== this.seekBar || this.playing) this.seekBar.value = String(frame);
      this.seekBar.setAttribute("aria-valuetext", clockText(seconds) + ", frame " + frame);
    }

    updateControls() {
      const label = this.playing ? "Pause" : "Play";
      this.playButton.textContent = this.playing ? "\u275a\u275a" : "\u25b6";
      this.playButton.setAttribute("aria-label", label);
      this.speedButton.textContent = this.speed + "\u00d7";
      this.speedButton.setAttribute("aria-label", "Speed " + this.speed + " times");
      this.loopButton.setAttribute("aria-pressed", String(this.loop));
      this.muteButton.setAttribute("aria-pressed", String(this.muted));
      root.classList.toggle("kvq-paused", !this.playing);
      this.updateTime(this.position());
    }

    emit(name, detail) {
      root.dispatchEvent(new CustomEvent(name, { detail }));
    }

    exposeApi() {
      const player = this;
      const api = {
        play: () => player.play(),
        pause: () => player.pause(),
        seek: (seconds) => player.seek(Number(seconds)),
        step: (frames) => player.step(Number(frames) || 0),
        get currentTime() { return Math.min(player.position(), player.duration); },
        get duration() { return player.duration; },
        get frame() { return player.shownFrame; },
        get paused() { return !player.playing; },
        get speed() { return player.speed; },
        set speed(value) { player.setSpeed(value); },
        get loop() { return player.loop; },
        set loop(value) { player.setLoop(value); },
        get muted() { return player.muted; },
        // The soundtrack's <audio> element (null without one), for pages that route or show it.
        get audioElement() { return player.audio; },
        // How long the last frame took to draw, for benchmarks.
        get drawMilliseconds() { return player.drawMilliseconds; },
        set muted(value) { player.setMuted(value); },
        addEventListener: (...args) => root.addEventListener(...args),
        removeEventListener: (...args) => root.removeEventListener(...args),
      };
      window.kvqPlayer = api;
      root.player = api;
    }
  }

  // At once, while the rest of the page is still arriving: the poster needs only what came before.
  start();
})();
