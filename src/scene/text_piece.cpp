// SPDX-License-Identifier: MIT
#include "scene/scene_error.h"
#include "scene/text_readers.h"

namespace {

constexpr int kDefaultColumns = 80;

// Whether SAUCE's first number is the width: character files of every kind and binary text.
bool sauceGivesWidth(const SauceRecord& record) { return record.data_type == 1 || record.data_type == 5; }

}  // namespace

ScenePiece readTextPiece(SceneFormat format, std::span<const std::uint8_t> art, const SauceSplit& split,
                         const SceneOptions& options)
{
    if (art.empty()) throw SceneError("the file holds no art");
    ScenePiece piece;
    piece.format = format;
    piece.sauce = split.record;
    if (split.record) piece.font_name = split.record->font_name;
    piece.ice_colours = options.ice_colours.value_or(split.record && split.record->iceColours());
    const int sauce_spacing = split.record ? split.record->letterSpacing() : 0;
    piece.letter_spacing = options.letter_spacing.value_or(sauce_spacing == 9 ? 9 : 8);
    piece.art.assign(art.begin(), art.end());
    AnsiSettings settings = textSettings(piece, options);
    AnsiInterpreter interpreter(settings);
    interpreter.feed(art);
    piece.picture = interpreter.picture();
    return piece;
}


AnsiSettings textSettings(const ScenePiece& piece, const SceneOptions& options)
{
    AnsiSettings settings;
    settings.columns = kDefaultColumns;
    // A width past any screen's is a record that lies; the piece is read at the usual width.
    if (piece.sauce && sauceGivesWidth(*piece.sauce) && piece.sauce->info1 > 0 &&
        piece.sauce->info1 <= AnsiInterpreter::kMaxColumns)
        settings.columns = piece.sauce->info1;
    if (options.columns && *options.columns > 0) settings.columns = *options.columns;
    settings.ice_colours = piece.ice_colours;
    settings.pcboard = piece.format == SceneFormat::pcboard;
    return settings;
}

