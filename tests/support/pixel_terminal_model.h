// SPDX-License-Identifier: MIT
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A terminal's screen of pixels as the bytes of a pixel painter leave it: cursor moves, cursor save
// and restore, sixel images (as xterm shows them: colours as percentages, P2=0 filling the raster
// with register 0, the cursor left on the image's last row) and kitty graphics commands (images
// sent whole, as PNG or compressed RGB, in pieces; changed in place, each change in one piece;
// deleted). Anything else is a fault of the bytes, thrown as std::runtime_error. Written apart from the painters, from the protocols alone.
class PixelTerminalModel {
public:
    PixelTerminalModel(int columns, int rows, int cell_width, int cell_height)
        : columns_(columns),
          rows_(rows),
          cell_width_(cell_width),
          cell_height_(cell_height),
          sixel_layer_(static_cast<std::size_t>(columns * cell_width * rows * cell_height), kNothing),
          touched_(static_cast<std::size_t>(columns * rows), false)
    {
    }

    static constexpr std::uint32_t kNothing = 0xFF000000;  // no pixel drawn there

    // xterm's 8-bit level for a sixel percentage.
    static int shownLevel(int percent) { return percent * 65535 / 100 / 256; }

    void apply(std::string_view bytes)
    {
        std::size_t at = 0;
        while (at < bytes.size()) {
            if (bytes[at] != '\x1b' || at + 1 >= bytes.size()) fail("a byte outside an escape sequence", at);
            const char kind = bytes[at + 1];
            if (kind == '7') {
                saved_row_ = cursor_row_, saved_column_ = cursor_column_;
                at += 2;
            } else if (kind == '8') {
                cursor_row_ = saved_row_, cursor_column_ = saved_column_;
                at += 2;
            } else if (kind == '[') {
                const std::size_t end = bytes.find('H', at);
                if (end == std::string_view::npos) fail("an unknown control sequence", at);
                const std::string body(bytes.substr(at + 2, end - at - 2));
                const std::size_t semicolon = body.find(';');
                cursor_row_ = std::stoi(body.substr(0, semicolon)) - 1;
                cursor_column_ = std::stoi(body.substr(semicolon + 1)) - 1;
                at = end + 1;
            } else if (kind == 'P' || kind == '_') {
                const std::size_t end = bytes.find("\x1b\\", at);
                if (end == std::string_view::npos) fail("an unterminated string", at);
                const std::string_view body = bytes.substr(at + 2, end - at - 2);
                if (kind == 'P') {
                    sixel(body);
                } else {
                    kitty(body);
                }
                at = end + 2;
            } else {
                fail("an unknown escape", at);
            }
        }
    }

    // What the screen shows at a pixel: kitty images over sixel pixels, kNothing where neither.
    std::uint32_t pixel(int x, int y) const
    {
        for (const auto& [id, image] : images_) {
            if (!image.placed) continue;
            const int ix = x - image.column * cell_width_, iy = y - image.row * cell_height_;
            if (ix >= 0 && iy >= 0 && ix < image.width && iy < image.height) {
                const std::size_t at = (static_cast<std::size_t>(iy) * image.width + ix) * 3;
                return std::uint32_t{image.rgb[at]} << 16 | std::uint32_t{image.rgb[at + 1]} << 8 | image.rgb[at + 2];
            }
        }
        return sixel_layer_[static_cast<std::size_t>(y * columns_ * cell_width_ + x)];
    }

    int cursorRow() const { return cursor_row_; }
    int cursorColumn() const { return cursor_column_; }
    void moveCursor(int row, int column) { cursor_row_ = row, cursor_column_ = column; }
    std::size_t images() const { return images_.size(); }

    // The cells that received pixels since the last call.
    std::vector<bool> takeTouched() { return std::exchange(touched_, std::vector<bool>(touched_.size(), false)); }

private:
    struct Image {
        int width = 0, height = 0;
        std::vector<std::uint8_t> rgb;
        bool placed = false;
        int row = 0, column = 0;
    };

    [[noreturn]] static void fail(const std::string& what, std::size_t at)
    {
        throw std::runtime_error(what + " at byte " + std::to_string(at));
    }

    void touch(int x, int y, int width, int height)
    {
        for (int r = y / cell_height_; r <= (y + height - 1) / cell_height_; ++r) {
            for (int c = x / cell_width_; c <= (x + width - 1) / cell_width_; ++c) {
                if (r < 0 || c < 0 || r >= rows_ || c >= columns_) fail("pixels off the screen", 0);
                touched_[static_cast<std::size_t>(r * columns_ + c)] = true;
            }
        }
    }

