// SPDX-License-Identifier: MIT
// The page's start: whether this browser can play the page, whether the page is whole and as it was
// written, and then the player, its controls and, once the rest of the page has arrived, its data.
// Whatever stops it is said in one sentence.
/* global KVQ_SHARED, kvqCrc32, kvqSectionBytes, TextCanvas, CellPainter, SoundClock, Player, Controls */

class PageStart {
  static DAMAGED = "This page is damaged, so its animation cannot be shown.";

  #root = document.getElementById("kvq");
  #message = this.#root.querySelector(".kvq-message");

  say(sentence) {
    this.#message.textContent = sentence;
    this.#message.hidden = false;
    this.#root.dataset.state = "error";
  }

  static missingFeature(binary) {
    const needs = [
      ["canvas drawing", () => !!document.createElement("canvas").getContext],
      ["typed arrays", () => typeof Uint8Array === "function" && typeof Int16Array === "function"],
      ["TextDecoder", () => !binary || typeof TextDecoder === "function"],
      ["requestAnimationFrame", () => typeof requestAnimationFrame === "function"],
      ["Blob URLs", () => typeof Blob === "function" && !!(window.URL && URL.createObjectURL)],
      ["the windows-1252 TextDecoder", () => !binary || !!new TextDecoder("windows-1252")],
    ];
    for (const [name, present] of needs) {
      try {
        if (!present()) return name;
      } catch {
        return name;
      }
    }
    return null;
  }

  // The table of contents agrees with itself and with the player: every frame in a chunk, every
  // section in order, the picture's rate the one the soundtrack was cut to.
  static wellFormed(meta) {
    const whole = (n) => Number.isInteger(n) && n >= 0;
    const section = (entry, length) => Array.isArray(entry) && whole(entry[0]) && whole(entry[1]) &&
      entry[0] <= entry[1] && entry[1] <= length;
    const cells = meta.format === 1 || (meta.format === 2 && whole(meta.columns) && meta.columns > 0 &&
      whole(meta.rows) && meta.rows > 0 && whole(meta.fontHeight) && meta.fontHeight > 0 && meta.fontHeight <= 32 &&
      whole(meta.glyphs) && meta.glyphs <= 512 && Array.isArray(meta.palette) && meta.palette.every(whole));
    const stored = meta.still ? 1 : meta.frames;
    return cells && whole(meta.frames) && meta.frames > 0 && meta.framesPerSecond === KVQ_SHARED.framesPerSecond &&
      whole(meta.chunkFrames) && meta.chunkFrames > 0 && whole(meta.posterFrame) && meta.posterFrame < stored &&
      (meta.encoding === undefined || meta.encoding === "base64") &&
      Array.isArray(meta.chunks) && meta.chunks.length === Math.ceil(stored / meta.chunkFrames) &&
      meta.chunks.every((chunk) => section(chunk, meta.dataLength)) &&
      section(meta.font, meta.headLength) && section(meta.poster, meta.headLength) &&
      (meta.audio === null || section(meta.audio, meta.dataLength));
  }

  // The table of contents as it was written: its CRC-32 beside it.
  static intact(metaElement) {
    const text = metaElement.textContent;
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i) & 0xff;
    return /^[0-9]+$/.test(metaElement.dataset.crc || "") && kvqCrc32(bytes) === Number(metaElement.dataset.crc);
  }

  static section(text, entry, encoding) {
    const bytes = kvqSectionBytes(text, entry[0], entry[1], encoding);
    if (kvqCrc32(bytes) !== entry[2] >>> 0) throw new Error("damaged data");
    return bytes;
  }

  run() {
    let meta, head;
    const metaElement = document.getElementById("kvq-meta");
    try {
      meta = JSON.parse(metaElement.textContent);
      head = document.getElementById("kvq-head").textContent;
    } catch {
      return this.say(PageStart.DAMAGED);
    }
    const binary = meta.encoding !== "base64";
    const missing = PageStart.missingFeature(binary);
    if (missing) return this.say("This browser lacks " + missing + ", which this page needs to play the animation.");
    if (binary && document.characterSet.toLowerCase() !== "windows-1252") {
      return this.say("This page was read as " + document.characterSet + ", not as the windows-1252 it is " +
        "written in: serve it as it is, with no other charset, or export it with kvq export --ascii for any host.");
    }
    if (!PageStart.intact(metaElement) || head.length !== meta.headLength || !PageStart.wellFormed(meta)) {
      return this.say(PageStart.DAMAGED);
    }
    let canvas, poster;
    try {
      const font = PageStart.section(head, meta.font, meta.encoding);
      canvas = new TextCanvas(new CellPainter(meta, font), "animation");
      poster = PageStart.section(head, meta.poster, meta.encoding);
    } catch {
      return this.say("This page's data is damaged, so its animation cannot be shown.");
    }
    this.#message.hidden = true;
    this.#root.prepend(canvas.element);
    const player = new Player(this.#root, meta, canvas, new SoundClock(meta.frames / meta.framesPerSecond,
      meta.posterFrame / meta.framesPerSecond), poster);
    player.api.addEventListener("failed", (event) => this.say(event.detail.sentence));
    new Controls(this.#root, player.api, canvas.element);
    const fit = () => canvas.fit(this.#root.getBoundingClientRect(), window.devicePixelRatio || 1);
    window.addEventListener("resize", fit);
    document.addEventListener("fullscreenchange", fit);
    fit();
    window.kvqPlayer = player.api;
    this.#root.player = player.api;
    // The poster is up; the frames and the sound follow once the whole page has arrived.
    const attach = () => {
      const data = document.getElementById("kvq-data");
      const text = data ? data.textContent : "";
      if (text.length !== meta.dataLength) {
        // Cut short, the page ends inside its data; changed (a line ending, a "</script>" in it),
        // it goes on past the data to its end.
        if (!document.getElementById("kvq-end")) {
          return this.say("This page is cut short: only part of its animation arrived, so it cannot be shown.");
        }
        return this.say("This page's data was changed after it was written (line endings, or text in it), " +
          "so its animation cannot be shown.");
      }
      player.attachData(text);
    };
    if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", attach);
    else attach();
  }
}

// At once, while the rest of the page is still arriving: the poster needs only what came before.
new PageStart().run();
