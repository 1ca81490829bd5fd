// SPDX-License-Identifier: MIT
#include "kvq/info/scene_report.h"

#include <cstdio>

#include "kvq/font/cp437_font.h"
#include "scene/ansi_typing.h"

namespace {

void appendUtf8(std::string& out, char32_t character)
{
    if (character < 0x80) {
        out += static_cast<char>(character);
    } else if (character < 0x800) {
        out += static_cast<char>(0xC0 | character >> 6);
        out += static_cast<char>(0x80 | (character & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | character >> 12);
        out += static_cast<char>(0x80 | (character >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (character & 0x3F));
    }
}

// h:mm:ss.ss
std::string clockText(double seconds)
{
    const auto hundredths = static_cast<unsigned long long>(seconds * 100.0 + 0.5);
    char text[48];
    std::snprintf(text, sizeof text, "%llu:%02llu:%02llu.%02llu", hundredths / 360000, hundredths / 6000 % 60,
                  hundredths / 100 % 60, hundredths % 100);
    return text;
}

// SAUCE's date, CCYYMMDD, as a date where it is one.
std::string dateText(const std::string& date)
{
    if (date.size() != 8 || date.find_first_not_of("0123456789") != std::string::npos) return cp437Text(date);
    return date.substr(0, 4) + "-" + date.substr(4, 2) + "-" + date.substr(6, 2);
}

void field(std::ostream& out, const char* name, const std::string& value)
{
    if (!value.empty()) out << "  " << name << ": " << value << "\n";
}

}  // namespace

std::string cp437Text(const std::string& text)
{
    std::string out;
    for (const char byte : text) {
        const auto code = static_cast<unsigned char>(byte);
        // Control codes are shown as the PC drew them, so that none reaches the terminal as one.
        appendUtf8(out, code == 0 ? U' ' : kCp437Characters[code]);
    }
    return out;
}

void describeScenePiece(const std::string& path, const ScenePiece& piece, std::optional<int> baud, std::ostream& out)
{
    out << path << ": " << formatName(piece.format) << ", " << piece.picture.columns << "x" << piece.picture.rows
        << " cells\n";
    if (const auto& sauce = piece.sauce) {
        field(out, "title", cp437Text(sauce->title));
        field(out, "author", cp437Text(sauce->author));
        field(out, "group", cp437Text(sauce->group));
        field(out, "date", dateText(sauce->date));
        field(out, "font", cp437Text(sauce->font_name));
        for (const std::string& comment : sauce->comments) out << "  comment: " << cp437Text(comment) << "\n";
    } else {
        out << "  no SAUCE record\n";
    }
    out << "  letter spacing: " << piece.letter_spacing << " pixels\n";
    out << "  iCE colours: " << (piece.ice_colours ? "yes (blinking is a bright background)" : "no") << "\n";
    if (piece.font)
        out << "  its own font: " << piece.font->glyph_count << " glyphs of 8x" << piece.font->height << "\n";
    if (baud) {
        const AnsiTyping typing(piece);
        const double seconds = static_cast<double>(typing.byteCount()) * AnsiTyping::kBitsPerByte / *baud;
        out << "  typed out at " << *baud << " baud: " << clockText(seconds) << ", "
            << AnsiTyping::framesFor(typing.byteCount(), *baud) << " frames at 24 a second\n";
    }
}
