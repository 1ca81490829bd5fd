// SPDX-License-Identifier: MIT
#include "platform/review/mp3_stream.h"

#include <mpg123.h>

#include <cstdio>

#include "content/mp3_signature.h"

struct Mp3Stream::Handle {
    struct Deleter {
        void operator()(mpg123_handle* decoder) const
        {
            mpg123_close(decoder);
            mpg123_delete(decoder);
        }
    };
    std::unique_ptr<mpg123_handle, Deleter> decoder;
};

Mp3Stream::Mp3Stream() = default;
Mp3Stream::~Mp3Stream() = default;

namespace {

bool fileStartsLikeMp3(const char* path)
{
    std::uint8_t start[kMp3SignatureBytes] = {};
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    return startsLikeMp3(std::span<const std::uint8_t>(start, got));
}

}  // namespace

bool Mp3Stream::open(const char* path)
{
    handle_.reset();
    if (!fileStartsLikeMp3(path)) return false;
    auto handle = std::make_unique<Handle>();
    handle->decoder.reset(mpg123_new(nullptr, nullptr));
    mpg123_handle* decoder = handle->decoder.get();
    if (!decoder) return false;
    // Every rate the decoder knows, always as stereo floats; quiet, since the caller says what
    // went wrong in one line.
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO | MPG123_FORCE_FLOAT, 0);
    mpg123_format_none(decoder);
    const long* rates = nullptr;
    std::size_t rate_count = 0;
    mpg123_rates(&rates, &rate_count);
    for (std::size_t i = 0; i < rate_count; ++i) mpg123_format(decoder, rates[i], MPG123_STEREO, MPG123_ENC_FLOAT_32);

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // A scan reads the frame headers of the whole file, not its audio: it gives the exact length
    // and an index for exact seeks.
    if (mpg123_open(decoder, path) != MPG123_OK || mpg123_scan(decoder) != MPG123_OK ||
        mpg123_getformat(decoder, &rate, &channels, &encoding) != MPG123_OK) {
        return false;
    }
    const off_t length = mpg123_length(decoder);
    if (rate <= 0 || channels != 2 || encoding != MPG123_ENC_FLOAT_32 || length <= 0) return false;
    rate_hz_ = static_cast<int>(rate);
    length_frames_ = length;
    handle_ = std::move(handle);
    return true;
}

int Mp3Stream::read(float* out, int frames)
{
    if (!handle_ || frames <= 0) return 0;
    const std::size_t wanted = static_cast<std::size_t>(frames) * 2 * sizeof(float);
    std::size_t done = 0;
    // The decoder gives what it has up to a frame's end; more than one call may be needed.
    while (done < wanted) {
        std::size_t got = 0;
        const int status =
            mpg123_read(handle_->decoder.get(), reinterpret_cast<unsigned char*>(out) + done, wanted - done, &got);
        done += got;
        if (status == MPG123_NEW_FORMAT) continue;  // the same format, said again after a seek
        if (status != MPG123_OK || got == 0) break;
    }
    return static_cast<int>(done / (2 * sizeof(float)));
}

bool Mp3Stream::seek(std::int64_t frame)
{
    return handle_ && mpg123_seek(handle_->decoder.get(), static_cast<off_t>(frame), SEEK_SET) >= 0;
}
