#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
# Writes the fuzz targets' seed corpus (tests/fuzz/corpus/TARGET/): small files of each format made
# here, one of each feature the parser has, so that a fuzzer starts inside every branch rather than
# at the magic numbers. Run again after changing it; the files are committed.
# Needs lame (the soundtrack seeds) and ImageMagick (PNG variants).
import gzip
import os
import random
import shutil
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
rng = random.Random(27)


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as out:
        out.write(data)


def sauce(size, data_type=1, file_type=1, info1=80, info2=25, flags=0, font=b"IBM VGA", comments=()):
    block = b""
    if comments:
        block = b"COMNT" + b"".join(c.ljust(64, b" ")[:64] for c in comments)
    record = (b"SAUCE00" + b"Seed".ljust(35) + b"kvq".ljust(20) + b"tests".ljust(20) + b"20261208" +
              struct.pack("<IBBHHHHBB", size, data_type, file_type, info1, info2, 0, 0, len(comments), flags) +
              font.ljust(22, b"\0"))
    assert len(record) == 128
    return b"\x1a" + block + record


def frames(count, partial=0):
    data = bytes(rng.randrange(256) for _ in range(2400)) * count
    return data + bytes(rng.randrange(256) for _ in range(partial))


def glyphs(count, height):
    return bytes(rng.randrange(256) for _ in range(count * height))


def psf1(unicode_table, count=256, height=16):
    mode = (1 if count == 512 else 0) | (2 if unicode_table else 0)
    data = bytes([0x36, 0x04, mode, height]) + glyphs(count, height)
    if unicode_table:
        for code in range(count):
            data += struct.pack("<H", 0x2500 + code if code > 127 else code)
            if code == 65:
                data += struct.pack("<HHH", 0xFFFE, 0x41, 0x30A)  # a sequence
            data += struct.pack("<H", 0xFFFF)
    return data


def psf2(unicode_table, count=256, height=16, width=8):
    row_bytes = (width + 7) // 8
    header = struct.pack("<IIIIIIII", 0x864AB572, 0, 32, 1 if unicode_table else 0, count, height * row_bytes,
                         height, width)
    data = header + glyphs(count, height * row_bytes)
    if unicode_table:
        for code in range(count):
            data += chr(0x2500 + code if code > 127 else max(code, 32)).encode()
            if code == 66:
                data += b"\xfe" + "B\u0301".encode()
            data += b"\xff"
    return data


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def png(width, height, colour_type, depth, rows, palette=None):
    data = b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0, 0))
    if palette:
        data += png_chunk(b"PLTE", palette)
    raw = b"".join(b"\0" + row for row in rows)
    return data + png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b"")


ANSI_PIECES = [
    b"\x1b[0m\x1b[1;33;44mHello\x1b[0m world\r\n\x1b[5;31mblink\x1b[25m\x1b[7mrev\x1b[27m\r\n",
    b"\x1b[2J\x1b[10;20H\xdb\xdb\xb0\x1b[3A\x1b[5C*\x1b[2B\x1b[4D#\x1b[s\x1b[1;1H\x1b[u!\x1b[K\r\n",
    b"\x1b[?7h\x1b[8;30;80t\x1b[0;1;38;2;255;0;0mx\x1b[1;10;20;30t\x1b[0;1;2;3ty\x1b[38;5;200mz\x1b[m\r\n",
    b"\t\ttabs\x1b[255D\x1b[100Cfar\r\nline\nfeed\x1b[6n\x1b[=7h\x1b[30;47;22;39;49;8m" + bytes(range(32, 256)),
    b"\x1b[" + b"1;" * 20 + b"m\x1b[999;999H\x1b[999B\x1b[J\x1b[1J\x1b[2K\x1b[1K",
]

PCBOARD_PIECES = [
    b"@X1FHello @X4eworld@CLS@\r\n@POS:10@here@X07 @@ plain @ sign\r\n",
    b"@X8Fbright@X0F@CLS@@POS:1@\r\n@XZZ@X1",
]


def stored_cells(count):
    return bytes(rng.randrange(256) for _ in range(2 * count))


