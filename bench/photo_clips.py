#!/usr/bin/python3
# SPDX-License-Identifier: MIT
# Makes two test clips from real photographs, for judging the encoder on natural pictures rather
# than on the synthetic demo:
#   photos.mp4       16 s at 24 frames/s, six photographs each slowly panned and zoomed, so that
#                    edges and textures drift across cell boundaries at sub-pixel positions
#   still_grain.mp4  2 s of one still photograph under temporal film grain: the picture never
#                    changes, so every code that changes from frame to frame is flicker
# usage: bench/photo_clips.py OUTDIR
# The photographs come with Debian's python3-skimage and need no network; the same machine makes
# the same bytes on every run (no randomness here, ffmpeg's noise has a fixed seed, x264 runs on
# one thread).
import os
import subprocess
import sys

try:
    import numpy as np
    from scipy import ndimage
    from skimage import data, transform
except ImportError as error:
    sys.exit(f"photo_clips.py: {error.name} is missing: apt-get install python3-skimage")

WIDTH, HEIGHT, FPS = 640, 480, 24

# (photograph, start window, end window); a window is (centre x, centre y, width), all as
# fractions of the largest 4:3 window the photograph holds. The frame's edges move about one
# output pixel per frame (two at most): slow, yet nothing stays put on the cell grid.
SHOTS = [
    (data.astronaut(), (0.50, 0.50, 1.00), (0.48, 0.42, 0.88)),            # in on the face
    (data.chelsea(), (0.45, 0.50, 0.85), (0.53, 0.48, 0.85)),              # pan across the cat
    (data.coffee(), (0.50, 0.50, 0.88), (0.50, 0.50, 1.00)),               # out from the cup
    (data.rocket(), (0.50, 0.56, 0.85), (0.50, 0.46, 0.92)),               # up the launch tower
    (data.stereo_motorcycle()[0], (0.45, 0.52, 0.90), (0.55, 0.48, 0.90)),  # along the bike
    (data.hubble_deep_field(), (0.50, 0.50, 0.95), (0.48, 0.52, 0.84)),    # faint detail on black
]
FRAMES_PER_SHOT = 16 * FPS // len(SHOTS)


def prepared(photo):
    """The photograph as float RGB, shrunk (with anti-aliasing) so that its largest 4:3 window is
    at most 640 wide: every later frame then only enlarges, and bilinear sampling cannot alias."""
    photo = photo[..., :3].astype(np.float64)
    height, width = photo.shape[:2]
    scale = min(1.0, WIDTH / min(width, height * 4 / 3))
    if scale < 1.0:
        size = (round(height * scale), round(width * scale))
        photo = transform.resize(photo, size, order=1, anti_aliasing=True, preserve_range=True)
    return photo


def frame(photo, window):
    """The 640x480 view of a 4:3 window given as in SHOTS, sampled bilinearly at sub-pixel
    positions so the motion is smooth, not stepped a whole source pixel at a time."""
    height, width = photo.shape[:2]
    full = min(width, height * 4 / 3)
    cx, cy, fraction = window
    w = full * fraction
    h = w * 3 / 4
    # Keep the window inside the photograph whatever the centre asks for.
    left = min(max(cx * width - w / 2, 0), width - w)
    top = min(max(cy * height - h / 2, 0), height - h)
    step = w / WIDTH
    ys, xs = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float64)
    coords = [top + (ys + 0.5) * step - 0.5, left + (xs + 0.5) * step - 0.5]
    planes = [ndimage.map_coordinates(photo[..., c], coords, order=1, mode="nearest") for c in range(3)]
    return np.clip(np.rint(np.stack(planes, axis=-1)), 0, 255).astype(np.uint8)


def ease(t):
    """Smoothstep, so each shot starts and ends at rest instead of jerking into motion."""
    return t * t * (3 - 2 * t)


def encoder(path, filters=None):
    """ffmpeg taking raw RGB frames on standard input and writing high-quality H.264."""
    command = ["ffmpeg", "-nostdin", "-v", "error", "-y",
               "-f", "rawvideo", "-pix_fmt", "rgb24", "-s", f"{WIDTH}x{HEIGHT}", "-r", str(FPS), "-i", "-"]
    if filters:
        command += ["-vf", filters]
    # bitexact keeps the ffmpeg version out of the file; one thread keeps x264's choices fixed.
    command += ["-c:v", "libx264", "-preset", "slow", "-crf", "18", "-threads", "1", "-pix_fmt", "yuv420p",
                "-fflags", "+bitexact", "-map_metadata", "-1", "-movflags", "+faststart", path]
    return subprocess.Popen(command, stdin=subprocess.PIPE)


def finish(process, path):
    process.stdin.close()
    if process.wait() != 0:
        sys.exit(f"photo_clips.py: ffmpeg failed to write {path}")
    print(f"{path}: {os.path.getsize(path)} bytes")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: photo_clips.py OUTDIR")
    os.makedirs(sys.argv[1], exist_ok=True)

    path = os.path.join(sys.argv[1], "photos.mp4")
    ffmpeg = encoder(path)
    for photo, start, end in SHOTS:
        photo = prepared(photo)
        for i in range(FRAMES_PER_SHOT):
            t = ease(i / (FRAMES_PER_SHOT - 1))
            window = [a + (b - a) * t for a, b in zip(start, end)]
            ffmpeg.stdin.write(frame(photo, window).tobytes())
    finish(ffmpeg, path)

    # The coffee photograph has broad smooth areas (table, wall) where grain alone can tip a cell
    # from one glyph to the next.
    path = os.path.join(sys.argv[1], "still_grain.mp4")
    ffmpeg = encoder(path, "noise=alls=10:allf=t")
    still = frame(prepared(data.coffee()), (0.5, 0.5, 1.0)).tobytes()
    for _ in range(2 * FPS):
        ffmpeg.stdin.write(still)
    finish(ffmpeg, path)


if __name__ == "__main__":
    main()
