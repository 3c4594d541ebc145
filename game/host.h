// The narrow interface through which the game rules and the field pass reach the main
// window: drawing sprite patterns, presenting the frame, sound cues, the blast redraw
// timer, the nested field pass, the win sequence and the undo command. The main window
// implements it with the real display, sheets, cues and timers; tests and the level tool
// implement it with recorders or silent stand-ins.
#pragma once

#include "game/ports.h"

namespace prismcrate {

class Host {
  public:
    virtual ~Host() = default;

    // Draws pattern `pattern` of `sheet` with its top-left corner at pixel (x, y) of the
    // back surface.
    virtual void drawPattern(int sheet, int pattern, int x, int y) = 0;
    // Presents the back surface.
    virtual void flip() = 0;

    virtual void playCue(int cue, bool wait) = 0;
    virtual void stopCue(int cue) = 0;

    // The 100 ms one-shot timer that redraws the field after a blast.
    virtual bool blastTimerEnabled() = 0;
    virtual void enableBlastTimer() = 0;

    // Runs one whole field pass (re-entering it when called from inside one).
    virtual void showpole() = 0;
    // Called by the field pass in game mode when the level is solved.
    virtual void winSequence() = 0;

    // "Отменить ход" enabled or disabled.
    virtual void setUndoEnabled(bool enabled) = 0;
    // Closes the main window, ending the program.
    virtual void closeMainWindow() = 0;
};

}  // namespace prismcrate