def xbin(width, height, font_height=16, palette=True, font=True, compress=False, nonblink=False, five12=False):
    flags = (1 if palette else 0) | (2 if font else 0) | (4 if compress else 0) | (8 if nonblink else 0) | (16 if five12 else 0)
    data = b"XBIN\x1a" + struct.pack("<HHBB", width, height, font_height, flags)
    if palette:
        data += bytes(rng.randrange(64) for _ in range(48))
    if font:
        data += glyphs(512 if five12 else 256, font_height)
    cells = width * height
    if not compress:
        return data + stored_cells(cells)
    out = b""
    while cells > 0:
        run = min(cells, rng.randrange(1, 65))
        kind = rng.randrange(4)
        out += bytes([kind << 6 | (run - 1)])
        if kind == 0:
            out += stored_cells(run)
        elif kind == 1:
            out += bytes([rng.randrange(256)]) + bytes(rng.randrange(256) for _ in range(run))
        elif kind == 2:
            out += bytes([rng.randrange(256)]) + bytes(rng.randrange(256) for _ in range(run))
        else:
            out += bytes([rng.randrange(256), rng.randrange(256)])
        cells -= run
    return data + out


def artworx(rows):
    return b"\x01" + bytes(rng.randrange(64) for _ in range(192)) + glyphs(256, 16) + stored_cells(80 * rows)


def icedraw(right, rows):
    header = b"\x041.4" + struct.pack("<HHHH", 0, 0, right, rows - 1)
    data = stored_cells(10) + b"\x01\x00\x20\x00\xdb\x1e" + stored_cells((right + 1) * rows - 42)
    return header + data + glyphs(256, 16) + bytes(rng.randrange(64) for _ in range(48))


def tundra():
    data = b"\x18TUNDRA24"
    data += b"\x02A" + struct.pack(">I", 0xFF8000) + b"\x04B" + struct.pack(">I", 0x102030)
    data += b"\x06C" + struct.pack(">II", 0xFFFFFF, 0x000080) + b"plain"
    data += b"\x01" + struct.pack(">II", 3, 10) + b"moved\x02\x01" + struct.pack(">I", 0x123456)
    return data


