// Recorders for what a session or a field pass sends out: the patterns drawn and the
// frames presented, the cues played and stopped.
#pragma once

#include <vector>

#include "game/ports.h"

namespace prismcrate::testing {

struct Draw {
    int sheet, pattern, x, y;
    bool operator==(const Draw&) const = default;
};

class RecordingCanvas : public FieldCanvas {
  public:
    std::vector<Draw> draws;
    int flips = 0;  // frames presented

    void drawPattern(int sheet, int pattern, int x, int y) override {
        draws.push_back({sheet, pattern, x, y});
    }
    void present() override { ++flips; }
};

struct CueCall {
    int cue;
    bool wait;
    bool operator==(const CueCall&) const = default;
};

class RecordingCues : public CuePlayer {
  public:
    std::vector<CueCall> played;  // in order
    std::vector<int> stopped;     // in order

    void playCue(int cue, bool wait) override { played.push_back({cue, wait}); }
    void stopCue(int cue) override { stopped.push_back(cue); }
};

}  // namespace prismcrate::testing
