// SPDX-License-Identifier: MIT
#pragma once

#include "app/player_devices.h"
#include "content/frame_list.h"
#include "content/glyph_table.h"

// Shows the frames at 24 per second of the devices' clock until the last one has had its time or
// Escape is down. Returns 0, or the number of a termination signal that ended it.
int play(const FrameList& frames, const GlyphTable& glyphs, PlayerDevices& devices);
