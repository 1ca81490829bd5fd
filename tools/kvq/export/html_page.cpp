// SPDX-License-Identifier: MIT
#include "kvq/export/html_page.h"

#include <zlib.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "content/player_folder.h"
#include "kvq/common/tool_error.h"
#include "kvq/export/lzma_chunk.h"
#include "kvq/export/page_constants.h"
#include "kvq/export/script_data.h"
#include "kvq/export/web_assets.h"
#include "scene/cell_picture.h"

namespace {

std::uint32_t crcOf(std::span<const std::uint8_t> bytes)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t step = std::min<std::size_t>(bytes.size() - done, 1u << 30);
        crc = crc32(crc, bytes.data() + done, static_cast<uInt>(step));
        done += step;
    }
    return static_cast<std::uint32_t>(crc);
}

// The code points of UTF-8 text; a byte that does not begin a well-formed sequence is U+FFFD.
template <typename Visit>
void forEachCodePoint(const std::string& text, Visit visit)
{
    const auto byteAt = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = byteAt(i);
        int length = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if (lead < 0x80) {
            length = 1;
            code = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            least = 0x10000;
        }
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = byteAt(i + static_cast<std::size_t>(k));
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (valid) {
            visit(code);
            i += static_cast<std::size_t>(length);
        } else {
            visit(0xFFFD);
            ++i;
        }
    }
}

void appendUnit(std::string& out, std::uint32_t unit)
{
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(unit));
    out += escaped;
}

std::string number(std::uint64_t value) { return std::to_string(value); }

// "[a,b,c]", as the page's table of contents writes each section.
std::string jsonArray(std::initializer_list<std::uint64_t> values)
{
    std::string out = "[";
    for (const std::uint64_t value : values) {
        if (out.size() > 1) out += ',';
        out += number(value);
    }
    out += ']';
    return out;
}

struct Filling {
    std::string_view marker;  // "{{name}}"
    std::string_view text;
};

// The template's text with each marker replaced, as pieces to write one after another. The
// template alone is searched, so nothing filled in (glyphs, frames, a title) is taken for a marker.
std::vector<std::string_view> filledTemplate(std::string_view page, std::initializer_list<Filling> fillings)
{
    std::vector<std::string_view> pieces;
    std::size_t used = 0;
    for (std::size_t at = page.find("{{"); at != std::string_view::npos; at = page.find("{{", used)) {
        const auto filling = std::find_if(fillings.begin(), fillings.end(),
                                          [&](const Filling& f) { return page.substr(at).starts_with(f.marker); });
        if (filling == fillings.end()) throw ToolError("the page template has an unknown marker at byte " + number(at));
        pieces.push_back(page.substr(used, at - used));
        pieces.push_back(filling->text);
        used = at + filling->marker.size();
    }
    pieces.push_back(page.substr(used));
    return pieces;
}

}  // namespace

std::string htmlText(const std::string& text)
{
    std::string out;
    forEachCodePoint(text, [&](std::uint32_t code) {
        switch (code) {
        case '<':
            out += "&lt;";
            return;
        case '>':
            out += "&gt;";
            return;
        case '&':
            out += "&amp;";
            return;
        case '"':
            out += "&quot;";
            return;
        default:
            break;
        }
        if (code >= 0x20 && code < 0x7F) {
            out.push_back(static_cast<char>(code));
        } else if (code < 0x20 || code == 0x7F) {
            out.push_back(' ');  // controls have no place in a title
        } else {
            out += "&#" + number(code) + ";";
        }
    });
    return out;
}

std::string jsonString(const std::string& text)
{
    std::string out = "\"";
    forEachCodePoint(text, [&](std::uint32_t code) {
        // '<', '>' and '&' escaped too, so that nothing in a string can end the script element.
        if (code >= 0x20 && code < 0x7F && code != '"' && code != '\\' && code != '<' && code != '>' && code != '&') {
            out.push_back(static_cast<char>(code));
        } else if (code >= 0x10000) {
            appendUnit(out, 0xD800 + ((code - 0x10000) >> 10));
            appendUnit(out, 0xDC00 + ((code - 0x10000) & 0x3FF));
        } else {
            appendUnit(out, code);
        }
    });
    return out + "\"";
}

namespace {

// A page's two texts: a small head the player reads as soon as its script runs (the glyphs and the
// poster frame, unpacked, so the first picture needs no decoder), and the data after the player's
// script, read once the whole page has arrived. Sections are placed by their offsets in the escaped
// text, so the page unescapes only the piece it needs, when it needs it.
class PageTexts {
public:
    explicit PageTexts(bool ascii) : ascii_(ascii) {}

    std::string head;
    std::string data;

    // The bytes appended to `text`, as the table of contents names them: [start, end, crc].
    std::string section(std::string& text, std::span<const std::uint8_t> bytes)
    {
        const std::size_t start = text.size();
        append(bytes, text);
        return jsonArray({start, text.size(), crcOf(bytes)});
    }

