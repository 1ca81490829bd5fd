// SPDX-License-Identifier: MIT
// The picture's clock: seconds into the animation, run on the page's own clock and, while the
// soundtrack sounds, drawn towards the <audio> element's reading, so that picture and sound agree.
/* global KVQ_SHARED */

class SoundClock {
  // How long the picture waits for sound that was asked to start.
  static SOUND_WAIT_MS = 1000;

  #duration;
  #anchorSeconds = 0;
  #anchorTime = performance.now();
  #running = false;
  #speed = 1;
  #audio = null;
  #muted = false;
  #autoMuted = false;      // muted only until the first gesture, as autoplay needs
  #soundRefused = false;   // the browser would not sound before a gesture
  #awaitingSound = false;
  #awaitingSince = 0;
  #waitingForLength = false;
  #attempt = 0;
  #lastReading = -1;

  constructor(duration, seconds) {
    this.#duration = duration;
    this.#anchorSeconds = seconds;
  }

  get audioElement() { return this.#audio; }
  get speed() { return this.#speed; }
  get muted() { return this.#muted; }

  position(now = performance.now()) {
    // While the sound is being started (seeked, buffered), the picture waits for it rather than
    // running ahead and stepping back once it is heard.
    if (!this.#running || this.#awaitingSound) return this.#anchorSeconds;
    return this.#anchorSeconds + ((now - this.#anchorTime) / 1000) * this.#speed;
  }

  #reanchor(seconds, now = performance.now()) {
    this.#anchorSeconds = seconds;
    this.#anchorTime = now;
  }

  // The soundtrack, whole: from now on it is the clock while it sounds.
  soundArrived(pieces) {
    const audio = new Audio(URL.createObjectURL(new Blob(pieces, { type: "audio/mpeg" })));
    audio.preload = "auto";
    audio.preservesPitch = true;
    audio.playbackRate = this.#speed;
    audio.addEventListener("error", () => {
      // Sound the browser cannot decode: the picture plays on, silent, on its own clock.
      this.#audio = null;
      this.#awaitingSound = false;
    });
    // The sound stops with the frames even where no animation frames come (a hidden tab).
    audio.addEventListener("timeupdate", () => {
      if (audio.currentTime >= this.#duration && !audio.paused) audio.pause();
    });
    this.#audio = audio;
    if (this.#running) this.#startSound();
  }

  start(autoMuted) {
    if (autoMuted) this.#autoMuted = true;
    this.#running = true;
    this.#reanchor(this.#anchorSeconds);
    this.#startSound();
  }

  stop() {
    this.#reanchor(this.position());
    this.#running = false;
    this.#awaitingSound = false;
    if (this.#audio) this.#audio.pause();
  }

  moveTo(seconds) {
    this.#reanchor(seconds);
    if (!this.#audio) return;
    if (this.#running) this.#startSound();
    else this.#audio.pause();
  }

  setSpeed(speed) {
    this.#reanchor(this.position());
    this.#speed = speed;
    if (this.#audio) this.#audio.playbackRate = speed;
  }

  setMuted(muted) {
    this.#muted = muted;
    this.#autoMuted = false;
    if (this.#audio) this.#audio.muted = muted;
  }

  // The first gesture lifts the mute that autoplay needed, and starts sound the browser held back.
  gesture() {
    if (this.#autoMuted) {
      this.#autoMuted = false;
      if (this.#audio) this.#audio.muted = this.#muted;
    }
    if (this.#soundRefused && this.#running && this.#audio && this.#audio.paused) {
      this.#soundRefused = false;
      this.#startSound();
    }
  }

  // Once an animation frame while running: the position then, drawn towards the sound's reading.
  tick(now) {
    if (this.#awaitingSound && now - this.#awaitingSince > SoundClock.SOUND_WAIT_MS) {
      // Sound that does not come: the picture goes on without it.
      this.#awaitingSound = false;
      this.#reanchor(this.#anchorSeconds, now);
    }
    const seconds = this.position(now);
    const audio = this.#audio;
    if (!audio || audio.paused || audio.ended) return seconds;
    if (!Number.isFinite(audio.duration) || audio.readyState < 2) return seconds;
    if (seconds >= audio.duration) {
      audio.pause();  // a soundtrack shorter than the frames: the rest plays silent
      return seconds;
    }
    const reading = audio.currentTime;
    if (reading === this.#lastReading) return seconds;
    this.#lastReading = reading;
    // The sound's reading jumps far from the clock only on a seek or a stall: then the clock
    // takes it; nearer readings draw the clock towards them, so the picture never stutters.
    const difference = reading - seconds;
    if (Math.abs(difference) > KVQ_SHARED.clockJumpSeconds) this.#reanchor(reading, now);
    else this.#reanchor(seconds + difference * KVQ_SHARED.clockPull, now);
    return this.position(now);
  }

  #startSound() {
    const audio = this.#audio;
    if (!audio || !this.#running) return;
    if (!Number.isFinite(audio.duration)) {
      // Not yet read far enough to know its length: it starts, from the right place, once it is.
      if (!this.#waitingForLength) {
        this.#waitingForLength = true;
        audio.addEventListener("loadedmetadata", () => {
          this.#waitingForLength = false;
          this.#startSound();
        }, { once: true });
      }
      return;
    }
    const at = this.position();
    this.#reanchor(at);
    if (at >= audio.duration) {
      audio.pause();
      return;
    }
    audio.playbackRate = this.#speed;
    audio.muted = this.#muted || this.#autoMuted;
    try {
      audio.currentTime = at;
    } catch {
      // not yet loaded: it starts from where it stands, and the clock draws it in
    }
    this.#lastReading = -1;
    this.#awaitingSound = true;
    this.#awaitingSince = performance.now();
    const attempt = ++this.#attempt;
    audio.addEventListener("playing", () => {
      if (attempt !== this.#attempt || !this.#awaitingSound) return;
      this.#awaitingSound = false;
      this.#reanchor(audio.currentTime);
    }, { once: true });
    const started = audio.play();
    if (started && started.catch) {
      started.catch((error) => {
        if (attempt !== this.#attempt) return;
        this.#awaitingSound = false;
        this.#reanchor(this.#anchorSeconds);
        // Only a browser's refusal to sound before a gesture (a pause() meanwhile rejects too):
        // play on, silent, on the page's clock; the first click or key starts it.
        if (error && error.name === "NotAllowedError") this.#soundRefused = true;
      });
    }
  }
}
