// SPDX-License-Identifier: MIT
// The player: where the animation is and how it moves (play, pause, seek, step, speed, loop), the
// frame shown at each animation frame of the browser, and the public API that pages and the
// control bar drive it through, with its events (play pause seeked ended frame).
/* global KVQ_SHARED, FrameStore */

class Player {
  #root;
  #meta;
  #canvas;
  #clock;
  #store = null;
  #frameCount;
  #fps;
  #duration;
  #playing = false;
  #started = false;          // played or sought since the poster went up
  #playWhenLoaded = false;
  #loop;
  #shownFrame = -1;
  #backwardsAllowed = true;  // the next frame shown may be before the last (a seek, not the clock)
  #drawQueued = false;
  #tickQueued = false;
  #stopped = false;          // the page said why it cannot go on
  #drawMilliseconds = 0;
  #api;

  // `canvas` a TextCanvas, `clock` a SoundClock; `poster` the cells of the poster frame.
  constructor(root, meta, canvas, clock, poster) {
    this.#root = root;
    this.#meta = meta;
    this.#canvas = canvas;
    this.#clock = clock;
    this.#frameCount = meta.frames;
    this.#fps = meta.framesPerSecond;
    this.#duration = this.#frameCount / this.#fps;
    this.#loop = !!meta.loop;
    this.#api = this.#makeApi();
    // The first gesture lets the sound be heard that autoplay had to hold back or mute.
    root.addEventListener("pointerdown", () => clock.gesture(), true);
    document.addEventListener("keydown", () => clock.gesture(), true);
    this.#showPicture(meta.posterFrame, poster, 0);
  }

  get api() {
    return this.#api;
  }

  // The rest of the page has arrived: frames come from `data` from now on.
  attachData(data) {
    this.#store = new FrameStore(this.#meta, data, {
      chunk: () => this.#requestDraw(),
      sound: (pieces) => {
        this.#clock.soundArrived(pieces);
        this.#emit("soundready");
      },
      failed: (sentence) => this.fail(sentence),
    }, this.#canvas.frameBytes);
    this.#root.dataset.state = "ready";
    if (this.#meta.autoplay || this.#playWhenLoaded) this.#play(!!this.#meta.autoplay);
    this.#requestDraw();
  }

  // Nothing more can be shown: the picture stops, and the page says why in `sentence`.
  fail(sentence) {
    this.#pause();
    this.#stopped = true;
    this.#emit("failed", { sentence });
  }

  #frameAt(seconds) {
    return Math.max(0, Math.min(this.#frameCount - 1, Math.floor(seconds * this.#fps + 1e-9)));
  }

  #play(autoMuted = false) {
    if (this.#stopped || this.#playing) return;
    if (!this.#store) {
      this.#playWhenLoaded = true;  // the clock starts with the frames, not before them
      return;
    }
    // The poster is only a picture: playing begins at the start, as it does from the last frame.
    if (!this.#started || this.#frameAt(this.#clock.position()) >= this.#frameCount - 1) this.#clock.moveTo(0);
    this.#playing = true;
    this.#started = true;
    this.#backwardsAllowed = true;
    this.#clock.start(autoMuted);
    this.#emit("play");
    this.#tick();
  }

  #pause() {
    if (!this.#playing) return;
    this.#clock.stop();
    this.#playing = false;
    this.#emit("pause");
    this.#requestDraw();
  }

  #seek(seconds) {
    if (Number.isNaN(seconds)) return;
    const last = (this.#frameCount - 1) / this.#fps;
    this.#clock.moveTo(Math.max(0, Math.min(last, seconds)));
    this.#started = true;
    this.#backwardsAllowed = true;
    this.#emit("seeked");
    this.#requestDraw();
  }

  #step(frames) {
    this.#pause();
    const to = Math.max(0, Math.min(this.#frameCount - 1, this.#frameAt(this.#clock.position()) + Math.trunc(frames)));
    this.#seek(to / this.#fps);
  }

  // Any speed from the slowest to the fastest of the review player's; nothing that is not a number.
  #setSpeed(speed) {
    const speeds = KVQ_SHARED.speeds;
    const wanted = Number(speed);
    if (Number.isNaN(wanted)) return;
    this.#clock.setSpeed(Math.max(speeds[0], Math.min(speeds[speeds.length - 1], wanted)));
    this.#emit("ratechange");
  }

  #setLoop(loop) {
    this.#loop = !!loop;
    this.#emit("loopchange");
  }

  #setMuted(muted) {
    this.#clock.setMuted(!!muted);
    this.#emit("volumechange");
  }