    // A chunk of frames, packed, appended to the data and named in `chunks`.
    void addChunk(std::span<const std::uint8_t> raw, std::string& chunks)
    {
        const LzmaChunk packed = packLzmaChunk(raw);
        const std::size_t start = data.size();
        append(packed.bytes, data);
        if (!chunks.empty()) chunks += ',';
        chunks += jsonArray({start, data.size(), packed.properties, crcOf(raw)});
    }

private:
    void append(std::span<const std::uint8_t> bytes, std::string& text) const
    {
        if (ascii_)
            appendBase64(bytes, text);
        else
            appendScriptData(bytes, text);
    }

    bool ascii_;
};

std::string flag(bool value) { return value ? "true" : "false"; }

// The table of contents' fields that every page has, from "title" to "autoplay".
std::string commonMeta(const HtmlPageSettings& settings, std::uint64_t frames, std::uint64_t poster)
{
    return std::string(settings.ascii ? ",\"encoding\":\"base64\"" : "") + ",\"title\":" + jsonString(settings.title) +
           ",\"frames\":" + number(frames) + ",\"framesPerSecond\":" + number(kFramesPerSecond) +
           ",\"posterFrame\":" + number(poster) + ",\"loop\":" + flag(settings.loop) +
           ",\"autoplay\":" + flag(settings.autoplay);
}

// The page itself: the template filled with the player and `meta`, then the texts.
void writeFilledPage(const std::string& meta, const PageTexts& texts, const HtmlPageSettings& settings,
                     AtomicFile& file)
{
    const std::string title = htmlText(settings.title);
    // The table of contents' own checksum beside it: nothing else would notice a change to it.
    const std::string meta_crc =
        number(crcOf(std::span(reinterpret_cast<const std::uint8_t*>(meta.data()), meta.size())));
    const std::string shared = pageConstantsScript();
    // The data last, so that a page cut short still has its player to say so.
    for (const std::string_view piece :
         filledTemplate(kPageTemplate, {{"{{charset}}", settings.ascii ? "utf-8" : "windows-1252"},
                                        {"{{title}}", title},
                                        {"{{label}}", title},
                                        {"{{style}}", kPlayerStyle},
                                        {"{{boot}}", kBootScript},
                                        {"{{metacrc}}", meta_crc},
                                        {"{{meta}}", meta},
                                        {"{{shared}}", shared},
                                        {"{{head}}", texts.head},
                                        {"{{lzma}}", kLzmaDecoderScript},
                                        {"{{unpack}}", kUnpackScript},
                                        {"{{player}}", kPlayerScript},
                                        {"{{data}}", texts.data}})) {
        file.write(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(piece.data()), piece.size()));
    }
}

}  // namespace

void writeHtmlPage(FrameStream& frames, const GlyphTable& glyphs, std::span<const std::uint8_t> mp3,
                   const HtmlPageSettings& settings, AtomicFile& file, ProgressLine& progress)
{
    PageTexts texts(settings.ascii);
    std::vector<std::uint8_t> font(GlyphTable::kFileGlyphs * 16);
    for (int code = 0; code < GlyphTable::kFileGlyphs; ++code) {
        std::copy(glyphs[code].begin(), glyphs[code].end(), font.begin() + code * 16);
    }
    const std::string font_entry = texts.section(texts.head, font);
    const std::string audio_entry = mp3.empty() ? "null" : texts.section(texts.data, mp3);
    const std::uint64_t frame_count = frames.frameCount();
    const std::uint64_t poster = std::min(settings.poster_frame, frame_count == 0 ? 0 : frame_count - 1);
    std::string poster_entry = "null";

    std::string chunks;
    std::vector<std::uint8_t> raw;
    raw.reserve(std::size_t{kPageChunkFrames} * TextFrame::kCells);
    TextFrame frame;
    std::uint64_t done = 0;
    while (frames.next(frame)) {
        if (done == poster) poster_entry = texts.section(texts.head, frame.cells);
        raw.insert(raw.end(), frame.cells.begin(), frame.cells.end());
        if (raw.size() == std::size_t{kPageChunkFrames} * TextFrame::kCells) {
            texts.addChunk(raw, chunks);
            raw.clear();
        }
        progress.update(++done);
    }
    if (!raw.empty()) texts.addChunk(raw, chunks);
    if (done != frame_count) throw ToolError("the frame file changed while it was being read");

    const std::string meta =
        "{\"format\":1" + commonMeta(settings, done, poster) + ",\"headLength\":" + number(texts.head.size()) +
        ",\"font\":" + font_entry + ",\"poster\":" + poster_entry + ",\"dataLength\":" + number(texts.data.size()) +
        ",\"audio\":" + audio_entry + ",\"chunkFrames\":" + number(kPageChunkFrames) + ",\"chunks\":[" + chunks + "]}";
    writeFilledPage(meta, texts, settings, file);
}

