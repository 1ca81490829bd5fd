// SPDX-License-Identifier: MIT
// The page's first script, before everything it could be asked about: it says what stopped the page
// when nothing else can. A page whose download stops part way never finishes loading, and so never
// starts its player's data: that is said once nothing more has come for a few seconds. An error in
// a later script (damaged, or a fault of the player's) is said rather than left as a still page.
"use strict";
(() => {
  const STALL_MS = 4000;
  const root = document.getElementById("kvq");
  const message = root.querySelector(".kvq-message");
  let said = "";

  const say = (sentence) => {
    if (root.dataset.state === "error") return;
    said = sentence;
    message.textContent = sentence;
    message.hidden = false;
    root.dataset.state = "error";
  };
  message.hidden = true;

  window.addEventListener("error", (event) => {
    const error = event.error;
    if (error && error.name === "SyntaxError") {
      say("This page's script is damaged (" + error.message + "), so its animation cannot be shown.");
    } else {
      say("This page's player stopped on an error (" + ((error && error.message) || event.message) +
        "), so its animation cannot go on.");
    }
  });
  window.addEventListener("unhandledrejection", (event) => {
    const reason = event.reason;
    say("This page's player stopped on an error (" + ((reason && reason.message) || reason) +
      "), so its animation cannot go on.");
  });

  // How far the parser has come: the elements it has made, and the text of the one it is in.
  const progress = () => {
    const all = document.getElementsByTagName("*");
    const last = all[all.length - 1];
    const text = last.lastChild;
    return all.length + ":" + last.childNodes.length + ":" + (text && text.nodeType === 3 ? text.length : 0);
  };
  let seen = progress(), since = Date.now();
  const watch = setInterval(() => {
    if (document.readyState !== "loading") return clearInterval(watch);
    const now = progress();
    if (now !== seen) {
      seen = now;
      since = Date.now();
      if (said && root.dataset.state === "error" && message.textContent === said) {
        // It was slow, not cut: it goes on.
        message.hidden = true;
        delete root.dataset.state;
        said = "";
      }
    } else if (Date.now() - since > STALL_MS && !said) {
      say("This page is cut short: its download stopped part way, so its animation cannot be shown (load it again).");
    }
  }, 500);

  document.addEventListener("DOMContentLoaded", () => {
    // The player's script ran not at all: the page ended before it, or it was taken out.
    if (root.dataset.state || window.kvqPlayer) return;
    if (!document.getElementById("kvq-end")) {
      say("This page is cut short: only part of it arrived, so its animation cannot be shown.");
    } else {
      say("This page is damaged: its player is missing, so its animation cannot be shown.");
    }
  });
})();
