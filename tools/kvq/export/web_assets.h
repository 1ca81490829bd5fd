// SPDX-License-Identifier: MIT
#pragma once

#include <string_view>

// The web page's own files from web/, built into kvq so that `kvq export` needs nothing beside it.
extern const std::string_view kPageTemplate;       // web/page.html, with {{markers}}
extern const std::string_view kPlayerStyle;        // web/player.css
extern const std::string_view kLzmaDecoderScript;  // web/lzma_decoder.js
extern const std::string_view kUnpackScript;       // web/unpack.js
extern const std::string_view kBootScript;         // web/boot.js, the page's first script
extern const std::string_view kPlayerScript;       // web/player/*.js, one after another