void writeCellPage(Artwork& artwork, const CellPageLength& length, std::span<const std::uint8_t> mp3,
                   const HtmlPageSettings& settings, AtomicFile& file, ProgressLine& progress)
{
    PageTexts texts(settings.ascii);
    const CellFont& cell_font = artwork.font();
    const std::string font_entry = texts.section(texts.head, cell_font.rows);
    const std::string audio_entry = mp3.empty() ? "null" : texts.section(texts.data, mp3);
    // A still piece is one picture however long its page plays: the data holds it once.
    const std::uint64_t stored = length.still ? 1 : length.frames;
    const std::uint64_t poster = std::min(settings.poster_frame, stored - 1);

    const CellPicture* first = artwork.cells(0);
    if (!first) throw ToolError("the piece cannot be read any more");
    const int columns = first->columns;
    const int rows = first->rows;
    const std::vector<std::uint32_t> palette = first->palette;
    const std::size_t frame_bytes = cellFrameBytes(columns, rows);
    // Chunks of up to kPageChunkFrames frames, and of a few megabytes at most: the page unpacks one
    // at a time, and a tall piece's frames are large.
    constexpr std::size_t kChunkBytes = std::size_t{4} << 20;
    const std::uint64_t chunk_frames = std::clamp<std::uint64_t>(kChunkBytes / std::max<std::size_t>(frame_bytes, 1), 1,
                                                                 length.still ? 1 : kPageChunkFrames);

    std::string poster_entry = "null";
    std::string chunks;
    std::vector<std::uint8_t> raw;
    std::vector<std::uint8_t> packed;
    bool blinks = false;
    for (std::uint64_t done = 0; done < stored; ++done) {
        const CellPicture* picture = artwork.cells(std::min(done, artwork.frameCount() - 1));
        if (!picture || picture->columns != columns || picture->rows != rows)
            throw ToolError("the piece changed while it was being read");
        packCellFrame(*picture, packed);
        for (const Cell& cell : picture->cells) blinks = blinks || (cell.flags & Cell::kBlinks) != 0;
        if (done == poster) poster_entry = texts.section(texts.head, packed);
        raw.insert(raw.end(), packed.begin(), packed.end());
        if (raw.size() == chunk_frames * frame_bytes) {
            texts.addChunk(raw, chunks);
            raw.clear();
        }
        progress.update(done + 1);
    }
    if (!raw.empty()) texts.addChunk(raw, chunks);

    std::string colours;
    for (const std::uint32_t colour : palette) {
        if (!colours.empty()) colours += ',';
        colours += number(colour);
    }
    const std::string meta =
        "{\"format\":2" + commonMeta(settings, length.frames, poster) + ",\"still\":" + flag(length.still) +
        ",\"columns\":" + number(static_cast<std::uint64_t>(columns)) +
        ",\"rows\":" + number(static_cast<std::uint64_t>(rows)) +
        ",\"fontHeight\":" + number(static_cast<std::uint64_t>(cell_font.height)) +
        ",\"glyphs\":" + number(static_cast<std::uint64_t>(cell_font.glyph_count)) +
        ",\"letterSpacing\":" + number(artwork.letterSpacing() == 9 ? 9 : 8) + ",\"blinks\":" + flag(blinks) +
        ",\"palette\":[" + colours + "]" + ",\"headLength\":" + number(texts.head.size()) + ",\"font\":" + font_entry +
        ",\"poster\":" + poster_entry + ",\"dataLength\":" + number(texts.data.size()) + ",\"audio\":" + audio_entry +
        ",\"chunkFrames\":" + number(chunk_frames) + ",\"chunks\":[" + chunks + "]}";
    writeFilledPage(meta, texts, settings, file);
}

std::size_t cellFrameBytes(int columns, int rows)
{
    return std::size_t{kCellPlanes} * static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows);
}

void packCellFrame(const CellPicture& picture, std::vector<std::uint8_t>& out)
{
    const std::size_t cells = picture.cells.size();
    out.assign(kCellPlanes * cells, 0);
    for (std::size_t at = 0; at < cells; ++at) {
        const Cell& cell = picture.cells[at];
        out[at] = static_cast<std::uint8_t>(cell.code);
        out[cells + at] = static_cast<std::uint8_t>(((cell.code >> 8) & 1) | ((cell.flags & Cell::kBlinks) ? 2 : 0));
        out[2 * cells + at] = static_cast<std::uint8_t>(cell.foreground);
        out[3 * cells + at] = static_cast<std::uint8_t>(cell.foreground >> 8);
        out[4 * cells + at] = static_cast<std::uint8_t>(cell.background);
        out[5 * cells + at] = static_cast<std::uint8_t>(cell.background >> 8);
    }
}
