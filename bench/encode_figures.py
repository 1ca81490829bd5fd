#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Quality figures of an encoded folder against the video it came from, computed here in numpy and
# apart from the encoder's own code, so that a change to the encoder cannot also change the ruler
# it is measured with.
# usage: bench/encode_figures.py SOURCE_VIDEO FOLDER     (FOLDER holds quorva2.kvq and test)
#   psnr     per-pixel PSNR of the drawn luminance against the picture's; what `kvq encode` reports
#   blurred  PSNR after a Gaussian blur of sigma 3 px on both, the picture first mapped onto the
#            ink-to-paper range: how well the tones come across when the glyph shapes are not
#            seen as such
#   ssim8    SSIM of both reduced to 80x60 by 8x8 means, picture mapped likewise: the structure
#            at about the size of a cell
#   flicker  share of the 2400 cells whose code changes from one frame to the next
# PSNR, blurred and ssim8 are means over frames (PSNR in dB, like the encoder's own figure).
import os
import re
import subprocess
import sys

try:
    import numpy as np
    from scipy.ndimage import gaussian_filter
    from skimage.metrics import structural_similarity
except ImportError as error:
    sys.exit(f"encode_figures.py: {error.name} is missing: apt-get install python3-numpy python3-scipy python3-skimage")

WIDTH, HEIGHT, COLUMNS, ROWS = 640, 480, 80, 30
CELLS = COLUMNS * ROWS
COLOURS_H = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src", "render", "colours.h")


def luminance(rgb):
    """The encoder's luminance: 0.299 R + 0.587 G + 0.114 B in whole levels, rounded."""
    rgb = np.asarray(rgb, dtype=np.int64)
    return (299 * rgb[..., 0] + 587 * rgb[..., 1] + 114 * rgb[..., 2] + 500) // 1000


def colour_luminance(name):
    """The luminance of one of the player's two colours, read from the header the player uses,
    so the figures follow a change of colours without an edit here."""
    value = int(re.search(rf"{name}\s*=\s*0x([0-9A-Fa-f]+)", open(COLOURS_H).read()).group(1), 16)
    return int(luminance([(value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF]))


def glyph_masks(path):
    """(256, 16, 8) booleans, True for ink, drawn as the player draws them: codes 0-127 from the
    font file, 128-255 the inverse of 0-127. The file's own slots 128-255 are never shown."""
    font = np.fromfile(path, dtype=np.uint8, count=8192)
    font = np.pad(font, (0, 8192 - font.size))  # a short font leaves the missing rows paper
    rows = font.reshape(256, 32)[:128, :16]
    lower = np.unpackbits(rows[:, :, None], axis=2).astype(bool)  # unpackbits puts bit 7 first
    return np.concatenate([lower, ~lower])


def text_frames(path):
    """(frames, 2400) codes; a trailing block of at least 30 bytes is one more frame whose missing
    cells repeat the frame before, as the player reads it."""
    raw = np.fromfile(path, dtype=np.uint8)
    whole = raw.size // CELLS
    frames = raw[: whole * CELLS].reshape(whole, CELLS)
    tail = raw[whole * CELLS:]
    if tail.size >= ROWS:
        last = frames[-1].copy() if whole else np.zeros(CELLS, np.uint8)
        last[: tail.size] = tail
        frames = np.vstack([frames, last])
    return frames


def source_pictures(path):
    """Yields the source's 640x480 luminance pictures, decoded and fitted exactly as the encoder
    has ffmpeg do it."""
    fit = (f"fps=24,scale={WIDTH}:{HEIGHT}:force_original_aspect_ratio=decrease:flags=area,"
           f"pad={WIDTH}:{HEIGHT}:(ow-iw)/2:(oh-ih)/2:black")
    command = ["ffmpeg", "-nostdin", "-v", "error", "-i", path, "-an", "-sn", "-vf", fit,
               "-f", "rawvideo", "-pix_fmt", "rgb24", "-"]
    size = WIDTH * HEIGHT * 3
    with subprocess.Popen(command, stdout=subprocess.PIPE) as ffmpeg:
        try:
            while len(block := ffmpeg.stdout.read(size)) == size:
                yield luminance(np.frombuffer(block, np.uint8).reshape(HEIGHT, WIDTH, 3))
        except GeneratorExit:
            # The text frames ran out first: the rest of the video is not wanted, and killing
            # ffmpeg spares its complaints about the closed pipe.
            ffmpeg.kill()
            raise
    if ffmpeg.returncode != 0:
        sys.exit(f"encode_figures.py: ffmpeg could not read {path}")


def psnr(a, b):
    """PSNR in dB for pictures in 0..1, 100 for identical ones (as the encoder caps it)."""
    mse = np.mean((a - b) ** 2)
    return 100.0 if mse == 0 else min(100.0, 10 * np.log10(1.0 / mse))


def eighth(picture):
    """Means of 8x8 blocks: 480x640 to 60x80."""
    return picture.reshape(HEIGHT // 8, 8, WIDTH // 8, 8).mean(axis=(1, 3))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: encode_figures.py SOURCE_VIDEO FOLDER")
    source, folder = sys.argv[1:]
    ink, paper = colour_luminance("kInkColour"), colour_luminance("kPaperColour")
    masks = glyph_masks(os.path.join(folder, "test"))
    frames = text_frames(os.path.join(folder, "quorva2.kvq"))

    figures = []
    pictures = source_pictures(source)
    for codes, picture in zip(frames, pictures):
        # (rows, columns, 16, 8) cells to (480, 640) pixels, then ink or paper luminance.
        ink_pixels = masks[codes].reshape(ROWS, COLUMNS, 16, 8).transpose(0, 2, 1, 3).reshape(HEIGHT, WIDTH)
        drawn = np.where(ink_pixels, ink, paper) / 255.0
        seen = picture / 255.0
        # The picture as the best the two colours could show: black to ink, white to paper.
        mapped = (ink + seen * (paper - ink)) / 255.0
        # gaussian_filter defaults: mode 'reflect' at the edges, kernel cut at 4 sigma (12 px).
        blurred = psnr(gaussian_filter(mapped, 3.0), gaussian_filter(drawn, 3.0))
        # skimage's SSIM: 7x7 uniform window, K1 0.01, K2 0.03; its mean leaves out the 3-pixel
        # border where the window does not fit.
        ssim8 = structural_similarity(eighth(mapped), eighth(drawn), win_size=7, data_range=1.0)
        figures.append((psnr(seen, drawn), blurred, ssim8))
    pictures.close()
    if not figures:
        sys.exit("encode_figures.py: no frames to compare")

    # Flicker over the frames compared above only, so a longer folder does not count extra pairs.
    compared = frames[: len(figures)]
    flicker = np.mean(compared[1:] != compared[:-1]) if len(compared) > 1 else 0.0
    mean_psnr, mean_blurred, mean_ssim8 = np.mean(figures, axis=0)
    print(f"psnr {mean_psnr:.2f} dB  blurred {mean_blurred:.2f} dB  ssim8 {mean_ssim8:.3f}  "
          f"flicker {flicker:.3f}  frames {len(figures)}")


if __name__ == "__main__":
    main()
