#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: small valid files of every kind
the game reads, and damaged ones (empty, truncated, garbage, numbers out of
range, huge picture headers), into FOLDER/<target>/ (make_corpus.py FOLDER;
the build writes them into its own tree). Inputs that once made a target fail
are kept in regressions/<target>/ beside this script. Needs cjpeg (Debian's libjpeg-turbo-progs) for the JPEG seeds."""
import os
import sys
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
# The folder to write into: the first argument (the build does this), or
# corpus/ beside this script.
CORPUS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus")


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def garbage(n, seed):
    out, x = bytearray(), seed
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    return bytes(out)


# --- scr.cxa: ten records of 6 bytes score and 15 bytes name -------------------
def rec(score, name):
    return score.ljust(6, b" ")[:6] + name.ljust(15, b" ")[:15]


default = rec(b"0", b"Hanno Holzbein") * 10
put("fuzz_scores", "default.cxa", default)
scores = [rec(str(s).encode(), n) for s, n in
          [(12, b"Anna"), (30, b"Bj\xf6rn"), (40, b"J\xfcrgen M\xfcller"), (40, b"Zo\xeb"),
           (57, b"Hanno Holzbein"), (80, b"\x80uro-Spieler")]]
put("fuzz_scores", "six-results.cxa", b"".join(scores) + rec(b"0", b"Hanno Holzbein") * 4)
put("fuzz_scores", "full-list.cxa", b"".join(rec(str(10 * k + 5).encode(), b"Spieler %d" % k) for k in range(10)))
put("fuzz_scores", "empty.cxa", b"")
put("fuzz_scores", "truncated-mid-record.cxa", default[:100])
put("fuzz_scores", "one-record.cxa", default[:21])
put("fuzz_scores", "with-tail.cxa", default + b"TAIL-BYTES\r\n\x00\xff")
put("fuzz_scores", "garbage.cxa", garbage(210, 7))
put("fuzz_scores", "text-for-numbers.cxa", rec(b"viele", b"Text") + rec(b" 1 2 3", b"Blanks") +
    rec(b"-32768", b"Negativ") + rec(b"999999", b"Zu gross") + rec(b"+ 7", b"Vorzeichen") + default[:105])
put("fuzz_scores", "undefined-cp1252.cxa", rec(b"5", b"\x81\x8d\x8f\x90\x9d") + default[21:])
put("fuzz_scores", "nul-bytes.cxa", b"\x00" * 210)


# --- *.sav: 20 lines, CR LF -----------------------------------------------------
def sav(lines, end=b"\r\n"):
    return b"".join(l + end for l in lines)


solved = [str(i).encode() for i in range(15)] + [b"100"]
shuffled = [b"%d" % v for v in [5, 1, 2, 3, 4, 0, 6, 7, 8, 9, 10, 100, 12, 13, 14, 11]]
tail = [b"17", b"1", b"0", b"/home/spieler/Bilder/turm.jpg"]
put("fuzz_savedgame", "solved.sav", sav(solved + [b"0", b"0", b"0", b"/home/spieler/Bilder/turm.jpg"]))
put("fuzz_savedgame", "shuffled.sav", sav(shuffled + tail))
put("fuzz_savedgame", "before-first-drop.sav",
    sav([str(i).encode() for i in range(16)] + [b"0", b"1", b"1", b"C:\\Zandor\\Images\\originale\\s.jpg"]))
put("fuzz_savedgame", "lf-only.sav", sav(shuffled + tail, b"\n"))
put("fuzz_savedgame", "no-last-line-end.sav", sav(shuffled + tail)[:-2])
put("fuzz_savedgame", "cp1252-path.sav", sav(shuffled + [b"3", b"0", b"1", b"/home/j\xfcrgen/Bilder/Stra\xdfe.jpg"]))
put("fuzz_savedgame", "utf8-path.sav", sav(shuffled + [b"3", b"0", b"1", "/home/jürgen/写真/🙂.jpg".encode()]))
put("fuzz_savedgame", "nineteen-lines.sav", sav(shuffled + tail[:3]))
put("fuzz_savedgame", "empty.sav", b"")
put("fuzz_savedgame", "truncated.sav", sav(shuffled + tail)[:37])
put("fuzz_savedgame", "text-for-number.sav", sav(shuffled[:4] + [b"vier"] + shuffled[5:] + tail))
put("fuzz_savedgame", "out-of-range.sav", sav(shuffled + [b"40000", b"1", b"0", b"x.jpg"]))
put("fuzz_savedgame", "negative-moves.sav", sav(shuffled + [b"-32768", b"-1", b"1", b"x.jpg"]))
put("fuzz_savedgame", "duplicate-tile.sav", sav([b"1"] + shuffled[1:] + tail))
put("fuzz_savedgame", "blanks-and-signs.sav", sav([b" +%s " % v for v in shuffled] + [b" 17 ", b"+1", b"-0", b"  pfad  "]))
put("fuzz_savedgame", "garbage.sav", garbage(400, 11))
put("fuzz_savedgame", "name-line.sav", sav([b"../../etc/passwd"] + shuffled[1:] + tail))
put("fuzz_savedgame", "extra-lines.sav", sav(shuffled + tail + [b"mehr", b"und mehr"]))

# --- p.cxa: one line, a path ----------------------------------------------------
put("fuzz_picture_reference", "library.cxa", b"/opt/zandor/Images/originale/turm.jpg\r\n")
put("fuzz_picture_reference", "blanks.cxa", b"   /home/spieler/bild.bmp  \r\n")
put("fuzz_picture_reference", "several-lines.cxa", b"/a/erste.jpg\r\n/b/zweite.jpg\r\n\r\n")
put("fuzz_picture_reference", "empty.cxa", b"")
put("fuzz_picture_reference", "only-line-end.cxa", b"\r\n")
put("fuzz_picture_reference", "no-line-end.cxa", b"C:\\Bilder\\alt.gif")
put("fuzz_picture_reference", "cp1252.cxa", b"/home/j\xfcrgen/Gr\xfc\xdfe.jpg\r\n")
put("fuzz_picture_reference", "utf8.cxa", "/home/jürgen/写真/🙂.jpg\r\n".encode())
put("fuzz_picture_reference", "lone-cr.cxa", b"/a/b\rc.jpg\r\r\n")
put("fuzz_picture_reference", "garbage.cxa", garbage(300, 3))
put("fuzz_picture_reference", "broken-utf8.cxa", b"/home/\xc3(\xe2\x82/\xf0\x9f\x99.jpg\r\n")


# --- pictures -----------------------------------------------------------------------
def bmp(width, height, pixels=None, bits=24):
    row = ((width * bits + 31) // 32) * 4
    data = pixels if pixels is not None else b"".join(
        bytes((x * 60 % 256, y * 60 % 256, 200)) * 1 for y in range(height) for x in range(width))
    if pixels is None:
        rows = []
        for y in range(height):
            r = b"".join(bytes((x * 60 % 256, y * 60 % 256, 200)) for x in range(width))
            rows.append(r.ljust(row, b"\0"))
        data = b"".join(rows)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, len(data), 2835, 2835, 0, 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(header) + len(data), 0, 0, 14 + len(header)) + header + data


def gif(width, height, lzw=b"\x02\x02\x44\x01\x00"):
    return (b"GIF89a" + struct.pack("<HH", width, height) + b"\x80\x00\x00"
            + b"\xff\x00\x00\x00\x00\xff"
            + b"\x2c" + struct.pack("<HHHH", 0, 0, width, height) + b"\x00" + lzw + b"\x3b")


def jpeg(width, height, quality=75):
    ppm = b"P6\n%d %d\n255\n" % (width, height) + b"".join(
        bytes(((x * 37) % 256, (y * 53) % 256, ((x + y) * 17) % 256)) for y in range(height) for x in range(width))
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
        f.write(ppm)
        name = f.name
    try:
        return subprocess.run(["cjpeg", "-quality", str(quality), name], check=True, capture_output=True).stdout
    finally:
        os.unlink(name)


def wmf_record(function, words=b""):
    if len(words) % 2:
        words += b"\0"
    return struct.pack("<IH", 3 + len(words) // 2, function) + words


def wmf(records, placeable=True, bbox=(0, 0, 400, 300), objects=4):
    body = b"".join(records) + wmf_record(0x0000)
    maxrec = max(struct.unpack_from("<I", r)[0] for r in records + [wmf_record(0)])
    header = struct.pack("<HHHIHIH", 1, 9, 0x0300, (18 + len(body)) // 2, objects, maxrec, 0)
    out = header + body
    if placeable:
        p = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, *bbox, 1440, 0)
        checksum = 0
        for (w,) in struct.iter_unpack("<H", p):
            checksum ^= w
        out = p + struct.pack("<H", checksum) + out
    return out


def h(*values):
    return struct.pack("<" + "h" * len(values), *values)


font = h(40, 0, 0, 0, 400) + bytes((0, 0, 0, 0, 0, 0, 0, 0)) + b"Arial".ljust(32, b"\0")
drawing = [
    wmf_record(0x020B, h(0, 0)), wmf_record(0x020C, h(300, 400)),
    wmf_record(0x02FC, struct.pack("<HIH", 0, 0x0000FF, 0)), wmf_record(0x012D, h(0)),
    wmf_record(0x041B, h(150, 200, 0, 0)),
    wmf_record(0x02FC, struct.pack("<HIH", 0, 0x00FF00, 0)), wmf_record(0x012D, h(1)),
    wmf_record(0x0418, h(300, 400, 100, 150)),
    wmf_record(0x0324, h(3, 10, 290, 390, 290, 200, 160)),
    wmf_record(0x02FB, font), wmf_record(0x012D, h(2)),
    wmf_record(0x0521, h(5) + b"Zandor\0"[:6] + h(20, 20)),
]
put("fuzz_picture_loader", "placeable.wmf", wmf(drawing))
put("fuzz_picture_loader", "standard.wmf", wmf(drawing, placeable=False))
put("fuzz_picture_loader", "truncated.wmf", wmf(drawing)[:70])
put("fuzz_picture_loader", "record-size-lies.wmf",
    wmf([wmf_record(0x020C, h(300, 400)), struct.pack("<IH", 0x7FFFFFF0, 0x041B) + h(1, 2, 3, 4)]))
put("fuzz_picture_loader", "huge-bbox.wmf", wmf(drawing, bbox=(-32768, -32768, 32767, 32767)))
put("fuzz_picture_loader", "empty-bbox.wmf", wmf(drawing, bbox=(0, 0, 0, 0)))
put("fuzz_picture_loader", "many-objects.wmf", wmf([wmf_record(0x020C, h(300, 400)),
                                                    wmf_record(0x02FC, struct.pack("<HIH", 0, 0xFF, 0)),
                                                    wmf_record(0x012D, h(30000))], objects=65535))
put("fuzz_picture_loader", "polygon-count-lies.wmf",
    wmf([wmf_record(0x020C, h(300, 400)), wmf_record(0x0324, h(32000, 1, 2, 3, 4))]))

put("fuzz_picture_loader", "small.bmp", bmp(5, 4))
put("fuzz_picture_loader", "truncated.bmp", bmp(40, 30)[:300])
put("fuzz_picture_loader", "huge-header.bmp", bmp(60000, 60000, pixels=b"\x10" * 64))
put("fuzz_picture_loader", "negative-height.bmp", bmp(4, -4, pixels=b"\x55" * 48))
put("fuzz_picture_loader", "palette.bmp",
    b"BM" + struct.pack("<IHHI", 14 + 40 + 8 + 4, 0, 0, 14 + 40 + 8)
    + struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 1, 0, 8, 0, 0, 2, 0) + b"\0\0\xff\0\xff\0\0\0" + b"\x40\0\0\0\x80\0\0\0")
put("fuzz_picture_loader", "small.gif", gif(2, 2))
put("fuzz_picture_loader", "huge-header.gif", gif(60000, 60000))
put("fuzz_picture_loader", "truncated.gif", gif(2, 2)[:20])
put("fuzz_picture_loader", "small.jpg", jpeg(16, 12))
put("fuzz_picture_loader", "progressive.jpg",
    subprocess.run(["jpegtran", "-progressive"], input=jpeg(24, 16), check=True, capture_output=True).stdout)
put("fuzz_picture_loader", "truncated.jpg", jpeg(64, 48)[:200])
j = bytearray(jpeg(16, 12))
sof = j.find(b"\xff\xc0")
struct.pack_into(">HH", j, sof + 5, 60000, 60000)
put("fuzz_picture_loader", "huge-header.jpg", bytes(j))
put("fuzz_picture_loader", "empty", b"")
put("fuzz_picture_loader", "garbage", garbage(256, 5))
put("fuzz_picture_loader", "text", b"Das ist kein Bild.\r\n")