    void setSixelPixel(int x, int y, std::uint32_t colour)
    {
        if (x < 0 || y < 0 || x >= columns_ * cell_width_ || y >= rows_ * cell_height_) fail("sixel off the screen", 0);
        sixel_layer_[static_cast<std::size_t>(y * columns_ * cell_width_ + x)] = colour;
    }

    static std::vector<int> numbers(std::string_view text, std::size_t& at)
    {
        std::vector<int> values{0};
        while (at < text.size() && (std::isdigit(static_cast<unsigned char>(text[at])) || text[at] == ';')) {
            if (text[at] == ';') {
                values.push_back(0);
            } else {
                values.back() = values.back() * 10 + (text[at] - '0');
            }
            ++at;
        }
        return values;
    }

    void sixel(std::string_view body)
    {
        std::size_t at = 0;
        const std::vector<int> parameters = numbers(body, at);
        if (at >= body.size() || body[at] != 'q') fail("a DCS that is no sixel", at);
        ++at;
        const bool fill = parameters.size() < 2 || parameters[1] == 0;
        const int left = cursor_column_ * cell_width_, top = cursor_row_ * cell_height_;
        std::map<int, std::uint32_t> registers;
        std::vector<bool> set;
        int raster_width = 0, raster_height = 0, x = 0, band = 0, colour = 0, drawn_height = 0;
        auto draw = [&](int sixel, int count) {
            for (int k = 0; k < 6; ++k) {
                if (!(sixel >> k & 1)) continue;
                for (int i = 0; i < count; ++i) {
                    const int px = x + i, py = band * 6 + k;
                    setSixelPixel(left + px, top + py, registers.at(colour));
                    if (px < raster_width && py < raster_height)
                        set[static_cast<std::size_t>(py * raster_width + px)] = true;
                    drawn_height = std::max(drawn_height, py + 1);
                    touch(left + px, top + py, 1, 1);
                }
            }
            x += count;
        };
        while (at < body.size()) {
            const char c = body[at++];
            if (c == '"') {
                const std::vector<int> raster = numbers(body, at);
                if (raster.size() != 4 || raster[0] != 1 || raster[1] != 1) fail("raster attributes", at);
                raster_width = raster[2], raster_height = raster[3];
                set.assign(static_cast<std::size_t>(raster_width * raster_height), false);
            } else if (c == '#') {
                const std::vector<int> values = numbers(body, at);
                colour = values[0];
                if (values.size() == 5) {
                    if (values[1] != 2) fail("a colour not in RGB", at);
                    std::uint32_t rgb = 0;
                    for (int i = 2; i < 5; ++i) {
                        if (values[static_cast<std::size_t>(i)] > 100) fail("a percentage over 100", at);
                        rgb = rgb << 8 | static_cast<std::uint32_t>(shownLevel(values[static_cast<std::size_t>(i)]));
                    }
                    registers[colour] = rgb;
                } else if (values.size() != 1) {
                    fail("a colour introducer", at);
                }
            } else if (c == '!') {
                const int count = numbers(body, at)[0];
                if (at >= body.size() || body[at] < '?' || body[at] > '~') fail("a repeat of no sixel", at);
                draw(body[at++] - '?', count);
            } else if (c >= '?' && c <= '~') {
                draw(c - '?', 1);
            } else if (c == '$') {
                x = 0;
            } else if (c == '-') {
                x = 0;
                ++band;
            } else {
                fail(std::string("a sixel byte ") + c, at);
            }
        }
        if (fill && raster_width > 0) {
            for (int py = 0; py < raster_height; ++py) {
                for (int px = 0; px < raster_width; ++px) {
                    if (!set[static_cast<std::size_t>(py * raster_width + px)]) {
                        setSixelPixel(left + px, top + py, registers.at(0));
                    }
                }
            }
            touch(left, top, raster_width, raster_height);
        }
        const int height = std::max(raster_height, drawn_height);
        if (height > 0) cursor_row_ += (height - 1) / cell_height_;
    }

    static std::vector<std::uint8_t> fromBase64(std::string_view text)
    {
        std::vector<std::uint8_t> bytes;
        std::uint32_t bits = 0;
        int count = 0;
        for (const char c : text) {
            int value;
            if (c >= 'A' && c <= 'Z') {
                value = c - 'A';
            } else if (c >= 'a' && c <= 'z') {
                value = c - 'a' + 26;
            } else if (c >= '0' && c <= '9') {
                value = c - '0' + 52;
            } else if (c == '+' || c == '/') {
                value = c == '+' ? 62 : 63;
            } else if (c == '=') {
                break;
            } else {
                fail("a byte outside base64", 0);
            }
            bits = bits << 6 | static_cast<std::uint32_t>(value);
            count += 6;
            if (count >= 8) {
                count -= 8;
                bytes.push_back(static_cast<std::uint8_t>(bits >> count));
            }
        }
        return bytes;
    }

