// SPDX-License-Identifier: MIT
// The page's scripts run as plain scripts joined into one (their names shared through the page),
// the tests under Node.
"use strict";
const js = require("@eslint/js");

const browser = Object.fromEntries(["window", "document", "navigator", "performance", "requestAnimationFrame",
  "setTimeout", "clearTimeout", "setInterval", "clearInterval", "Worker", "Blob", "URL", "Audio", "TextDecoder",
  "Event", "CustomEvent", "HTMLButtonElement", "CanvasRenderingContext2D", "self", "WorkerGlobalScope", "console", "btoa", "atob",
].map((name) => [name, "readonly"]));
const node = Object.fromEntries(["require", "module", "process", "__dirname", "Buffer", "console", "setTimeout",
  "clearTimeout", "setInterval", "clearInterval", "globalThis", "TextEncoder", "TextDecoder", "URL",
].map((name) => [name, "readonly"]));

module.exports = [
  { ignores: ["node_modules/**"] },
  js.configs.recommended,
  {
    files: ["*.js", "player/*.js"],
    languageOptions: { ecmaVersion: 2022, sourceType: "script", globals: { ...browser, module: "readonly", require: "readonly", globalThis: "readonly" } },
    rules: {
      // Each of the player's files declares one class that a later file uses.
      "no-unused-vars": ["error", { vars: "local", caughtErrors: "none" }],
      "no-var": "error",
      "prefer-const": "error",
      eqeqeq: "error",
      "no-implicit-globals": "off",
    },
  },
  {
    files: ["tests/*.js", "fuzz/*.js", "eslint.config.js"],
    // page.evaluate() callbacks run in the page.
    languageOptions: { ecmaVersion: 2022, sourceType: "script", globals: { ...browser, ...node } },
  },
];