  #requestDraw() {
    if (this.#drawQueued) return;
    this.#drawQueued = true;
    requestAnimationFrame(() => {
      this.#drawQueued = false;
      // Drawn between ticks (a chunk arrived), playing on still never steps back.
      this.#show(this.#clock.position(), this.#playing && !this.#backwardsAllowed);
    });
  }

  #tick() {
    if (!this.#playing || this.#tickQueued) return;
    this.#tickQueued = true;
    requestAnimationFrame(() => {
      this.#tickQueued = false;
      if (!this.#playing) return;
      let seconds = this.#clock.tick(performance.now());
      if (seconds >= this.#duration) {
        if (this.#loop) {
          this.#seek(0);
          seconds = 0;
        } else {
          this.#clock.stop();
          this.#clock.moveTo(this.#duration);
          this.#playing = false;
          this.#show(this.#duration);
          this.#emit("pause");
          this.#emit("ended");
          return;
        }
      }
      this.#show(seconds, !this.#backwardsAllowed);
      this.#tick();
    });
  }

  // `forwardOnly` while playing on: the clock drawn towards the sound may step back a little, which
  // the picture must not (a seek or a loop may).
  #show(seconds, forwardOnly = false) {
    if (!this.#store) return;
    let frame = this.#frameAt(seconds);
    if (forwardOnly && frame < this.#shownFrame) frame = this.#shownFrame;
    this.#backwardsAllowed = false;
    this.#store.keepFor(frame, this.#loop);
    this.#emit("timeupdate");
    if (frame === this.#shownFrame) return;
    const found = this.#store.framesOf(frame);
    if (found) this.#showPicture(frame, found.frames, found.offset);  // else drawn when its chunk comes
  }

  #showPicture(frame, frames, offset) {
    const drawStarted = performance.now();
    this.#canvas.draw(frames, offset, this.#meta.still ? null : frame / this.#fps);
    this.#drawMilliseconds = performance.now() - drawStarted;
    this.#shownFrame = frame;
    this.#root.dataset.frame = String(frame);
    this.#emit("frame", { frame });
  }

  #emit(name, detail) {
    this.#root.dispatchEvent(new CustomEvent(name, { detail }));
  }

  #makeApi() {
    const player = this, root = this.#root, clock = this.#clock;
    return Object.freeze({
      play: () => player.#play(),
      pause: () => player.#pause(),
      seek: (seconds) => player.#seek(Number(seconds)),
      step: (frames) => player.#step(Number(frames) || 0),
      get currentTime() { return Math.min(clock.position(), player.#duration); },
      get duration() { return player.#duration; },
      get frame() { return player.#shownFrame; },
      get paused() { return !player.#playing; },
      get speed() { return clock.speed; },
      set speed(value) { player.#setSpeed(value); },
      get loop() { return player.#loop; },
      set loop(value) { player.#setLoop(value); },
      get muted() { return clock.muted; },
      set muted(value) { player.#setMuted(value); },
      // The soundtrack's <audio> element (null without one), for pages that route or show it.
      get audioElement() { return clock.audioElement; },
      // Art taller than the picture: the first row shown, how many rows are shown and how far it scrolls.
      get top() { return player.#canvas.top; },
      set top(row) {
        player.#canvas.scrollTo(row);
        player.#emit("scroll");
      },
      get viewRows() { return player.#canvas.viewRows; },
      get scrollRows() { return player.#canvas.scrollRows; },
      // How long the last frame took to draw, for benchmarks.
      get drawMilliseconds() { return player.#drawMilliseconds; },
      addEventListener: (...args) => root.addEventListener(...args),
      removeEventListener: (...args) => root.removeEventListener(...args),
    });
  }
}
