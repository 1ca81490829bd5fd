// SPDX-License-Identifier: MIT
#include "kvq/export/gif_lzw.h"

#include <array>

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;
constexpr std::uint16_t kRootCount = 1 << kGifMinimumCodeSize;
constexpr std::uint16_t kClearCode = kRootCount;
constexpr std::uint16_t kEndCode = kClearCode + 1;
constexpr std::uint16_t kFirstFreeCode = kClearCode + 2;
constexpr std::uint16_t kNoCode = 0;  // no string ever gets code 0 as its extension: 0 is a root

// Codes go out least significant bit first, packed into sub-blocks of up to 255 bytes.
class CodePacker {
public:
    explicit CodePacker(std::vector<std::uint8_t>& out) : out_(out) {}

    void put(std::uint32_t code, int bits)
    {
        pending_ |= code << pending_bits_;
        pending_bits_ += bits;
        while (pending_bits_ >= 8) {
            putByte(static_cast<std::uint8_t>(pending_));
            pending_ >>= 8;
            pending_bits_ -= 8;
        }
    }

    void finish()
    {
        if (pending_bits_ > 0) putByte(static_cast<std::uint8_t>(pending_));
        pending_ = 0;
        pending_bits_ = 0;
        flushBlock();
        out_.push_back(0);
    }

private:
    void putByte(std::uint8_t byte)
    {
        block_[block_size_++] = byte;
        if (block_size_ == block_.size()) flushBlock();
    }

    void flushBlock()
    {
        if (block_size_ == 0) return;
        out_.push_back(static_cast<std::uint8_t>(block_size_));
        out_.insert(out_.end(), block_.begin(), block_.begin() + static_cast<std::ptrdiff_t>(block_size_));
        block_size_ = 0;
    }

    std::vector<std::uint8_t>& out_;
    std::uint32_t pending_ = 0;
    int pending_bits_ = 0;
    std::array<std::uint8_t, 255> block_{};
    std::size_t block_size_ = 0;
};

// The same coding for palettes of up to 256 colours, where a dense trie of every root would not
// fit: the strings' extensions are found in an open-addressed table keyed by (code, pixel).
void appendWideImageData(std::span<const std::uint8_t> indices, std::vector<std::uint8_t>& out, int minimum_code_size)
{
    out.push_back(static_cast<std::uint8_t>(minimum_code_size));
    CodePacker packer(out);
    const std::uint32_t root_count = 1u << minimum_code_size;
    const std::uint32_t clear_code = root_count;
    const std::uint32_t end_code = clear_code + 1;
    constexpr std::size_t kSlots = 1 << 14;  // four times the codes, so probes stay short
    std::vector<std::uint32_t> keys(kSlots, ~0u);
    std::vector<std::uint16_t> codes(kSlots, 0);
    const auto slotOf = [&](std::uint32_t key) {
        std::size_t slot = (key * 2654435761u) >> 18;
        while (keys[slot] != ~0u && keys[slot] != key) slot = (slot + 1) & (kSlots - 1);
        return slot;
    };
    std::uint32_t next_code = end_code + 1;
    int code_bits = minimum_code_size + 1;
    packer.put(clear_code, code_bits);
    if (indices.empty()) {
        packer.put(end_code, code_bits);
        packer.finish();
        return;
    }
    std::uint32_t current = indices[0] & (root_count - 1);
    for (std::size_t at = 1; at < indices.size(); ++at) {
        const std::uint32_t pixel = indices[at] & (root_count - 1);
        const std::uint32_t key = current << 8 | pixel;
        const std::size_t slot = slotOf(key);
        if (keys[slot] == key) {
            current = codes[slot];
            continue;
        }
        packer.put(current, code_bits);
        if (next_code < kTableSize) {
            if (next_code == (1u << code_bits)) ++code_bits;
            keys[slot] = key;
            codes[slot] = static_cast<std::uint16_t>(next_code++);
        }
        current = pixel;
    }
    packer.put(current, code_bits);
    if (next_code < kTableSize && next_code == (1u << code_bits)) ++code_bits;
    packer.put(end_code, code_bits);
    packer.finish();
}

}  // namespace

void appendGifImageData(std::span<const std::uint8_t> indices, std::vector<std::uint8_t>& out, int minimum_code_size)
{
    if (minimum_code_size != kGifMinimumCodeSize) return appendWideImageData(indices, out, minimum_code_size);
    out.push_back(kGifMinimumCodeSize);
    CodePacker packer(out);

    // Every string has at most one extension per root, so the dictionary is a dense trie:
    // extension[code][pixel] is the code of that string followed by that pixel.
    std::array<std::array<std::uint16_t, kRootCount>, kTableSize> extension;  // codes past next_code are never read
    for (std::uint16_t code = 0; code < kFirstFreeCode; ++code) extension[code].fill(kNoCode);
    std::uint16_t next_code = kFirstFreeCode;
    int code_bits = kGifMinimumCodeSize + 1;

    packer.put(kClearCode, code_bits);
    if (indices.empty()) {
        packer.put(kEndCode, code_bits);
        packer.finish();
        return;
    }

    std::uint16_t current = indices[0] & (kRootCount - 1);
    for (std::size_t at = 1; at < indices.size(); ++at) {
        const std::uint8_t pixel = indices[at] & (kRootCount - 1);
        const std::uint16_t longer = extension[current][pixel];
        if (longer != kNoCode) {
            current = longer;
            continue;
        }
        packer.put(current, code_bits);
        // A full table is kept to the end of the image rather than cleared: a frame draws the
        // same glyphs' rows all over, so the strings learnt from its top keep matching further
        // down. Starting over made the demo's GIF 6% larger and an encoded video's 2%.
        if (next_code < kTableSize) {
            // The width grows when the code being assigned no longer fits; a decoder, which
            // assigns one code behind, widens before it reads the next code all the same.
            if (next_code == (1u << code_bits)) ++code_bits;
            extension[next_code].fill(kNoCode);
            extension[current][pixel] = next_code++;
        }
        current = pixel;
    }
    packer.put(current, code_bits);
    // The decoder assigns a code for that last one too, and may widen before it reads the end;
    // once the table is full it assigns none and stays at 12 bits.
    if (next_code < kTableSize && next_code == (1u << code_bits)) ++code_bits;
    packer.put(kEndCode, code_bits);
    packer.finish();
}