def mp3s(folder):
    made = []
    lame = shutil.which("lame")
    if not lame:
        raise SystemExit("make_seeds.py needs lame")
    wav = os.path.join(folder, "tone.wav")
    for rate, channels, args, name in [(44100, 2, ["-b", "32"], "cbr_stereo.mp3"), (22050, 1, ["-V", "9"], "vbr_mono.mp3"),
                                       (8000, 1, ["-b", "8"], "mpeg25.mp3")]:
        samples = [int(12000 * ((i * 440 * 2 // rate) % 2 * 2 - 1)) for i in range(rate // 5)]
        import wave
        with wave.open(wav, "wb") as out:
            out.setnchannels(channels)
            out.setsampwidth(2)
            out.setframerate(rate)
            out.writeframes(b"".join(struct.pack("<h", s) * channels for s in samples))
        mp3 = os.path.join(folder, name)
        subprocess.run([lame, "--quiet", *args, wav, mp3], check=True)
        with open(mp3, "rb") as data:
            made.append((name, data.read()))
    return made


def main():
    # corpus/page_unpack is the web page's, written by web/fuzz/fuzz.js --write-seeds: kept.
    for target in os.listdir(CORPUS) if os.path.isdir(CORPUS) else []:
        if target != "page_unpack":
            shutil.rmtree(os.path.join(CORPUS, target))
    with tempfile.TemporaryDirectory() as scratch:
        sounds = mp3s(scratch)

    # Frames: whole, with a partial last frame, empty.
    for name, data in [("three_frames", frames(3)), ("partial_frame", frames(2, 700)), ("one_short", frames(0, 1000)),
                       ("empty", b"")]:
        put("frame_list", name, data)
        # Block size, six frames asked for, then where the file is cut while open (0: never).
        put("frame_file", name, b"\x01" + bytes([0, 1, 2, 5, 1, 0]) + b"\x00" + data)
        put("frame_file", "cut_" + name, b"\x02" + bytes([0, 1, 2, 5, 1, 0]) + b"\xa0" + data)

    font = bytes(rng.randrange(256) for _ in range(8192))
    for name, data in [("player_font", font), ("half_font", font[:4000]), ("long_font", font + font[:100])]:
        put("glyph_table", name, data)
    cell_fonts = [("player_font", font), ("raw_8x8", glyphs(256, 8)), ("raw_9_rows", glyphs(256, 9)),
                  ("psf1", psf1(False)), ("psf2_512", psf2(True, count=512, height=14)),
                  ("psf1_gz", gzip.compress(psf1(True), mtime=0))]
    for name, data in cell_fonts:
        put("cell_font_file", name, data)
    for name, data in [("psf1", psf1(False)), ("psf1_unicode", psf1(True)), ("psf1_512", psf1(True, 512)),
                       ("psf2", psf2(False)), ("psf2_unicode", psf2(True)), ("psf2_wide", psf2(True, 256, 16, 12)),
                       ("psf2_8x8", psf2(False, 256, 8))]:
        put("psf_font", name, data)
        put("gzip", name + ".gz", gzip.compress(data, mtime=0))

    # The first two bytes are the side limit, low byte first: 1023 gives 1024 pixels.
    rgb_rows = [bytes(rng.randrange(256) for _ in range(3 * 8)) for _ in range(6)]
    put("png", "rgb", b"\xff\x03" + png(8, 6, 2, 8, rgb_rows))
    put("png", "palette", b"\xff\x03" + png(4, 4, 3, 8, [bytes([0, 1, 2, 1])] * 4, palette=b"\xff\0\0\0\xff\0\0\0\xff"))
    put("png", "grey16", b"\xff\x03" + png(3, 2, 0, 16, [bytes(6)] * 2))
    put("png", "grey_alpha", b"\xff\x03" + png(2, 2, 4, 8, [bytes(4)] * 2))
    put("png", "too_wide", b"\x02\x00" + png(8, 6, 2, 8, rgb_rows))
    convert = shutil.which("convert")
    if convert:
        with tempfile.TemporaryDirectory() as scratch:
            for name, args in [("interlaced", ["-interlace", "PNG"]), ("rgba16", ["-depth", "16", "-alpha", "on"])]:
                path = os.path.join(scratch, name + ".png")
                # A fixed plasma and no time chunks, so that the seeds come out the same each time.
                subprocess.run([convert, "-size", "5x4", "-seed", "1", "plasma:", *args,
                                "-define", "png:exclude-chunks=date,time", path], check=True)
                with open(path, "rb") as made:
                    put("png", name, b"\xff\x03" + made.read())

    for name, data in sounds:
        put("mp3_signature", name, data[:16])
        put("mp3_stream", name, bytes([0, 0, 0xFF, 0x7F, 0x40, 0]) + data)
        put("mp3_frames", name, b"\x80\x00" + data)
        put("mp3_frames", "id3_" + name, b"\x00\x01" + b"ID3\x03\x00\x00\x00\x00\x00\x0a" + bytes(10) + data)
    put("mp3_signature", "id3", b"ID3\x04\x00\x00\x00\x00\x01\x00")
    put("mp3_signature", "short", b"\xff")

    for name, text in [("seconds", b"12.5"), ("clock", b"1:02:03.25"), ("minutes", b"90:00"), ("frac", b".5")]:
        put("time_argument", name, text)
    for name, text in [("baud", b"\x00\x00" + b"9600"), ("speed", b"\x01\x00" + b"1.5"),
                       ("max", b"\x04\x02" + b"18446744073709551615"), ("exp", b"\x02\x01" + b"1e3")]:
        put("number_argument", name, text)

    # The scene's formats: each with and without SAUCE, and the options byte first.
    ansi = ANSI_PIECES
    for i, piece in enumerate(ansi):
        put("ansi_reader", f"piece{i}", b"\x00" + piece)
        put("ansi_typing", f"piece{i}", bytes([i % 8]) + bytes(12) + b"\x00" + piece)
    put("ansi_reader", "sauce_ice_9", b"\x00" + ansi[0] + sauce(len(ansi[0]), info1=132, flags=0x05, comments=[b"hi"]))
    put("ansi_reader", "options", b"\x1b\x84\x00" + ansi[1])
    put("ansi_reader", "diz", b"\x20" + ansi[1])
    # More colours than the fuzz build's palette holds: the rest drawn in the nearest held.
    put("ansi_reader", "colours", b"\x00" + b"".join(b"\x1b[38;2;%d;%d;%dm#" % (i * 5, 255 - i * 3, i * 7 % 256) for i in range(48)))
    put("ansi_typing", "pcboard", b"\x82" + bytes(12) + b"\x00" + PCBOARD_PIECES[0] * 3)
    put("ansi_typing", "long_9600", b"\x02" + bytes(range(12)) + b"\x00" + b"".join(ansi) * 4)
    for i, piece in enumerate(PCBOARD_PIECES):
        put("pcboard_reader", f"piece{i}", b"\x00" + piece)
    put("pcboard_reader", "sauce", b"\x00" + PCBOARD_PIECES[0] + sauce(len(PCBOARD_PIECES[0]), file_type=4))
    # PCBoard files carry ANSI escapes too, through the same interpreter.
    for i, piece in enumerate(ansi):
        put("pcboard_reader", f"with_ansi{i}", b"\x00" + PCBOARD_PIECES[i % 2] + piece)

    bin_piece = stored_cells(160 * 3)
    put("bin_reader", "plain", b"\x00" + stored_cells(80 * 4))
    put("bin_reader", "sauce_160", b"\x00" + bin_piece + sauce(len(bin_piece), data_type=5, file_type=80, info1=0, flags=0x01))
    put("bin_reader", "partial_row", b"\x00" + stored_cells(80 * 2 + 7))
    xbins = [("plain", xbin(10, 4)), ("compressed", xbin(20, 6, compress=True)), ("font8_512", xbin(8, 3, 8, five12=True)),
             ("bare", xbin(5, 2, palette=False, font=False, nonblink=True)), ("tall_font", xbin(4, 2, 32, compress=True))]
    for name, data in xbins:
        put("xbin_reader", name, b"\x00" + data)
    put("artworx_reader", "two_rows", b"\x00" + artworx(2))
    put("artworx_reader", "partial_row", b"\x00" + artworx(1) + stored_cells(5))
    put("icedraw_reader", "runs", b"\x00" + icedraw(39, 3))
    put("tundra_reader", "colours", b"\x00" + tundra())
    put("tundra_reader", "sauce", b"\x00" + tundra() + sauce(len(tundra()), data_type=1, file_type=8))

    records = [("record", ansi[0] + sauce(len(ansi[0]))),
               ("comments", ansi[0] + sauce(len(ansi[0]), comments=[b"one", b"two"])),
               ("lying_count", ansi[0] + sauce(len(ansi[0]), comments=[b"x"])[:1] + sauce(9, comments=[b"x"])[70:]),
               ("no_sub", ansi[0] + sauce(len(ansi[0]))[1:])]
    for name, data in records:
        put("sauce_record", name, data)
    names = ["art.ans", "art.txt", "art.pcb", "art.bin", "art.xb", "art.adf", "art.idf", "art.tnd"]
    for name, data in [("ans", ansi[1]), ("pcb", PCBOARD_PIECES[0]), ("bin", bin_piece), ("xb", xbins[1][1]),
                       ("adf", artworx(2)), ("idf", icedraw(39, 3)), ("tnd", tundra()), ("frames", frames(1))]:
        index = names.index("art." + name) if "art." + name in names else 11
        put("scene_piece", name, bytes([index, 0]) + data)
    put("scene_piece", "sauce_only", bytes([10, 0]) + bin_piece + sauce(len(bin_piece), data_type=5, info1=40))

    # Round trip: a baud, a first frame's pattern, then changes.
    changes = bytes([5]) + b"".join(struct.pack("<HB", rng.randrange(2400), rng.randrange(256)) for _ in range(5))
    put("ansimation_round_trip", "no_baud", bytes([0, 16]) + bytes(range(0, 256, 16)) + changes * 4)
    put("ansimation_round_trip", "baud_9600", bytes([2, 200]) + bytes(rng.randrange(256) for _ in range(200)) + changes * 8)
    put("ansimation_round_trip", "control_codes", bytes([1, 4, 0x0A, 0x0D, 0x1A, 0x1B]) + changes)
    # Few changes, early at 9600 baud (padded to their time), and cells a few columns apart on one
    # row (the cursor moved forward, or the cells between sent again).
    sparse = b"".join(bytes([1]) + struct.pack("<HB", 400 + 7 * i, 0x41 + i) for i in range(10))
    put("ansimation_round_trip", "sparse_9600", bytes([2, 1, 0x20]) + sparse)
    row = bytes([4]) + b"".join(struct.pack("<HB", 800 + column, 0xDB) for column in (1, 3, 6, 30))
    put("ansimation_round_trip", "one_row", bytes([0, 1, 0x20]) + row * 3)


if __name__ == "__main__":
    main()
