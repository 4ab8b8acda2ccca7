#!/usr/bin/env python3
"""Writes the JPEG bombs the picture loader must refuse quickly:

  size.jpg   a progressive greyscale JPEG declaring 46336 x 46336 pixels with
             one DC scan (a few MB of data; a decoder that keeps the whole
             coefficient buffer needs gigabytes for it)
  scans.jpg  a progressive 4096 x 4096 JPEG of 10,000 scans of a few bytes
             each; every scan walks over all 262,144 blocks
  work.jpg   a progressive 15000 x 15000 JPEG of one DC scan and 99 AC scans
             of end-of-band runs (under 1 MB, within the scan and memory
             bounds): 100 walks over 3.5 million blocks

usage: make_jpeg_bombs.py FOLDER"""
import struct
import sys


def segment(marker, payload):
    return bytes([0xFF, marker]) + struct.pack(">H", len(payload) + 2) + payload


def header(side):
    out = b"\xFF\xD8"
    out += segment(0xDB, b"\x00" + bytes([1] * 64))                       # quantisation table 0
    out += segment(0xC2, struct.pack(">BHHB", 8, side, side, 1) + b"\x01\x11\x00")
    # DC table 0 and AC table 0 with one code each, "0": DC difference 0,
    # and AC symbol 0xE0, an end-of-band run of 2^14 + 14 extra bits.
    out += segment(0xC4, b"\x00" + bytes([1] + [0] * 15) + b"\x00")
    out += segment(0xC4, b"\x10" + bytes([1] + [0] * 15) + b"\xE0")
    return out


def scan(ss, se, data):
    return segment(0xDA, b"\x01\x01\x00" + bytes([ss, se, 0])) + data


def arithmetic(sof, side, scans):
    """A greyscale picture coded arithmetically (no code tables needed),
    its scans (Ss, Se, Ah, Al) all without data."""
    out = b"\xFF\xD8" + segment(0xDB, b"\x00" + bytes([1] * 64))
    out += segment(sof, struct.pack(">BHHB", 8, side, side, 1) + b"\x01\x11\x00")
    for ss, se, ah, al in scans:
        out += segment(0xDA, b"\x01\x01\x00" + bytes([ss, se, ah << 4 | al]))
    return out + b"\xFF\xD9"


def dc_scan(blocks):
    return scan(0, 0, bytes((blocks + 7) // 8))                           # one 0 bit per block


def ac_scan(blocks):
    runs = (blocks + 32766) // 32767
    bits = "".join("0" + "1" * 14 for _ in range(runs))                  # EOBRUN 32767 each
    bits += "1" * (-len(bits) % 8)
    data = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
    return scan(1, 63, data.replace(b"\xFF", b"\xFF\x00"))


def main():
    folder = sys.argv[1]
    side = 46336
    with open(folder + "/size.jpg", "wb") as f:
        f.write(header(side) + dc_scan((side // 8) ** 2) + b"\xFF\xD9")
    side = 4096
    blocks = (side // 8) ** 2
    body = dc_scan(blocks) + ac_scan(blocks) * 9999
    with open(folder + "/scans.jpg", "wb") as f:
        f.write(header(side) + body + b"\xFF\xD9")
    side = 15000
    blocks = ((side + 7) // 8) ** 2
    with open(folder + "/work.jpg", "wb") as f:
        f.write(header(side) + dc_scan(blocks) + ac_scan(blocks) * 99 + b"\xFF\xD9")
    # the scans of a usual progressive greyscale file: DC, AC in two bands,
    # then the refinements
    script = [(0, 0, 0, 1), (1, 5, 0, 2), (6, 63, 0, 2), (1, 63, 2, 1), (0, 0, 1, 0), (1, 63, 1, 0)]
    with open(folder + "/arith.jpg", "wb") as f:
        f.write(arithmetic(0xCA, 16376, script))
    with open(folder + "/arith-sequential.jpg", "wb") as f:
        f.write(arithmetic(0xC9, 46336, [(0, 63, 0, 0)]))


main()
