#!/usr/bin/env python3
"""Pictures for the end-to-end tests: composes the field the program should show from the
sprite sheets, and reads screenshots (binary PPM, as `import ... ppm:` writes them).

Standard library only. Subcommands:

  level    [--title T] --robot X,Y [--put C:CELLS]... [--floor C:CELLS]... [--box X1,Y1,X2,Y2]
           -o OUT.txt
      Writes a level in text form: objects and floor marks by their text characters on
      CELLS, which is X,Y with each of X and Y a number or a range A-B; --box walls in the
      outline of a rectangle.
  compose  --sheets DIR --text FILE [--level N] [--robot X,Y,DIR,POSE] [--no-robot]
           [--wreck] [--no-beams] [--draw SHEET:PATTERN:X,Y]... -o OUT.ppm
      The 480 by 480 field of a level in text form (the level tool's text, comments and a
      trailing "status:" line allowed). The robot stands on the text's '@' unless --robot
      names its cell; DIR is 1 left, 2 up, 3 right, 4 down; POSE 1 is the pushing pose.
      Beams are traced from the emitters unless --no-beams; --draw adds patterns on top.
  diff     SHOT.ppm EXPECTED.ppm [--ignore X,Y]... [--ignore-rect X,Y,W,H]...
           [--save-diff OUT.ppm]
      Compares two fields cell by cell, leaving out the cells named and those that meet a
      rectangle of field pixels; prints the differing cells; exit 1 if any.
  same     A.ppm B.ppm [X Y W H]
      Exit 0 when the two pictures (or the rectangle of both) are identical.
  bitmap-at SHOT.ppm X Y FILE.bmp
      Exit 0 when the bitmap's pixels stand exactly at (X, Y) of the screenshot.
  pixel    SHOT.ppm X Y                        prints "R G B"
  tint     SHOT.ppm X Y W H
      Prints how many pixels of the rectangle are clearly red, green and blue (one
      channel above both others by 60).
  words    SHOT.ppm X Y W H [GAP]
      Finds runs of columns holding dark pixels (text) in the rectangle, joining runs closer
      than GAP pixels; prints "LEFT RIGHT" per word, left to right.
  ink      SHOT.ppm X Y W H
      Prints how many columns of the rectangle hold text: pixels clearly unlike its most
      common colour (the background).
  rows     SHOT.ppm X Y W H ROW_HEIGHT [--split S]
      For each band of ROW_HEIGHT pixels (the last one may be cut short) prints
      "ROW LEFT RIGHT" of its text, or "ROW - -";
      with --split, LEFT RIGHT twice: for the columns before S and from S on (relative).
  outline  SHOT.ppm X Y
      The palette picture at (X, Y): prints the tool whose cell is outlined in red, or
      "none"; fails when more than one cell has red on its outline.
"""
import argparse
import struct
import sys

CELL = 24
FIELD = 20
SIZE = CELL * FIELD
PURPLE = (128, 0, 128)


