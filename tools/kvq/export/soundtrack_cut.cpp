// SPDX-License-Identifier: MIT
#include "kvq/export/soundtrack_cut.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>

#include "kvq/common/tool_error.h"
#include "kvq/export/mp3_frame_header.h"
#include "kvq/export/mp3_info_frame.h"
#include "kvq/files/input_file.h"

namespace {

constexpr std::size_t kWindowBytes = 1 << 16;
constexpr std::size_t kId3HeaderBytes = 10;
// The samples a layer III decoder gives out before the first of the encoder's.
constexpr int kDecoderDelay = 529;

// A file read through a window of 64 kB, so that walking a long file frame by frame costs no
// system call per frame.
class ByteWindow {
public:
    explicit ByteWindow(InputFile& file) : file_(file) {}

    // Up to `count` bytes from `offset` on; fewer only where the file ends.
    std::span<const std::uint8_t> at(std::uint64_t offset, std::size_t count)
    {
        if (offset < start_ || offset + count > start_ + bytes_.size()) {
            start_ = offset;
            bytes_.resize(std::max(kWindowBytes, count));
            bytes_.resize(file_.readAt(offset, bytes_));
        }
        const std::size_t from = static_cast<std::size_t>(offset - start_);
        return std::span<const std::uint8_t>(bytes_)
            .subspan(std::min(from, bytes_.size()))
            .first(std::min(count, bytes_.size() - std::min(from, bytes_.size())));
    }

private:
    InputFile& file_;
    std::uint64_t start_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// Where the ID3v2 tags at the start end (0 for none): a 10-byte header, a size in 7-bit bytes and
// a footer of 10 more bytes when flagged.
std::uint64_t id3TagsEnd(ByteWindow& window)
{
    std::uint64_t at = 0;
    for (;;) {
        const auto header = window.at(at, kId3HeaderBytes);
        if (header.size() < kId3HeaderBytes || header[0] != 'I' || header[1] != 'D' || header[2] != '3') return at;
        std::uint64_t size = 0;
        for (std::size_t i = 6; i < 10; ++i) size = size << 7 | (header[i] & 0x7F);
        at += kId3HeaderBytes + size + ((header[5] & 0x10) ? kId3HeaderBytes : 0);
    }
}

std::optional<Mp3FrameHeader> headerAt(ByteWindow& window, std::uint64_t offset)
{
    return readMp3FrameHeader(window.at(offset, Mp3FrameHeader::kBytes));
}

// A frame at `offset` whose successor starts where it ends (or which ends the file): bytes that
// merely look like a header seldom chain so.
std::optional<Mp3FrameHeader> chainedFrameAt(ByteWindow& window, std::uint64_t offset, std::uint64_t file_bytes)
{
    const auto header = headerAt(window, offset);
    if (!header || offset + header->bytes > file_bytes) return std::nullopt;
    if (offset + header->bytes == file_bytes) return header;
    const auto next = headerAt(window, offset + header->bytes);
    if (!next || !next->sameStreamAs(*header)) return std::nullopt;
    return header;
}

// The first chained frame from `offset` on, searched byte by byte over anything between.
std::optional<std::uint64_t> nextFrame(ByteWindow& window, std::uint64_t offset, std::uint64_t file_bytes)
{
    for (; offset + Mp3FrameHeader::kBytes <= file_bytes; ++offset) {
        const auto byte = window.at(offset, 1);
        if (byte.empty()) break;  // the file was cut short while it was read
        if (byte[0] == 0xFF && chainedFrameAt(window, offset, file_bytes)) return offset;
    }
    return std::nullopt;
}

struct FramePlace {
    std::uint64_t offset;
    std::size_t bytes;
};

// "0:40", "3:20", "1:23:20": as the page shows times.
std::string clockText(double seconds)
{
    const long whole = std::lround(seconds);
    const auto twoDigits = [](long value) {
        std::string digits = std::to_string(value);
        if (digits.size() < 2) digits.insert(digits.begin(), '0');
        return digits;
    };
    if (whole < 3600) return std::to_string(whole / 60) + ":" + twoDigits(whole % 60);
    return std::to_string(whole / 3600) + ":" + twoDigits(whole / 60 % 60) + ":" + twoDigits(whole % 60);
}

}  // namespace

SoundtrackCut cutSoundtrack(const std::string& path, double seconds)
{
    InputFile file(path);
    ByteWindow window(file);
    const std::uint64_t file_bytes = file.sizeBytes();
    const std::optional<std::uint64_t> first = nextFrame(window, id3TagsEnd(window), file_bytes);
    if (!first) throw ToolError(path + ": holds no MPEG layer III audio, so it is no MP3 a web page can play");
    const std::optional<Mp3FrameHeader> first_header = headerAt(window, *first);
    if (!first_header) throw ToolError(path + ": changed while it was being read");
    const Mp3FrameHeader stream = *first_header;

    std::uint64_t at = *first;
    const auto first_frame = window.at(at, stream.bytes);
    const Mp3InfoFrame info = readMp3InfoFrame(first_frame, stream);
    std::vector<std::uint8_t> xing_frame;  // empty for none
    if (info.kind == Mp3InfoFrame::Kind::xing) xing_frame.assign(first_frame.begin(), first_frame.end());
    if (info.kind != Mp3InfoFrame::Kind::none) at += stream.bytes;
    const int skipped = info.kind == Mp3InfoFrame::Kind::xing && (info.encoder_delay > 0 || info.end_padding > 0)
                            ? info.encoder_delay + kDecoderDelay
                            : 0;
    const double wanted_samples = seconds * stream.sample_rate_hz + skipped;

    // Every frame to the end, for the length before; the places of those kept.
    std::vector<FramePlace> kept;
    std::uint64_t samples = 0;
    while (at + Mp3FrameHeader::kBytes <= file_bytes) {
        const auto header = headerAt(window, at);
        if (!header || !header->sameStreamAs(stream) || at + header->bytes > file_bytes) {
            // Something between frames, or a tag at the end: go on from the next frame after it, if any.
            const auto next = nextFrame(window, at + 1, file_bytes);
            if (!next) break;
            at = *next;
            continue;
        }
        if (static_cast<double>(samples) < wanted_samples) kept.push_back({at, header->bytes});
        samples += static_cast<std::uint64_t>(header->samples);
        at += header->bytes;
    }
    const double rate = stream.sample_rate_hz;
    const int padding = info.kind == Mp3InfoFrame::Kind::xing ? info.end_padding : 0;
    SoundtrackCut cut;
    // A decoder gives out the samples of its own delay again at the end, in place of the padding
    // where the tag tells more padding than that.
    cut.seconds_before =
        std::max(0.0, (static_cast<double>(samples) - skipped - std::max(0, padding - kDecoderDelay)) / rate);
    const std::uint64_t kept_samples = kept.size() * static_cast<std::uint64_t>(stream.samples);
    if (kept_samples >= samples) {
        cut.seconds_after = cut.seconds_before;
        cut.bytes.resize(static_cast<std::size_t>(file_bytes));
        cut.bytes.resize(file.readAt(0, cut.bytes));
        return cut;
    }
    cut.cut = true;
    cut.seconds_after = std::max(0.0, (static_cast<double>(kept_samples) - skipped) / rate);
    cut.bytes = xing_frame;
    std::vector<std::uint64_t> offsets;
    for (const FramePlace& place : kept) {
        offsets.push_back(cut.bytes.size());
        const auto frame = window.at(place.offset, place.bytes);
        cut.bytes.insert(cut.bytes.end(), frame.begin(), frame.end());
    }
    if (!xing_frame.empty()) rewriteXingFrame(cut.bytes, stream, offsets);
    return cut;
}

std::string soundtrackCutLine(const SoundtrackCut& cut)
{
    return "soundtrack cut from " + clockText(cut.seconds_before) + " to " + clockText(cut.seconds_after) +
           " (the animation's length)";
}
