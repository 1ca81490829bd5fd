// SPDX-License-Identifier: MIT
// The control bar, the keys and the pointer: built on the player's public API and its events alone,
// as a page embedding the player could build its own.
/* global KVQ_SHARED */

class Controls {
  #root;
  #api;
  #frames;
  #poster;
  #playButton;
  #seekBar;
  #tip;
  #timeText;
  #speedButton;
  #loopButton;
  #muteButton;
  #keys;

  static element(tag, attributes, text) {
    const made = document.createElement(tag);
    for (const [name, value] of Object.entries(attributes || {})) made.setAttribute(name, value);
    if (text !== undefined) made.textContent = text;
    return made;
  }

  static clockText(seconds) {
    const whole = Math.max(0, Math.floor(seconds));
    const hours = Math.floor(whole / 3600), minutes = Math.floor(whole / 60) % 60, rest = whole % 60;
    const mm = hours ? String(minutes).padStart(2, "0") : String(minutes);
    return (hours ? hours + ":" : "") + mm + ":" + String(rest).padStart(2, "0");
  }

  // `picture`: the canvas element, a click on which plays or pauses.
  constructor(root, api, picture) {
    this.#root = root;
    this.#api = api;
    this.#frames = Math.round(api.duration * KVQ_SHARED.framesPerSecond);
    this.#keys = new Map();
    for (const row of KVQ_SHARED.keys) for (const key of row.page) this.#keys.set(key, row.action);
    this.#build(picture);
    for (const name of ["play", "pause", "seeked", "ended", "ratechange", "loopchange", "volumechange"]) {
      api.addEventListener(name, () => this.#update());
    }
    api.addEventListener("timeupdate", () => this.#updateTime());
    api.addEventListener("soundready", () => { this.#muteButton.disabled = false; });
    api.addEventListener("play", () => { this.#poster.hidden = true; });
    this.#update();
  }

  #build(picture) {
    const element = Controls.element;
    this.#poster = element("button", { class: "kvq-poster", type: "button", "aria-label": "Play" }, "\u25b6");
    const bar = element("div", { class: "kvq-bar", role: "group", "aria-label": "Playback controls" });
    this.#playButton = element("button", { type: "button", "aria-label": "Play" }, "\u25b6");
    const seekBox = element("div", { class: "kvq-seekbox" });
    this.#seekBar = element("input", {
      class: "kvq-seek", type: "range", min: "0", max: String(this.#frames - 1), step: "1", value: "0",
      "aria-label": "Position",
    });
    this.#tip = element("span", { class: "kvq-tip", hidden: "" });
    seekBox.append(this.#seekBar, this.#tip);
    this.#timeText = element("span", { class: "kvq-time", "aria-live": "off" });
    this.#speedButton = element("button", { type: "button" });
    this.#loopButton = element("button", { type: "button", "aria-label": "Loop" }, "\u21bb");
    this.#muteButton = element("button", { type: "button", "aria-label": "Mute" }, "\u266a");
    const fullButton = element("button", { type: "button", "aria-label": "Full screen" });
    // Four corners, drawn rather than taken from a font, which may lack any such sign.
    const corners = document.createElementNS("http://www.w3.org/2000/svg", "svg");
    for (const [name, value] of [["viewBox", "0 0 16 16"], ["width", "14"], ["height", "14"], ["aria-hidden", "true"]]) {
      corners.setAttribute(name, value);
    }
    const lines = document.createElementNS("http://www.w3.org/2000/svg", "path");
    for (const [name, value] of [["d", "M1 5V1h4M11 1h4v4M15 11v4h-4M5 15H1v-4"], ["fill", "none"],
      ["stroke", "currentColor"], ["stroke-width", "2"]]) {
      lines.setAttribute(name, value);
    }
    corners.append(lines);
    fullButton.append(corners);
    bar.append(this.#playButton, seekBox, this.#timeText, this.#speedButton, this.#loopButton, this.#muteButton,
      fullButton);
    this.#root.append(this.#poster, bar);

    const api = this.#api, speeds = KVQ_SHARED.speeds;
    this.#poster.addEventListener("click", () => api.play());
    this.#playButton.addEventListener("click", () => this.#toggle());
    this.#speedButton.addEventListener("click", () => { api.speed = speeds[(speeds.indexOf(api.speed) + 1) % speeds.length]; });
    this.#loopButton.addEventListener("click", () => { api.loop = !api.loop; });
    this.#muteButton.addEventListener("click", () => { api.muted = !api.muted; });
    fullButton.addEventListener("click", () => this.#toggleFullscreen());
    // The bar counts frames, as the status line of the review player does.
    this.#seekBar.addEventListener("input", () => api.seek(Number(this.#seekBar.value) / KVQ_SHARED.framesPerSecond));
    this.#seekBar.addEventListener("pointermove", (event) => {
      const box = this.#seekBar.getBoundingClientRect();
      const fraction = Math.max(0, Math.min(1, (event.clientX - box.left) / box.width));
      this.#tip.textContent = Controls.clockText(fraction * api.duration);
      this.#tip.style.left = fraction * 100 + "%";
      this.#tip.hidden = false;
    });
    this.#seekBar.addEventListener("pointerleave", () => { this.#tip.hidden = true; });
    // A click or tap on the picture plays or pauses; a double click is two of those, which cancel
    // out, and full screen.
    picture.addEventListener("click", () => this.#toggle());
    picture.addEventListener("dblclick", () => this.#toggleFullscreen());
    picture.addEventListener("wheel", (event) => {
      if (this.#api.scrollRows <= 0) return;
      this.#api.top += Math.sign(event.deltaY) * 3;
      event.preventDefault();
    }, { passive: false });
    document.addEventListener("keydown", (event) => this.#key(event));
  }

  #toggle() {
    if (this.#api.paused) this.#api.play();
    else this.#api.pause();
  }

  #toggleFullscreen() {
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
    else if (this.#root.requestFullscreen) this.#root.requestFullscreen().catch(() => {});
  }

  #stepSpeed(direction) {
    const speeds = KVQ_SHARED.speeds, speed = this.#api.speed;
    const next = direction > 0 ? speeds.find((s) => s > speed) : [...speeds].reverse().find((s) => s < speed);
    if (next !== undefined) this.#api.speed = next;
  }

  #key(event) {
    if (event.ctrlKey || event.metaKey || event.altKey) return;
    const onButton = event.target instanceof HTMLButtonElement;
    if (onButton && (event.key === " " || event.key === "Enter")) return;  // the button's own press
    const api = this.#api;
    const tenth = api.duration / 10, at = api.currentTime;
    const jump = event.shiftKey ? tenth : KVQ_SHARED.seekSeconds;
    const actions = {
      toggle: () => this.#toggle(),
      back: () => api.seek(at - jump),
      forward: () => api.seek(at + jump),
      start: () => api.seek(0),
      end: () => api.seek(api.duration),
      previousFrame: () => api.step(-1),
      nextFrame: () => api.step(1),
      slower: () => this.#stepSpeed(-1),
      faster: () => this.#stepSpeed(1),
      loop: () => { api.loop = !api.loop; },
      mute: () => { api.muted = !api.muted; },
      fullscreen: () => this.#toggleFullscreen(),
      tenths: () => api.seek(Number(event.key) * tenth),
    };
    const action = this.#keys.get(event.key);
    // Art taller than the picture scrolls, as in kvq play; Home and End go to its top and bottom.
    const rows = { lineUp: -1, lineDown: 1, screenUp: -api.viewRows, screenDown: api.viewRows, start: -Infinity,
      end: Infinity };
    if (api.scrollRows > 0 && !event.shiftKey && action in rows) {
      api.top = Math.max(0, Math.min(api.scrollRows, api.top + rows[action]));
      event.preventDefault();
      return;
    }
    if (!action || !actions[action]) return;
    actions[action]();
    event.preventDefault();
  }

  #updateTime() {
    const api = this.#api, seconds = api.currentTime;
    const frame = Math.max(0, Math.min(this.#frames - 1, Math.floor(seconds * KVQ_SHARED.framesPerSecond + 1e-9)));
    const text = Controls.clockText(seconds) + " / " + Controls.clockText(api.duration);
    if (this.#timeText.textContent !== text) this.#timeText.textContent = text;
    if (document.activeElement !== this.#seekBar || !api.paused) this.#seekBar.value = String(frame);
    this.#seekBar.setAttribute("aria-valuetext", Controls.clockText(seconds) + ", frame " + frame);
  }

  #update() {
    const api = this.#api;
    this.#playButton.textContent = api.paused ? "\u25b6" : "\u275a\u275a";
    this.#playButton.setAttribute("aria-label", api.paused ? "Play" : "Pause");
    this.#speedButton.textContent = api.speed + "\u00d7";
    this.#speedButton.setAttribute("aria-label", "Speed " + api.speed + " times");
    this.#loopButton.setAttribute("aria-pressed", String(api.loop));
    this.#muteButton.setAttribute("aria-pressed", String(api.muted));
    this.#root.classList.toggle("kvq-paused", api.paused);
    this.#updateTime();
  }
}
