// The narrow interfaces through which the rules reach the world outside the board: a
// canvas the field is drawn on and a player for the sound cues. The window implements
// them with the real display surface and sound device, tests with recorders; headless
// sessions (the level tool, the solver) have neither.
#pragma once

namespace prismcrate {

// Sound cues by their index in the main window's wave list.
enum Cue : int { kCueExplosion = 0, kCueClick = 1, kCueMove = 2, kCueDeath = 3, kCueWin = 4 };
constexpr int kCueCount = 5;

// Sprite sheets by their index in the main window's image list.
enum Sheet : int { kTiles1 = 0, kTiles2 = 1 };

class FieldCanvas {
  public:
    virtual ~FieldCanvas() = default;
    // Draws pattern `pattern` of `sheet` with its top-left corner at pixel (x, y) of the
    // back surface.
    virtual void drawPattern(int sheet, int pattern, int x, int y) = 0;
    // Presents the back surface.
    virtual void present() = 0;
};

class CuePlayer {
  public:
    virtual ~CuePlayer() = default;
    // Plays a cue once; with `wait`, returns only when it has finished.
    virtual void playCue(int cue, bool wait) = 0;
    virtual void stopCue(int cue) = 0;
};

}  // namespace prismcrate
