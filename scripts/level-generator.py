#!/usr/bin/env python3
"""Finds candidate levels for hand finishing: places pieces at random into a room sketch,
solves every candidate with the level tool's solver and climbs towards longer shortest
solutions, keeping only candidates whose solution uses the mechanics asked for.

A sketch is a compact map, one character per cell with both layers in it:
  ' ' or '-' floor   '#' wall   '%' steel   'g' gate   '$' crate   '*' crate on a target
  '.' target  '@' robot  '+' robot on a target  '&' robot on a plate  'r' rock
  'R' rock on a plate  '_' plate  '\\' '/' mirrors  '<' '^' '>' 'v' emitters  'b' bomb
  'B' bomb on a plate  'C' crate on a plate  '?' a wall or floor, chosen by the search
Pieces named with --piece (CHAR=COUNT, for example --piece b=2 --piece '$=1') are put on
random floor cells; --piece @=1 places the robot too. A candidate counts only when it is
solved within --time seconds and its solution
  --explode   sets off a bomb,   --press   presses a plate,   --move-mirror  moves a mirror,
  --move-rock moves a rock.
Prints each better candidate as level text with its solution, and writes the best one to
--out. The levels it finds are raw material: the shipped levels are chosen and finished by
hand.

  scripts/level-generator.py SKETCH --tool build/rel/tools/levels_tool/prismcrate-levels \\
      --piece b=2 --piece '$=1' --explode --rounds 300 --out best.txt
"""
import argparse
import json
import os
import random
import subprocess
import sys
import tempfile

CELLS = {
    ' ': ('-', '-'), '-': ('-', '-'), '#': ('#', '-'), '%': ('%', '-'), 'g': ('g', '-'),
    '$': ('$', '-'), '*': ('$', '.'), '.': ('-', '.'), '@': ('@', '-'), '+': ('@', '.'),
    '&': ('@', '_'), 'r': ('r', '-'), 'R': ('r', '_'), '_': ('-', '_'), '\\': ('\\', '-'),
    '/': ('/', '-'), '<': ('<', '-'), '^': ('^', '-'), '>': ('>', '-'), 'v': ('v', '-'),
    'b': ('b', '-'), 'B': ('b', '_'), 'C': ('$', '_'),
}


def read_sketch(path):
    with open(path, encoding='utf-8') as f:
        rows = [line.rstrip('\n') for line in f if not line.startswith(';')]
    while rows and not rows[-1].strip():
        rows.pop()
    width = max(len(r) for r in rows)
    return [list(r.ljust(width)) for r in rows]


def level_text(grid, title):
    height, width = len(grid), len(grid[0])
    if height > 20 or width > 20:
        sys.exit('the sketch is larger than the field')
    ox, oy = (20 - width) // 2, (20 - height) // 2
    objects = [['-'] * 20 for _ in range(20)]
    floors = [['-'] * 20 for _ in range(20)]
    for y, row in enumerate(grid):
        for x, c in enumerate(row):
            objects[oy + y][ox + x], floors[oy + y][ox + x] = CELLS[c]
    return ('Title: ' + title + '\nObjects:\n' + ''.join(''.join(r) + '\n' for r in objects) +
            'Floor:\n' + ''.join(''.join(r) + '\n' for r in floors))


def run(tool, *args):
    return subprocess.run([tool, *args], capture_output=True, text=True)


def board_after(tool, path, moves):
    out = run(tool, 'replay', path, moves).stdout.split('\n')
    at = out.index('Objects:')
    objects = out[at + 1:at + 21]
    floors = out[at + 22:at + 42]
    return objects, floors


def uses(tool, path, moves, args):
    """Whether the solution sets off a bomb, presses a plate, moves a mirror or a rock."""
    start_objects, _ = board_after(tool, path, '')
    count = lambda objects, chars: sum(row.count(c) for row in objects for c in chars)
    where = lambda objects, chars: sorted((y, x) for y, row in enumerate(objects)
                                          for x, c in enumerate(row) if c in chars)
    end_objects, _ = board_after(tool, path, moves)
    if args.explode and count(end_objects, 'b') >= count(start_objects, 'b'):
        return False
    if args.move_mirror and where(end_objects, '\\/') == where(start_objects, '\\/') and \
            count(end_objects, '\\/') == count(start_objects, '\\/'):
        return False
    if args.move_rock and where(end_objects, 'r') == where(start_objects, 'r') and \
            count(end_objects, 'r') == count(start_objects, 'r'):
        return False
    if args.press:
        for n in range(len(moves) + 1):
            if '=' in ''.join(board_after(tool, path, moves[:n])[1]):
                return True
        return False
    return True


