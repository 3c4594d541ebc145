#!/usr/bin/env python3
"""Checks of field_image.py, the end-to-end tests' picture tool: if it composed a wrong
field or misread a screenshot, the cases would judge the program by a wrong picture.

  field_image_test.py RUN_DIR LEVEL_TOOL
"""
import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import field_image as fi  # noqa: E402

RUN_DIR = ""
TOOL = ""


def level_from(rows_objects, rows_floor=None):
    text = "Title:\nObjects:\n" + "\n".join(rows_objects) + "\nFloor:\n"
    text += "\n".join(rows_floor or ["-" * 20] * 20) + "\n"
    return fi.parse_levels(text)[0]


def grid(cells):
    """20 rows of '-' with the given {(x, y): char}."""
    rows = [["-"] * 20 for _ in range(20)]
    for (x, y), ch in cells.items():
        rows[y][x] = ch
    return ["".join(r) for r in rows]


class BeamTest(unittest.TestCase):
    def test_mirror_turns_a_beam_down_and_a_wall_stops_it(self):
        level = level_from(grid({(0, 0): "@", (2, 5): ">", (6, 5): "\\", (6, 12): "#"}))
        drawn, touched = fi.trace_beams(level)
        want = [(3, 5, 0), (4, 5, 0), (5, 5, 0), (6, 5, 4)] + [(6, y, 1) for y in range(6, 12)]
        self.assertEqual(drawn, want)
        self.assertIn((6, 12), touched)
        self.assertNotIn((6, 13), touched)

    def test_rising_mirror_turns_a_beam_up(self):
        level = level_from(grid({(0, 0): "@", (1, 8): ">", (4, 8): "/"}))
        drawn, _ = fi.trace_beams(level)
        self.assertEqual(drawn[:4], [(2, 8, 0), (3, 8, 0), (4, 8, 5), (4, 7, 1)])
        self.assertEqual(drawn[-1], (4, 0, 1))

    def test_facing_emitters_stop_each_other_and_an_outward_one_draws_nothing(self):
        level = level_from(grid({(0, 0): "@", (3, 2): ">", (7, 2): "<", (0, 9): "<"}))
        drawn, _ = fi.trace_beams(level)
        self.assertEqual(sorted(drawn), [(4, 2, 0), (4, 2, 0), (5, 2, 0), (5, 2, 0), (6, 2, 0),
                                         (6, 2, 0)])

    def test_a_beam_reaching_a_bomb_is_refused(self):
        level = level_from(grid({(0, 0): "@", (1, 1): "v", (1, 4): "b"}))
        with self.assertRaises(ValueError):
            fi.trace_beams(level)


class ComposeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sheets = fi.Sheets(os.path.join(RUN_DIR, "assets"))
        cls.tiles1 = fi.read_bmp(os.path.join(RUN_DIR, "assets", "tiles1.bmp"))
        cls.tiles2 = fi.read_bmp(os.path.join(RUN_DIR, "assets", "tiles2.bmp"))

    def pattern_pixel(self, sheet, n, x, y):
        return (self.tiles1 if sheet == 0 else self.tiles2).get(n * 24 + x, y)

    def test_robot_pose_over_its_floor(self):
        level = level_from(grid({(3, 4): "@"}), grid({(3, 4): "."}))
        pic = fi.compose(self.sheets, level, (3, 4, 2, 1), False, False, [])
        for y in range(24):
            for x in range(24):
                robot = self.pattern_pixel(0, 5, x, y)  # pushing, facing up
                want = self.pattern_pixel(0, 9, x, y) if robot == fi.PURPLE else robot
                self.assertEqual(pic.get(72 + x, 96 + y), want)

    def test_crate_is_blue_only_on_a_target_and_wreck_replaces_the_robot(self):
        level = level_from(grid({(1, 1): "$", (2, 1): "$", (5, 5): "@"}), grid({(2, 1): "."}))
        pic = fi.compose(self.sheets, level, (5, 5, 4, 0), True, False, [])
        middle = 12
        self.assertEqual(pic.get(24 + middle, 24 + middle), self.pattern_pixel(0, 11, 12, 12))
        self.assertEqual(pic.get(48 + middle, 24 + middle), self.pattern_pixel(0, 12, 12, 12))
        wreck = [(x, y) for y in range(24) for x in range(24)
                 if self.pattern_pixel(0, 26, x, y) != fi.PURPLE]
        x, y = wreck[len(wreck) // 2]
        self.assertEqual(pic.get(120 + x, 120 + y), self.pattern_pixel(0, 26, x, y))

    def test_wall_edges_only_towards_non_walls_inside_the_field(self):
        level = level_from(grid({(0, 0): "#", (1, 0): "#", (5, 5): "@"}))
        pic = fi.compose(self.sheets, level, (5, 5, 4, 0), False, False, [])
        # Cell (0, 0): only the bottom edge; cell (1, 0): the right and the bottom edges.
        self.assertEqual(pic.get(0, 0), self.pattern_pixel(0, 10, 0, 0))
        self.assertEqual(pic.get(23, 5), self.pattern_pixel(0, 10, 23, 5))
        self.assertEqual(pic.get(10, 23), self.pattern_pixel(1, 10, 10, 23))
        self.assertEqual(pic.get(24 + 23, 5), self.pattern_pixel(1, 9, 23, 5))

    def test_level_text_written_here_packs_and_unpacks_unchanged(self):
        with tempfile.TemporaryDirectory() as tmp:
            txt, lev = os.path.join(tmp, "a.txt"), os.path.join(tmp, "a.lev")
            subprocess.run([sys.executable, fi.__file__, "level", "--title", "Ящик", "--robot",
                            "3,4", "--box", "1,1,8,8", "--put", "$:4-5,4", "--floor", ".:6,2-3",
                            "-o", txt], check=True)
            subprocess.run([TOOL, "pack", "-o", lev, txt], check=True)
            unpacked = subprocess.run([TOOL, "unpack", lev], check=True, capture_output=True,
                                      text=True).stdout
            with open(txt, encoding="utf-8") as f:
                self.assertEqual(unpacked.strip(), f.read().strip())
            level = fi.parse_levels(unpacked)[0]
            self.assertEqual(level.robot, (3, 4))
            self.assertEqual([level.objects[4][x] for x in (4, 5)], [2, 2])
            self.assertEqual([level.floor[y][6] for y in (2, 3)], [1, 1])


class ReadingTest(unittest.TestCase):
    def picture(self, w, h, rects, colour=(0, 0, 0), back=(255, 255, 255)):
        pic = fi.Picture(w, h, bytes(back) * (w * h))
        for x0, y0, x1, y1 in rects:
            for y in range(y0, y1):
                for x in range(x0, x1):
                    pic.set(x, y, colour)
        return pic

    def test_words_join_close_columns_only(self):
        pic = self.picture(60, 10, [(2, 2, 5, 8), (8, 2, 10, 8), (30, 3, 40, 5)])
        self.assertEqual(fi.words(fi.dark_columns(pic, 300), 6), [[2, 9], [30, 39]])

    def test_ink_columns_see_white_text_on_a_highlight(self):
        pic = self.picture(20, 16, [(5, 4, 9, 12)], colour=(255, 255, 255), back=(48, 140, 198))
        self.assertEqual([x for x, ink in enumerate(fi.ink_columns(pic)) if ink], [5, 6, 7, 8])

    def test_diff_names_the_cells_and_leaves_out_ignored_ones(self):
        with tempfile.TemporaryDirectory() as tmp:
            a = self.picture(480, 480, [])
            b = self.picture(480, 480, [(50, 50, 51, 51), (300, 10, 310, 12)])
            pa, pb = os.path.join(tmp, "a.ppm"), os.path.join(tmp, "b.ppm")
            fi.write_ppm(pa, a)
            fi.write_ppm(pb, b)
            run = [sys.executable, fi.__file__, "diff", pa, pb]
            out = subprocess.run(run, capture_output=True, text=True)
            self.assertEqual(out.returncode, 1)
            self.assertIn("2 cells differ: (12,0) (2,2)", out.stdout)
            ok = subprocess.run(run + ["--ignore", "2,2", "--ignore-rect", "290,0,20,20"])
            self.assertEqual(ok.returncode, 0)

    def test_sixteen_bit_screenshots_are_read_as_eight_bits(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "deep.ppm")
            with open(path, "wb") as f:
                f.write(b"P6\n# made by a test\n2 1\n65535\n")
                f.write(bytes([0xFF, 0xFF, 0, 0, 0x80, 0x80, 0, 0, 0, 0, 0xFF, 0xFF]))
            pic = fi.read_ppm(path)
            self.assertEqual((pic.get(0, 0), pic.get(1, 0)), ((255, 0, 128), (0, 0, 255)))

    def outline(self, reds):
        with tempfile.TemporaryDirectory() as tmp:
            pic = self.picture(103, 103, [], back=(192, 192, 192))
            for tool in reds:
                c, r = tool % 4, tool // 4
                for i in range(26):
                    for p in ((25 * c + 1 + i, 25 * r + 1), (25 * c + 1 + i, 25 * r + 26),
                              (25 * c + 1, 25 * r + 1 + i), (25 * c + 26, 25 * r + 1 + i)):
                        pic.set(*p, (255, 0, 0))
            path = os.path.join(tmp, "palette.ppm")
            fi.write_ppm(path, pic)
            out = subprocess.run([sys.executable, fi.__file__, "outline", path, "0", "0"],
                                 capture_output=True, text=True)
            return out.returncode, out.stdout.strip()

    def test_palette_outline(self):
        self.assertEqual(self.outline([6]), (0, "6"))
        self.assertEqual(self.outline([0]), (0, "0"))
        self.assertEqual(self.outline([]), (0, "none"))
        self.assertEqual(self.outline([1, 14])[0], 1)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        raise SystemExit(__doc__)
    RUN_DIR, TOOL = sys.argv[1], sys.argv[2]
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