    void kitty(std::string_view body)
    {
        if (body.empty() || body[0] != 'G') fail("an APC that is no graphics command", 0);
        const std::size_t semicolon = body.find(';');
        std::map<std::string, std::string> keys;
        const std::string_view control =
            body.substr(1, semicolon == std::string_view::npos ? body.npos : semicolon - 1);
        for (std::size_t from = 0; from < control.size();) {
            std::size_t comma = control.find(',', from);
            if (comma == std::string_view::npos) comma = control.size();
            const std::string_view pair = control.substr(from, comma - from);
            const std::size_t equals = pair.find('=');
            if (equals == std::string_view::npos) fail("a key without a value", 0);
            keys[std::string(pair.substr(0, equals))] = std::string(pair.substr(equals + 1));
            from = comma + 1;
        }
        if (keys["q"] != "2") fail("a command that asks for a reply", 0);
        auto number = [&](const char* key) { return keys.count(key) ? std::stoi(keys[key]) : 0; };
        if (pending_.empty()) {
            pending_keys_ = keys;
            pieces_ = 0;
        } else if (keys.size() != 2) {
            fail("keys after a command's first piece", 0);
        }
        ++pieces_;
        pending_.append(semicolon == std::string_view::npos ? std::string_view() : body.substr(semicolon + 1));
        if (keys["m"] == "1") return;
        keys = std::exchange(pending_keys_, {});
        const std::vector<std::uint8_t> packed = fromBase64(std::exchange(pending_, {}));

        const std::string action = keys["a"];
        if (action == "d") {
            if (keys["d"] != "I") fail("a deletion of other than one image", 0);
            images_.erase(number("i"));
            return;
        }
        int width = number("s"), height = number("v");
        std::vector<std::uint8_t> rgb;
        if (keys["f"] == "100") {
            png_image image{};
            image.version = PNG_IMAGE_VERSION;
            if (!png_image_begin_read_from_memory(&image, packed.data(), packed.size()))
                fail("a PNG it cannot read", 0);
            image.format = PNG_FORMAT_RGB;
            rgb.resize(PNG_IMAGE_SIZE(image));
            if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) fail("a PNG cut short", 0);
            width = static_cast<int>(image.width), height = static_cast<int>(image.height);
        } else if (keys["f"] == "24" && keys["o"] == "z") {
            rgb.resize(static_cast<std::size_t>(width * height * 3));
            uLongf size = rgb.size();
            if (uncompress(rgb.data(), &size, packed.data(), packed.size()) != Z_OK || size != rgb.size()) {
                fail("pixels that do not unpack to their size", 0);
            }
        } else {
            fail("pixels other than a PNG or compressed RGB", 0);
        }
        if (action == "T") {
            if (keys["C"] != "1") fail("a placement that moves the cursor", 0);
            Image& image = images_[number("i")];
            image = Image{width, height, std::move(rgb), true, cursor_row_, cursor_column_};
            touch(image.column * cell_width_, image.row * cell_height_, width, height);
        } else if (action == "f") {
            // kitty 0.26 stretches a change sent in pieces over the whole image.
            if (pieces_ > 1) fail("a change of an image in pieces", 0);
            if (keys["r"] != "1" || keys["X"] != "1") fail("a change of other than the first frame, unblended", 0);
            Image& image = images_.at(number("i"));
            const int x = number("x"), y = number("y");
            if (x < 0 || y < 0 || x + width > image.width || y + height > image.height)
                fail("a change off the image", 0);
            for (int row = 0; row < height; ++row) {
                std::copy_n(&rgb[static_cast<std::size_t>(row * width * 3)], width * 3,
                            &image.rgb[(static_cast<std::size_t>(y + row) * image.width + x) * 3]);
            }
            touch(image.column * cell_width_ + x, image.row * cell_height_ + y, width, height);
        } else {
            fail("an unknown graphics action", 0);
        }
    }

    int columns_, rows_, cell_width_, cell_height_;
    std::vector<std::uint32_t> sixel_layer_;
    std::vector<bool> touched_;
    int cursor_row_ = 0, cursor_column_ = 0, saved_row_ = 0, saved_column_ = 0;
    std::map<int, Image> images_;
    std::map<std::string, std::string> pending_keys_;
    std::string pending_;
    int pieces_ = 0;
};
