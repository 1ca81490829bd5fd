// SPDX-License-Identifier: MIT
#include "kvq/play/terminal/glyph_characters.h"
