#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are tiny and made here from the formats' descriptions, so that each
target starts from inputs that reach its deeper paths. Run it again after
changing it; the files it writes are kept in the repository.
"""
import pathlib
import random
import shutil
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def bmp(width, height, bits, rows, palette=(), info=40, top_down=False, bitfields=False,
        cut=False):
    """A Windows bitmap file; rows are bottom-up unless top_down. A cut file
    leaves out its pixel data but keeps the file size that counts it (the
    bitmap target pads such an input with zeros)."""
    stride = (width * bits + 31) // 32 * 4
    data = b"".join(r.ljust(stride, b"\0") for r in rows)
    if info == 12:
        header = struct.pack("<IHHHH", 12, width, height, 1, bits)
        pal = b"".join(bytes((b, g, r)) for r, g, b in palette)
    else:
        header = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, bits,
                             3 if bitfields else 0, len(data), 3780, 3780, len(palette), 0)
        if info > 40:  # a later header: the masks and the rest inside it
            header = struct.pack("<I", info) + header[4:]
            masks = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF) if bitfields else bytes(12)
            header += (masks + bytes(info - 52))
        elif bitfields:
            header += struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
        pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    offset = 14 + len(header) + len(pal)
    size = offset + stride * height
    if cut:
        data = b""
    return b"BM" + struct.pack("<IHHI", size, 0, 0, offset) + header + pal + data


def icon(images):
    """An icon file of (width, height, bits, image bytes) entries."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for w, h, bits, data in images:
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 16 if bits == 4 else 0, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    return out + b"".join(d for _, _, _, d in images)


def icon_image(w, h, bits, colour_rows, mask_rows, palette=()):
    header = struct.pack("<IiiHHIIiiII", 40, w, 2 * h, 1, bits, 0, 0, 0, 0, len(palette), 0)
    pal = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    cs = (w * bits + 31) // 32 * 4
    ms = (w + 31) // 32 * 4
    return (header + pal + b"".join(r.ljust(cs, b"\0") for r in colour_rows) +
            b"".join(r.ljust(ms, b"\0") for r in mask_rows))


def bitmaps():
    red, green, blue, white = (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)
    return {
        "1bit-3x2.bmp": bmp(3, 2, 1, [b"\xa0", b"\x40"], [(0, 0, 0), white]),
        "4bit-3x2.bmp": bmp(3, 2, 4, [b"\x01\x20", b"\x12\x00"], [(0, 0, 0), red, green]),
        "8bit-2x2.bmp": bmp(2, 2, 8, [b"\x00\x01", b"\x02\x03"], [red, green, blue, white]),
        "24bit-2x2.bmp": bmp(2, 2, 24, [b"\x00\x00\xff\x00\xff\x00", b"\xff\x00\x00\xff\xff\xff"]),
        "32bit-2x1-topdown.bmp": bmp(2, 1, 32, [b"\x01\x02\x03\x00\x04\x05\x06\x00"],
                                     top_down=True),
        "32bit-bitfields-v4.bmp": bmp(1, 1, 32, [b"\x10\x20\x30\x00"], info=108, bitfields=True),
        "os2-1bit-2x1.bmp": bmp(2, 1, 1, [b"\x40"], [red, blue], info=12),
        "cut-1bit-300x20.bmp": bmp(300, 20, 1, [], [(0, 0, 0), white], cut=True),
        "cut-24bit-30x20.bmp": bmp(30, 20, 24, [], cut=True),
    }


def icons():
    pal16 = [(0, 0, 0), (255, 255, 255)] + [(i * 16, 0, 0) for i in range(14)]
    return {
        "4bit-4x4.ico": icon([(4, 4, 4, icon_image(4, 4, 4, [b"\x01\x10"] * 4,
                                                   [b"\x90", b"\x00", b"\x00", b"\x60"], pal16))]),
        "32bit-alpha-2x2.ico": icon([(2, 2, 32, icon_image(
            2, 2, 32, [b"\x00\x00\xff\xff\x00\xff\x00\x00", b"\xff\x00\x00\xff\x00\x00\x00\xff"],
            [b"\x40", b"\x00"]))]),
        "1bit-8x2.ico": icon([(8, 2, 1, icon_image(8, 2, 1, [b"\xf0", b"\x0f"],
                                                   [b"\x00", b"\xff"], [(0, 0, 0), (255, 255, 255)]))]),
        "two-images.ico": icon([
            (1, 1, 24, icon_image(1, 1, 24, [b"\x10\x20\x30"], [b"\x00"])),
            (2, 1, 8, icon_image(2, 1, 8, [b"\x00\x01"], [b"\x40"], [(1, 2, 3), (4, 5, 6)])),
        ]),
    }