def evaluate(grid, args, folder):
    path = os.path.join(folder, 'candidate.txt')
    with open(path, 'w', encoding='utf-8') as f:
        f.write(level_text(grid, 'candidate'))
    result = run(args.tool, 'solve', path, '--json', '--metric', 'moves', '--time',
                 str(args.time))
    try:
        answer = json.loads(result.stdout)
    except ValueError:
        return None
    if answer['status'] != 'solved' or answer['moves'] < 1:
        return None
    answer['uses'] = True
    packed = os.path.join(folder, 'candidate.lev')
    if run(args.tool, 'pack', '-o', packed, path).returncode != 0:
        return None
    answer['uses'] = uses(args.tool, packed, answer['solution'], args)
    return answer


def place(grid, pieces, rng, walls):
    """A copy of the sketch with '?' cells decided and the pieces on random floor cells."""
    out = [[('#' if rng.random() < walls else ' ') if c == '?' else c for c in row]
           for row in grid]
    free = [(y, x) for y, row in enumerate(out) for x, c in enumerate(row) if c in ' -']
    rng.shuffle(free)
    for char, count in pieces:
        for _ in range(count):
            if not free:
                sys.exit('not enough floor for the pieces')
            y, x = free.pop()
            out[y][x] = char
    return out


def mutate(grid, sketch, rng):
    out = [row[:] for row in grid]
    movable = [(y, x) for y, row in enumerate(out) for x, c in enumerate(row)
               if sketch[y][x] in ' -?' and c not in ' -#']
    choice = [(y, x) for y, row in enumerate(sketch) for x, c in enumerate(row) if c == '?']
    if choice and rng.random() < 0.4:
        y, x = rng.choice(choice)
        if out[y][x] in ' #':
            out[y][x] = '#' if out[y][x] == ' ' else ' '
        return out
    if movable:
        y, x = rng.choice(movable)
        free = [(fy, fx) for fy, row in enumerate(out) for fx, c in enumerate(row)
                if c in ' -' and sketch[fy][fx] in ' -?']
        if free:
            ny, nx = rng.choice(free)
            out[ny][nx], out[y][x] = out[y][x], ' '
    return out


def main():
    parser = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    parser.add_argument('sketch')
    parser.add_argument('--tool', required=True, help='the prismcrate-levels binary')
    parser.add_argument('--piece', action='append', default=[], help='CHAR=COUNT')
    parser.add_argument('--rounds', type=int, default=200, help='candidates to solve')
    parser.add_argument('--restart', type=int, default=60,
                        help='rounds without a better candidate before starting afresh')
    parser.add_argument('--time', type=float, default=2, help='seconds per solve')
    parser.add_argument('--seed', type=int, default=None)
    parser.add_argument('--walls', type=float, default=0.15,
                        help='the share of "?" cells that start as walls')
    parser.add_argument('--explode', action='store_true')
    parser.add_argument('--press', action='store_true')
    parser.add_argument('--move-mirror', action='store_true')
    parser.add_argument('--move-rock', action='store_true')
    parser.add_argument('--out', help='file for the best level found')
    args = parser.parse_args()
    pieces = []
    for piece in args.piece:
        char, _, count = piece.partition('=')
        if char not in CELLS or not count.isdigit():
            parser.error('a piece is CHAR=COUNT: ' + piece)
        pieces.append((char, int(count)))
    rng = random.Random(args.seed)
    sketch = read_sketch(args.sketch)
    best, best_answer = None, None
    with tempfile.TemporaryDirectory() as folder:
        current, current_score, stale = None, -1, 0
        for _ in range(args.rounds):
            if current is None or stale >= args.restart:
                candidate, stale = place(sketch, pieces, rng, args.walls), 0
                current_score = -1
            else:
                candidate = mutate(current, sketch, rng)
            answer = evaluate(candidate, args, folder)
            # Solvable candidates that miss a mechanic still lead somewhere; those that
            # use every mechanic asked for always rank above them.
            score = -1 if answer is None else answer['moves'] + (10000 if answer['uses'] else 0)
            if answer is None and current is not None and current_score >= 0:
                stale += 1
                continue
            if score >= current_score:
                stale = 0 if score > current_score else stale + 1
                current, current_score = candidate, score
            else:
                stale += 1
            if answer and answer['uses'] and (best_answer is None or
                                              answer['moves'] > best_answer['moves']):
                best, best_answer = candidate, answer
                print('; %d moves, %d pushes, %d positions' %
                      (answer['moves'], answer['pushes'], answer['states']))
                print('; solution: ' + answer['solution'])
                print('\n'.join(''.join(row) for row in best) + '\n', flush=True)
    if best is not None and args.out:
        with open(args.out, 'w', encoding='utf-8') as f:
            f.write('; solution: %s\n' % best_answer['solution'])
            f.write(level_text(best, 'candidate'))
    return 0 if best is not None else 1


if __name__ == '__main__':
    sys.exit(main())
