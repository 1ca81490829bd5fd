// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A model of a terminal's text screen for tests: reads what kvq sends a terminal (UTF-8 text, CR, LF,
// cursor moves, erase and SGR colours, 24-bit or sixteen) into a grid of cells, as xterm does,
// autowrap included. Anything else it cannot read is kept in `unknown`, for the test to reject.
class TerminalScreen {
public:
    static constexpr int kDefault = -1;         // the terminal's own colour
    static constexpr int kIndexed = 0x1000000;  // + 0-15: one of the sixteen
    struct Cell {
        char32_t character = U' ';
        int ink = kDefault, paper = kDefault;
        bool written = false;  // since the grid was made
        bool operator==(const Cell&) const = default;
    };

    TerminalScreen(int columns, int rows, Cell fill)
        : columns_(columns), rows_(rows), cells_(static_cast<std::size_t>(columns * rows), fill)
    {
    }
    TerminalScreen(int columns, int rows) : TerminalScreen(columns, rows, Cell{U' ', kDefault, kDefault, false}) {}

    int columns() const { return columns_; }
    int rows() const { return rows_; }
    const Cell& at(int row, int column) const { return cells_[static_cast<std::size_t>(row * columns_ + column)]; }
    int scrolls() const { return scrolls_; }
    const std::vector<std::string>& unknown() const { return unknown_; }

    void feed(std::string_view bytes)
    {
        for (std::size_t i = 0; i < bytes.size();) {
            const auto byte = static_cast<unsigned char>(bytes[i]);
            if (byte == 0x1b) {
                i = escape(bytes, i);
            } else if (byte == '\r') {
                column_ = 0, pending_ = false, ++i;
            } else if (byte == '\n') {
                lineFeed(), pending_ = false, ++i;
            } else if (byte < 0x20 || byte == 0x7f) {
                unknown_.push_back("control " + std::to_string(byte)), ++i;
            } else {
                const int length = byte < 0x80 ? 1 : byte < 0xE0 ? 2 : byte < 0xF0 ? 3 : 4;
                char32_t character = length == 1 ? byte : byte & (0x7F >> length);
                for (int k = 1; k < length && i + k < bytes.size(); ++k) {
                    character = (character << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
                }
                put(character);
                i += static_cast<std::size_t>(length);
            }
        }
    }

private:
    void lineFeed()
    {
        if (row_ < rows_ - 1) {
            ++row_;
            return;
        }
        ++scrolls_;
        cells_.erase(cells_.begin(), cells_.begin() + columns_);
        cells_.resize(static_cast<std::size_t>(columns_ * rows_), Cell{U' ', kDefault, paper(), true});
    }
    int ink() const { return reverse_ ? paper_ : ink_; }
    int paper() const { return reverse_ ? ink_ : paper_; }

    void put(char32_t character)
    {
        if (pending_) {
            column_ = 0, pending_ = false;
            lineFeed();
        }
        cells_[static_cast<std::size_t>(row_ * columns_ + column_)] = {character, ink(), paper(), true};
        if (column_ == columns_ - 1) {
            pending_ = true;
        } else {
            ++column_;
        }
    }

    std::size_t escape(std::string_view bytes, std::size_t i)
    {
        if (i + 1 >= bytes.size() || bytes[i + 1] != '[') {
            unknown_.push_back("escape");
            return i + 1;
        }
        std::size_t end = i + 2;
        while (end < bytes.size() && (std::isdigit(static_cast<unsigned char>(bytes[end])) || bytes[end] == ';')) ++end;
        if (end >= bytes.size()) {
            unknown_.push_back("cut sequence");
            return end;
        }
        std::vector<int> numbers;
        std::string number;
        for (std::size_t k = i + 2; k <= end; ++k) {
            if (k == end || bytes[k] == ';') {
                numbers.push_back(number.empty() ? -1 : std::stoi(number));
                number.clear();
            } else {
                number += bytes[k];
            }
        }
        auto arg = [&](std::size_t n, int otherwise) {
            return n < numbers.size() && numbers[n] > 0 ? numbers[n] : otherwise;
        };
        const char final = bytes[end];
        const bool moves = final != 'm' && final != 'J';
        if (moves) pending_ = false;
        switch (final) {
        case 'H':
            row_ = arg(0, 1) - 1, column_ = arg(1, 1) - 1;
            break;
        case 'A':
            row_ -= arg(0, 1);
            break;
        case 'B':
            row_ += arg(0, 1);
            break;
        case 'C':
            column_ += arg(0, 1);
            break;
        case 'D':
            column_ -= arg(0, 1);
            break;
        case 'G':
            column_ = arg(0, 1) - 1;
            break;
        case 'd':
            row_ = arg(0, 1) - 1;
            break;
        case 'J':
            if (arg(0, 0) != 2) unknown_.push_back("erase " + std::to_string(arg(0, 0)));
            for (Cell& cell : cells_) cell = {U' ', kDefault, paper(), cell.written};
            break;
        case 'm':
            sgr(numbers);
            break;
        default:
            unknown_.push_back(std::string("final ") + final);
        }
        row_ = std::clamp(row_, 0, rows_ - 1);
        column_ = std::clamp(column_, 0, columns_ - 1);
        return end + 1;
    }

    void sgr(const std::vector<int>& numbers)
    {
        for (std::size_t k = 0; k < numbers.size(); ++k) {
            const int n = std::max(0, numbers[k]);
            if (n == 0)
                ink_ = paper_ = kDefault, reverse_ = false;
            else if (n == 7)
                reverse_ = true;
            else if (n == 27)
                reverse_ = false;
            else if (n == 39)
                ink_ = kDefault;
            else if (n == 49)
                paper_ = kDefault;
            else if (n >= 30 && n <= 37)
                ink_ = kIndexed + n - 30;
            else if (n >= 90 && n <= 97)
                ink_ = kIndexed + n - 90 + 8;
            else if (n >= 40 && n <= 47)
                paper_ = kIndexed + n - 40;
            else if (n >= 100 && n <= 107)
                paper_ = kIndexed + n - 100 + 8;
            else if ((n == 38 || n == 48) && k + 4 < numbers.size() && numbers[k + 1] == 2) {
                const int rgb = (numbers[k + 2] << 16) | (numbers[k + 3] << 8) | numbers[k + 4];
                (n == 38 ? ink_ : paper_) = rgb;
                k += 4;
            } else {
                unknown_.push_back("sgr " + std::to_string(n));
            }
        }
    }

    int columns_, rows_;
    std::vector<Cell> cells_;
    int row_ = 0, column_ = 0;
    bool pending_ = false;
    int ink_ = kDefault, paper_ = kDefault;
    bool reverse_ = false;
    int scrolls_ = 0;
    std::vector<std::string> unknown_;
};