def settings(level, faces, sound, stored=(1, 1, 1)):
    # FuzzedDataProvider: the strings from the front, each ended by a
    # backslash and another character; the booleans from the back.
    text = "\\x".join(s.replace("\\", "\\\\") for s in (level, faces, sound)).encode("latin-1")
    return text + bytes(reversed(stored))


def arguments(*args):
    return "\0".join(args).encode()


def main():
    seeds = {
        "bitmap": bitmaps(),
        "icon": icons(),
        "numbers": {f"n{i}": s.encode() for i, s in enumerate([
            "1", " 05 ", "2.5", "-.5e-3", "1e309", "12abc", "Not Found", "\r\n .25\r\n", "1e",
            "+", "4e-320", "32767.5", "\t-2147483648.49 "])},
        "command_line": {f"c{i}": s.encode() for i, s in enumerate([
            '"C:\\Program Files\\grinzo.scr" /p 1234', "grinzo.scr /c:5678", "grinzo.scr /s",
            "grinzo.scr", "grinzo.scr -P:2147483648", "\t x.scr /a 0001  ", '"unclosed /l 12'])},
        "settings": {
            "defaults": settings("", "", "", stored=(0, 0, 0)),
            "typical": settings("3", "14", "Yes"),
            "spaces": settings(" 05 ", "2.5", "yes"),
            "out-of-range": settings("4000", "-40000", "No"),
            "not-numbers": settings("abc", "1e", " Yes"),
            "negative-level": settings("-41", "3", "No"),
        },
        "registry": {
            "text-1": b"\x40\x00" + b"1\0",
            "text-0": b"\x40\x00" + b"0\0",
            "dword-1": b"\x40\x03" + b"\x01\0\0\0",
            "dword-short": b"\x40\x04" + b"\x07",
            "binary": b"\x40\x02" + b"\x00\xff\x10",
            "raw-type": b"\x40\x07" + struct.pack("<I", 11) + b"x\0",
            "missing": b"\x00\x00",
            "throws": b"\x10\x00a",
        },
        "script": {
            "demo.txt": b"# a short game\n0.5 move 100 200 0\n1 down 1 100 200\n1.1 up 1 100 200\n"
                        b"2 key 83\n\n2.5 move 10.5 -3 1\r\n3 close\n",
            "buttons.txt": b"0 down 2 0 0\n0 up 4 32767 -32767\n0.02 move 1 1 7\n",
            "bad-line.txt": b"1 move 1 2\n",
            "unsorted.txt": b"5 key 27\n1 key 32\n3 key 115\n1 close\n",
        },
        "arguments": {
            "preview": arguments("--mode", "p", "--size", "152x112", "--frames", "10"),
            "settings": arguments("--setting", "Level=3", "--setting", "Faces=14", "--demo",
                                  "--seed", "4294967295"),
            "clock": arguments("--dt", "0.05", "--start-time", "86399.5", "--family", "9x",
                               "--every", "2"),
            "password": arguments("--password-answer", "refuse", "--registry-password", "1",
                                  "--family", "unknown"),
            "files": arguments("--script", "s.txt", "--state", "s.jsonl", "--record", "out",
                               "--folder", "f", "--user-data", "u", "--desktop", "d.bmp",
                               "--hourly", "h.jsonl"),
        },
    }
    rng = random.Random(20)
    seeds["blit"] = {f"ops{i}": bytes(rng.randrange(256) for _ in range(n))
                     for i, n in enumerate([16, 64, 128, 256, 512])}

    if ROOT.exists():
        shutil.rmtree(ROOT)
    for target, files in seeds.items():
        folder = ROOT / target
        folder.mkdir(parents=True)
        for name, data in files.items():
            (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
