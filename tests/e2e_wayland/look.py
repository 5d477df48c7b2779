#!/usr/bin/env python3
"""The picture helper of scripts/wayland-e2e.sh (what grim's PNG files need
and the X helper does on X11). Reads binary PPM files (P6, 8 bits).

  look.py pattern W H OUT.ppm     the desktop's test pattern: red below 128,
                                  so no yellow, red or magenta; green changes
                                  by 7 a column and 13 a row, so a picture
                                  moved or scaled by one pixel matches nowhere
  look.py aim SHOT.ppm            X,Y of a whole face, or none; quick (a
                                  face moves while it is being looked for)
  look.py look REF.ppm SHOT.ppm [X Y W H]
      same=PERCENT yellow=N red=N magenta=N black=PERCENT face=X,Y|none
  PERCENT same: pixels of SHOT equal (within 8 a channel) to REF at the same
  place; yellow, red, magenta: pixel counts of the faces' yellow, a splat's
  red and the background that must stay hidden; face: the centre of the most
  face-like blob of yellow (30 x 30 faces), in SHOT's pixels."""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != b"P6" or fields[3] != b"255":
        sys.exit(f"look.py: {path} is not an 8-bit P6 file")
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def pattern(w, h, out):
    rows = bytearray()
    for y in range(h):
        for x in range(w):
            rows += bytes((x * 127 // (w - 1), (x * 7 + y * 13) & 0xFF, y * 255 // (h - 1)))
    with open(out, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h) + rows)


def is_yellow(r, g, b):
    return r > 200 and g > 180 and b < 90


def fullest_face(points, step):
    """The centre "X,Y" of the largest face-sized blob of `points` (a set of
    yellow pixels `step` apart, emptied on the way), or "none"."""
    best, face = 0, "none"
    while points:
        stack = [points.pop()]
        blob = []
        while stack:
            px, py = stack.pop()
            blob.append((px, py))
            for n in ((px + step, py), (px - step, py), (px, py + step), (px, py - step)):
                if n in points:
                    points.remove(n)
                    stack.append(n)
        xs = [p[0] for p in blob]
        ys = [p[1] for p in blob]
        if max(xs) - min(xs) < 32 and max(ys) - min(ys) < 32 and len(blob) > best:
            best = len(blob)
            face = f"{(min(xs) + max(xs)) // 2},{(min(ys) + max(ys)) // 2}"
    return face


def look(ref_path, shot_path, box):
    rw, rh, ref = read_ppm(ref_path)
    w, h, shot = read_ppm(shot_path)
    x0, y0, bw, bh = box if box else (0, 0, w, h)
    same = yellow = red = magenta = black = total = 0
    yellow_at = set()
    for y in range(y0, min(y0 + bh, h)):
        row = y * w * 3
        for x in range(x0, min(x0 + bw, w)):
            i = row + x * 3
            r, g, b = shot[i], shot[i + 1], shot[i + 2]
            total += 1
            if x < rw and y < rh:
                j = (y * rw + x) * 3
                if abs(r - ref[j]) <= 8 and abs(g - ref[j + 1]) <= 8 and abs(b - ref[j + 2]) <= 8:
                    same += 1
            if is_yellow(r, g, b):
                yellow += 1
                yellow_at.add((x, y))
            elif r > 180 and g < 60 and b < 60:
                red += 1
            elif r > 200 and g < 60 and b > 200:
                magenta += 1
            elif r < 8 and g < 8 and b < 8:
                black += 1
    # Connected blobs of yellow; a whole face shows about 500 pixels in a
    # 30 x 30 box.
    face = fullest_face(yellow_at, 1)
    total = max(total, 1)
    print(f"same={same * 100 // total} yellow={yellow} red={red} magenta={magenta} "
          f"black={black * 100 // total} face={face}")


def aim(shot_path):
    """Yellow on a 3-pixel grid, grouped into face-sized blobs; the fullest."""
    w, h, shot = read_ppm(shot_path)
    step = 3
    points = set()
    for y in range(0, h, step):
        row = y * w * 3
        for x in range(0, w, step):
            i = row + x * 3
            if is_yellow(shot[i], shot[i + 1], shot[i + 2]):
                points.add((x, y))
    print(fullest_face(points, step))


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "pattern":
        pattern(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4])
    elif len(sys.argv) == 3 and sys.argv[1] == "aim":
        aim(sys.argv[2])
    elif len(sys.argv) in (4, 8) and sys.argv[1] == "look":
        look(sys.argv[2], sys.argv[3], [int(v) for v in sys.argv[4:8]] if len(sys.argv) == 8 else None)
    else:
        sys.exit(__doc__)
