// A board and a recorder of one field pass: the patterns drawn, the frames presented, the
// cues, the blast timer, the nested passes and the wins, with helpers to pick out the
// draws of one sheet or cell.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "field/field.h"
#include "tests/game/recorders.h"

namespace prismcrate::testing {

// A draw of one pattern at a cell, in cell coordinates.
inline Draw at(int sheet, int pattern, int x, int y) {
    return {sheet, pattern, x * cellSize, y * cellSize};
}
inline Draw beam(int pattern, int x, int y) {
    return at(kTiles2, pattern, x, y);
}

// Records what a pass drew and asked for; its nested pass is the real one.
class FieldRecorder : public RecordingCanvas, public FieldHooks {
  public:
    explicit FieldRecorder(Board& board) : board_(board) {}

    std::vector<int> played;  // cues, in order
    int showpoles = 0;        // nested passes
    int wins = 0;
    bool timerEnabled = false;
    int timerEnables = 0;  // calls of enableBlastTimer
    std::function<void()> onWin;

    void playCue(int cue) override { played.push_back(cue); }
    bool blastTimerEnabled() override { return timerEnabled; }
    void enableBlastTimer() override {
        ++timerEnables;
        timerEnabled = true;
    }
    void nestedPass() override {
        ++showpoles;
        showpole(board_, *this, *this);
    }
    void levelSolved() override {
        ++wins;
        if (onWin) onWin();
    }

  private:
    Board& board_;
};

class FieldTest : public ::testing::Test {
  protected:
    Board board;
    FieldRecorder rec{board};

    void SetUp() override {
        board.regim = kModeGame;
        // Out of the way of every beam the tests lay, unless a test moves it.
        board.playerX = 19;
        board.playerY = 19;
    }

    std::vector<Draw> sheetDraws(int sheet) const {
        std::vector<Draw> out;
        for (const Draw& d : rec.draws)
            if (d.sheet == sheet) out.push_back(d);
        return out;
    }
    std::vector<Draw> drawsAt(int x, int y) const {
        std::vector<Draw> out;
        for (const Draw& d : rec.draws)
            if (d.x == x * cellSize && d.y == y * cellSize) out.push_back(d);
        return out;
    }
    int count(int cue) const {
        int n = 0;
        for (int c : rec.played) n += c == cue;
        return n;
    }
};

}  // namespace prismcrate::testing
