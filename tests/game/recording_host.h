// A Host that records what the rules asked of the main window.
#pragma once

#include <functional>
#include <vector>

#include "game/host.h"

namespace prismcrate::testing {

struct Draw {
    int sheet, pattern, x, y;
    bool operator==(const Draw&) const = default;
};

class RecordingHost : public Host {
  public:
    std::vector<Draw> draws;
    std::vector<int> played;   // cues, in order
    std::vector<int> stopped;  // cues, in order
    int flips = 0;
    int showpoles = 0;
    int wins = 0;
    int closes = 0;
    bool timerEnabled = false;
    int timerEnables = 0;  // calls of enableBlastTimer
    int undoEnabled = -1;  // -1: never set
    std::function<void()> onShowpole;
    std::function<void()> onWin;

    void drawPattern(int sheet, int pattern, int x, int y) override {
        draws.push_back({sheet, pattern, x, y});
    }
    void flip() override { ++flips; }
    void playCue(int cue, bool) override { played.push_back(cue); }
    void stopCue(int cue) override { stopped.push_back(cue); }
    bool blastTimerEnabled() override { return timerEnabled; }
    void enableBlastTimer() override {
        ++timerEnables;
        timerEnabled = true;
    }
    void showpole() override {
        ++showpoles;
        if (onShowpole) onShowpole();
    }
    void winSequence() override {
        ++wins;
        if (onWin) onWin();
    }
    void setUndoEnabled(bool enabled) override { undoEnabled = enabled ? 1 : 0; }
    void closeMainWindow() override { ++closes; }
};

}  // namespace prismcrate::testing
