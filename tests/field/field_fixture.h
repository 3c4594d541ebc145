// A board and a recording host, with helpers to pick out the draws of one sheet or cell.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "field/field.h"
#include "tests/game/recording_host.h"

namespace prismcrate::testing {

// A draw of one pattern at a cell, in cell coordinates.
inline Draw at(int sheet, int pattern, int x, int y) {
    return {sheet, pattern, x * cellSize, y * cellSize};
}
inline Draw beam(int pattern, int x, int y) {
    return at(kTiles2, pattern, x, y);
}

class FieldTest : public ::testing::Test {
  protected:
    Board board;
    RecordingHost host;

    void SetUp() override {
        board.regim = kModeGame;
        // Out of the way of every beam the tests lay, unless a test moves it.
        board.playerX = 19;
        board.playerY = 19;
        // The host's nested field pass is the real one.
        host.onShowpole = [this] { showpole(board, host); };
    }

    std::vector<Draw> sheetDraws(int sheet) const {
        std::vector<Draw> out;
        for (const Draw& d : host.draws)
            if (d.sheet == sheet) out.push_back(d);
        return out;
    }
    std::vector<Draw> drawsAt(int x, int y) const {
        std::vector<Draw> out;
        for (const Draw& d : host.draws)
            if (d.x == x * cellSize && d.y == y * cellSize) out.push_back(d);
        return out;
    }
    int count(int cue) const {
        int n = 0;
        for (int c : host.played) n += c == cue;
        return n;
    }
};

}  // namespace prismcrate::testing