class Picture:
    def __init__(self, width, height, data=None):
        self.width = width
        self.height = height
        self.data = bytearray(data) if data is not None else bytearray(width * height * 3)

    def get(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def set(self, x, y, rgb):
        i = (y * self.width + x) * 3
        self.data[i:i + 3] = bytes(rgb)

    def crop(self, x, y, w, h):
        out = Picture(w, h)
        for row in range(h):
            src = ((y + row) * self.width + x) * 3
            out.data[row * w * 3:(row + 1) * w * 3] = self.data[src:src + w * 3]
        return out


def _tokens(data, count, pos):
    """Reads `count` whitespace-separated header tokens of a PNM file, skipping comments."""
    out = []
    while len(out) < count:
        while pos < len(data) and data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            while pos < len(data) and data[pos:pos + 1] not in (b"\n", b"\r"):
                pos += 1
            continue
        start = pos
        while pos < len(data) and not data[pos:pos + 1].isspace():
            pos += 1
        out.append(int(data[start:pos]))
    return out, pos + 1


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"P6":
        raise ValueError(f"{path}: not a binary PPM")
    (width, height, maxval), pos = _tokens(data, 3, 2)
    if maxval < 256:
        pixels = data[pos:pos + width * height * 3]
    else:
        samples = struct.unpack(f">{width * height * 3}H", data[pos:pos + width * height * 6])
        pixels = bytes(s * 255 // maxval for s in samples)
    if len(pixels) != width * height * 3:
        raise ValueError(f"{path}: short pixel data")
    return Picture(width, height, pixels)


def write_ppm(path, pic):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (pic.width, pic.height))
        f.write(pic.data)


def read_bmp(path):
    """An uncompressed bitmap file of 24 bits, or 8 bits with a colour table."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a bitmap file")
    offset = struct.unpack_from("<I", data, 10)[0]
    header, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    if header < 40 or bits not in (8, 24) or compression != 0:
        raise ValueError(f"{path}: expected an uncompressed bitmap of 8 or 24 bits")
    table = []
    if bits == 8:
        used = struct.unpack_from("<I", data, 46)[0] or 256
        start = 14 + header
        table = [bytes((data[start + 4 * i + 2], data[start + 4 * i + 1], data[start + 4 * i]))
                 for i in range(used)]
    top_down = height < 0
    height = abs(height)
    stride = (width * bits // 8 + 3) // 4 * 4
    pic = Picture(width, height)
    for row in range(height):
        src = offset + row * stride
        y = row if top_down else height - 1 - row
        dst = y * width * 3
        for x in range(width):
            if bits == 8:
                rgb = table[data[src + x]]
            else:
                b, g, r = data[src + x * 3:src + x * 3 + 3]
                rgb = bytes((r, g, b))
            pic.data[dst + x * 3:dst + x * 3 + 3] = rgb
    return pic


class Sheets:
    """The two sprite sheets, each pattern kept as runs of opaque pixels per row."""

    def __init__(self, folder):
        self.runs = [self._cut(read_bmp(f"{folder}/{name}.bmp")) for name in ("tiles1", "tiles2")]

    @staticmethod
    def _cut(sheet):
        patterns = []
        for n in range(sheet.width // CELL):
            rows = []
            for y in range(CELL):
                runs, x = [], 0
                while x < CELL:
                    if sheet.get(n * CELL + x, y) == PURPLE:
                        x += 1
                        continue
                    start = x
                    while x < CELL and sheet.get(n * CELL + x, y) != PURPLE:
                        x += 1
                    i = (y * sheet.width + n * CELL + start) * 3
                    runs.append((start, bytes(sheet.data[i:i + (x - start) * 3])))
                rows.append(runs)
            patterns.append(rows)
        return patterns

    def draw(self, pic, sheet, pattern, px, py):
        patterns = self.runs[sheet]
        if not 0 <= pattern < len(patterns):
            raise ValueError(f"no pattern {pattern} in sheet {sheet}")
        for y, runs in enumerate(patterns[pattern]):
            for start, pixels in runs:
                i = ((py + y) * pic.width + px + start) * 3
                pic.data[i:i + len(pixels)] = pixels


OBJECT_CODES = {"-": 0, "@": 0, "#": 1, "$": 2, "r": 3, "\\": 4, "/": 5, "<": 6, "^": 7,
                ">": 8, "v": 9, "b": 10, "%": 11, "g": 12}
FLOOR_CODES = {"-": 0, ".": 1, "_": 2, "=": 3, "x": 4}
FLOOR_PATTERNS = {0: 8, 1: 9, 2: 24, 3: 25, 4: 23}
OBJECT_PATTERNS = {1: 10, 3: 19, 4: 13, 5: 14, 6: 15, 7: 16, 8: 17, 9: 18, 10: 20, 11: 21,
                   12: 22}


class Level:
    def __init__(self):
        self.objects = [[0] * FIELD for _ in range(FIELD)]  # [y][x]
        self.floor = [[0] * FIELD for _ in range(FIELD)]
        self.robot = None


def parse_levels(text):
    """Levels of a text in the level tool's form, in order."""
    levels = []
    lines = [line.rstrip("\r") for line in text.split("\n")]
    i = 0
    while i < len(lines):
        if not lines[i].startswith("Title:"):
            i += 1
            continue
        level = Level()
        i += 1
        for section, codes, layer in (("Objects:", OBJECT_CODES, level.objects),
                                      ("Floor:", FLOOR_CODES, level.floor)):
            while i < len(lines) and lines[i].startswith(";"):
                i += 1
            if i >= len(lines) or lines[i] != section:
                raise ValueError(f"expected '{section}' at line {i + 1}")
            i += 1
            for y in range(FIELD):
                row = lines[i + y] if i + y < len(lines) else ""
                if len(row) != FIELD:
                    raise ValueError(f"row {y} of {section} is not {FIELD} characters")
                for x, ch in enumerate(row):
                    layer[y][x] = codes[ch]
                    if ch == "@":
                        level.robot = (x, y)
            i += FIELD
        levels.append(level)
    return levels


MIRROR_TURNS = {4: {1: 2, 2: 1, 3: 4, 4: 3}, 5: {1: 4, 2: 3, 3: 2, 4: 1}}
STEPS = {1: (-1, 0), 2: (0, -1), 3: (1, 0), 4: (0, 1)}


def trace_beams(level):
    """The beam segments of a board on which no beam reaches a bomb, in drawing order, as
    (x, y, tiles2 pattern); also the cells that the beams cross or end in."""
    drawn, touched = [], set()
    for ey in range(FIELD):
        for ex in range(FIELD):
            code = level.objects[ey][ex]
            if code not in (6, 7, 8, 9):
                continue
            d = code - 5
            x, y = ex, ey
            for _ in range(4 * FIELD * FIELD):
                x, y = x + STEPS[d][0], y + STEPS[d][1]
                if not (0 <= x < FIELD and 0 <= y < FIELD):
                    break
                touched.add((x, y))
                c = level.objects[y][x]
                if c == 10:
                    raise ValueError(f"a beam reaches the bomb at ({x}, {y})")
                if c not in (0, 4, 5):
                    break
                if c == 0:
                    drawn.append((x, y, 0 if d in (1, 3) else 1))
                else:
                    d = MIRROR_TURNS[c][d]
                    if c == 4:
                        drawn.append((x, y, 2 if d in (2, 3) else 4))
                    else:
                        drawn.append((x, y, 3 if d in (3, 4) else 5))
    return drawn, touched


def compose(sheets, level, robot, wreck, beams, extra):
    pic = Picture(SIZE, SIZE)
    for y in range(FIELD):
        for x in range(FIELD):
            px, py = x * CELL, y * CELL
            floor = level.floor[y][x]
            obj = level.objects[y][x]
            if floor in FLOOR_PATTERNS:
                sheets.draw(pic, 0, FLOOR_PATTERNS[floor], px, py)
            if obj == 2:
                sheets.draw(pic, 0, 12 if floor == 1 else 11, px, py)
            elif obj in OBJECT_PATTERNS:
                sheets.draw(pic, 0, OBJECT_PATTERNS[obj], px, py)
            if obj == 1:
                objects = level.objects
                if x > 0 and objects[y][x - 1] != 1:
                    sheets.draw(pic, 1, 7, px, py)
                if y > 0 and objects[y - 1][x] != 1:
                    sheets.draw(pic, 1, 8, px, py)
                if x < FIELD - 1 and objects[y][x + 1] != 1:
                    sheets.draw(pic, 1, 9, px, py)
                if y < FIELD - 1 and objects[y + 1][x] != 1:
                    sheets.draw(pic, 1, 10, px, py)
    if robot is not None:
        x, y, direction, pose = robot
        if wreck:
            sheets.draw(pic, 0, 26, x * CELL, y * CELL)
        else:
            sheets.draw(pic, 0, direction + 3 if pose else direction - 1, x * CELL, y * CELL)
    if beams:
        for x, y, pattern in trace_beams(level)[0]:
            sheets.draw(pic, 1, pattern, x * CELL, y * CELL)
    for sheet, pattern, x, y in extra:
        sheets.draw(pic, sheet, pattern, x * CELL, y * CELL)
    return pic


def cell_list(values):
    cells = set()
    for v in values or []:
        x, y = v.split(",")
        cells.add((int(x), int(y)))
    return cells


def cells(cell_range):
    """ "X,Y" with X and Y numbers or ranges "A-B" -> the cells it names."""
    xs, ys = cell_range.split(",")

    def span(text):
        lo, _, hi = text.partition("-")
        return range(int(lo), int(hi or lo) + 1)

    return [(x, y) for y in span(ys) for x in span(xs)]


def cmd_level(args):
    objects = [["-"] * FIELD for _ in range(FIELD)]
    floor = [["-"] * FIELD for _ in range(FIELD)]
    if args.box:
        x1, y1, x2, y2 = (int(v) for v in args.box.split(","))
        for x, y in cells(f"{x1}-{x2},{y1}") + cells(f"{x1}-{x2},{y2}") + cells(
                f"{x1},{y1}-{y2}") + cells(f"{x2},{y1}-{y2}"):
            objects[y][x] = "#"
    for layer, items, codes in ((objects, args.put, OBJECT_CODES), (floor, args.floor,
                                                                     FLOOR_CODES)):
        for item in items or []:
            char, _, where = item.rpartition(":")
            if char not in codes or char == "@":
                raise SystemExit(f"unknown cell character '{char}'")
            for x, y in cells(where):
                layer[y][x] = char
    rx, ry = (int(v) for v in args.robot.split(","))
    objects[ry][rx] = "@"
    with open(args.output, "w", encoding="utf-8") as f:
        f.write(f"Title: {args.title}\n" if args.title else "Title:\n")
        f.write("Objects:\n" + "".join("".join(row) + "\n" for row in objects))
        f.write("Floor:\n" + "".join("".join(row) + "\n" for row in floor))


def cmd_compose(args):
    with open(args.text, encoding="utf-8") as f:
        levels = parse_levels(f.read())
    if not 1 <= args.level <= len(levels):
        raise SystemExit(f"{args.text}: no level {args.level} (it holds {len(levels)})")
    level = levels[args.level - 1]
    robot = None
    if not args.no_robot:
        if args.robot:
            robot = tuple(int(v) for v in args.robot.split(","))
            if len(robot) == 2:
                robot = robot + (4, 0)
        elif level.robot:
            robot = level.robot + (4, 0)
        else:
            raise SystemExit(f"{args.text}: level {args.level} has no robot and none was given")
    extra = []
    for drawing in args.draw or []:
        sheet, pattern, cell = drawing.split(":")
        x, y = cell.split(",")
        extra.append((int(sheet), int(pattern), int(x), int(y)))
    pic = compose(Sheets(args.sheets), level, robot, args.wreck, not args.no_beams, extra)
    write_ppm(args.output, pic)


def cmd_diff(args):
    shot, expected = read_ppm(args.shot), read_ppm(args.expected)
    if (shot.width, shot.height) != (expected.width, expected.height):
        print(f"size {shot.width}x{shot.height}, expected {expected.width}x{expected.height}")
        return 1
    ignore = cell_list(args.ignore)
    for rect in args.ignore_rect or []:
        # A rectangle in field pixels, such as a dialog in front of the field.
        x, y, w, h = (int(v) for v in rect.split(","))
        for cy in range(max(0, y // CELL), min(FIELD, (y + h - 1) // CELL + 1)):
            for cx in range(max(0, x // CELL), min(FIELD, (x + w - 1) // CELL + 1)):
                ignore.add((cx, cy))
    bad = []
    for cy in range(expected.height // CELL):
        for cx in range(expected.width // CELL):
            if (cx, cy) in ignore:
                continue
            for y in range(cy * CELL, cy * CELL + CELL):
                start = (y * shot.width + cx * CELL) * 3
                if shot.data[start:start + CELL * 3] != expected.data[start:start + CELL * 3]:
                    bad.append((cx, cy))
                    break
    if args.save_diff and bad:
        out = Picture(shot.width, shot.height, shot.data)
        for cx, cy in bad:
            for i in range(CELL):
                for px, py in ((cx * CELL + i, cy * CELL), (cx * CELL + i, cy * CELL + CELL - 1),
                               (cx * CELL, cy * CELL + i), (cx * CELL + CELL - 1, cy * CELL + i)):
                    out.set(px, py, (255, 0, 255))
        write_ppm(args.save_diff, out)
    if bad:
        shown = " ".join(f"({x},{y})" for x, y in bad[:20])
        print(f"{len(bad)} cells differ: {shown}{' ...' if len(bad) > 20 else ''}")
        return 1
    return 0


def cmd_same(args):
    a, b = read_ppm(args.a), read_ppm(args.b)
    if args.rect:
        x, y, w, h = args.rect
        a, b = a.crop(x, y, w, h), b.crop(x, y, w, h)
    return 0 if (a.width, a.height, a.data) == (b.width, b.height, b.data) else 1


def cmd_bitmap_at(args):
    shot, bmp = read_ppm(args.shot), read_bmp(args.bitmap)
    part = shot.crop(args.x, args.y, bmp.width, bmp.height)
    return 0 if part.data == bmp.data else 1


def cmd_pixel(args):
    print(*read_ppm(args.shot).get(args.x, args.y))


def cmd_tint(args):
    pic = read_ppm(args.shot).crop(args.x, args.y, args.w, args.h)
    counts = [0, 0, 0]
    for i in range(0, len(pic.data), 3):
        rgb = pic.data[i:i + 3]
        for c in range(3):
            if all(rgb[c] > rgb[o] + 60 for o in range(3) if o != c):
                counts[c] += 1
    print(*counts)


def dark_columns(pic, limit):
    cols = []
    for x in range(pic.width):
        cols.append(any(sum(pic.get(x, y)) < limit for y in range(pic.height)))
    return cols


def words(cols, gap):
    found = []
    for x, dark in enumerate(cols):
        if not dark:
            continue
        if found and x - found[-1][1] <= gap:
            found[-1][1] = x
        else:
            found.append([x, x])
    return found


def cmd_words(args):
    pic = read_ppm(args.shot).crop(args.x, args.y, args.w, args.h)
    for left, right in words(dark_columns(pic, args.limit), args.gap):
        print(args.x + left, args.x + right)


def ink_columns(pic):
    """Columns holding a pixel clearly unlike the picture's most common colour."""
    counts = {}
    for i in range(0, len(pic.data), 3):
        key = bytes(pic.data[i:i + 3])
        counts[key] = counts.get(key, 0) + 1
    back = max(counts, key=counts.get)
    cols = []
    for x in range(pic.width):
        cols.append(any(sum(abs(a - b) for a, b in zip(pic.get(x, y), back)) > 90
                        for y in range(pic.height)))
    return cols


def cmd_ink(args):
    pic = read_ppm(args.shot).crop(args.x, args.y, args.w, args.h)
    print(sum(ink_columns(pic)))


def cmd_rows(args):
    pic = read_ppm(args.shot).crop(args.x, args.y, args.w, args.h)
    split = args.split if args.split is not None else args.w
    for row in range((args.h + args.row_height - 1) // args.row_height):
        top = row * args.row_height
        band = pic.crop(0, top, args.w, min(args.row_height, args.h - top))
        cols = ink_columns(band)
        out = [str(row)]
        for lo, hi in ((0, split), (split, args.w)):
            xs = [x for x in range(lo, hi) if cols[x]]
            out += [str(xs[0]), str(xs[-1])] if xs else ["-", "-"]
        print(" ".join(out[:3] if split >= args.w else out))


def cmd_outline(args):
    pic = read_ppm(args.shot)
    red = (255, 0, 0)
    outlined = []
    partly = []
    for tool in range(16):
        c, r = tool % 4, tool // 4
        left, top = args.x + 25 * c + 1, args.y + 25 * r + 1
        edge = [(left + i, top) for i in range(26)] + [(left + i, top + 25) for i in range(26)]
        edge += [(left, top + i) for i in range(26)] + [(left + 25, top + i) for i in range(26)]
        reds = sum(1 for p in edge if pic.get(*p) == red)
        if reds == len(edge):
            outlined.append(tool)
        elif reds:
            partly.append(tool)
    if len(outlined) > 1:
        print("several:", *outlined)
        return 1
    if not outlined:
        print("none" if not partly else "broken: " + " ".join(map(str, partly)))
        return 0 if not partly else 1
    # Cells next to the outlined one, diagonals included, share a side or a corner with it.
    tc, tr = outlined[0] % 4, outlined[0] // 4
    stray = [t for t in partly if max(abs(t % 4 - tc), abs(t // 4 - tr)) > 1]
    if stray:
        print("stray red at:", *stray)
        return 1
    print(outlined[0])
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)

    p = sub.add_parser("level")
    p.add_argument("--title", default="")
    p.add_argument("--robot", required=True)
    p.add_argument("--put", action="append")
    p.add_argument("--floor", action="append")
    p.add_argument("--box")
    p.add_argument("-o", "--output", required=True)
    p.set_defaults(run=cmd_level)

    p = sub.add_parser("compose")
    p.add_argument("--sheets", required=True)
    p.add_argument("--text", required=True)
    p.add_argument("--level", type=int, default=1)
    p.add_argument("--robot")
    p.add_argument("--no-robot", action="store_true")
    p.add_argument("--wreck", action="store_true")
    p.add_argument("--no-beams", action="store_true")
    p.add_argument("--draw", action="append")
    p.add_argument("-o", "--output", required=True)
    p.set_defaults(run=cmd_compose)

    p = sub.add_parser("diff")
    p.add_argument("shot")
    p.add_argument("expected")
    p.add_argument("--ignore", action="append")
    p.add_argument("--ignore-rect", action="append")
    p.add_argument("--save-diff")
    p.set_defaults(run=cmd_diff)

    p = sub.add_parser("same")
    p.add_argument("a")
    p.add_argument("b")
    p.add_argument("rect", type=int, nargs="*")
    p.set_defaults(run=cmd_same)

    p = sub.add_parser("bitmap-at")
    p.add_argument("shot")
    p.add_argument("x", type=int)
    p.add_argument("y", type=int)
    p.add_argument("bitmap")
    p.set_defaults(run=cmd_bitmap_at)

    p = sub.add_parser("pixel")
    p.add_argument("shot")
    p.add_argument("x", type=int)
    p.add_argument("y", type=int)
    p.set_defaults(run=cmd_pixel)

    p = sub.add_parser("tint")
    p.add_argument("shot")
    for name in ("x", "y", "w", "h"):
        p.add_argument(name, type=int)
    p.set_defaults(run=cmd_tint)

    p = sub.add_parser("words")
    p.add_argument("shot")
    for name in ("x", "y", "w", "h"):
        p.add_argument(name, type=int)
    p.add_argument("gap", type=int, nargs="?", default=6)
    p.add_argument("--limit", type=int, default=300)
    p.set_defaults(run=cmd_words)

    p = sub.add_parser("rows")
    p.add_argument("shot")
    for name in ("x", "y", "w", "h", "row_height"):
        p.add_argument(name, type=int)
    p.add_argument("--split", type=int)
    p.set_defaults(run=cmd_rows)

    p = sub.add_parser("ink")
    p.add_argument("shot")
    for name in ("x", "y", "w", "h"):
        p.add_argument(name, type=int)
    p.set_defaults(run=cmd_ink)

    p = sub.add_parser("outline")
    p.add_argument("shot")
    p.add_argument("x", type=int)
    p.add_argument("y", type=int)
    p.set_defaults(run=cmd_outline)

    args = parser.parse_args()
    if args.command == "same" and len(args.rect) not in (0, 4):
        parser.error("same takes no rectangle or X Y W H")
    sys.exit(args.run(args) or 0)


if __name__ == "__main__":
    main()
