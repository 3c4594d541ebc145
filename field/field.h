// The field pass and the beam tracer. Every change of the board ends in one field pass,
// which brings plates and gates up to date, redraws the whole field, traces the beams,
// presents the frame and, in game mode, tests for a win.
//
// The pass has two forms that change the board identically: the drawn form paints every
// cell, the robot, the beams and the blasts on a canvas; the rules-only form draws
// nothing and serves searches that step through many positions.
#pragma once

#include "game/board.h"
#include "game/host.h"
#include "game/ports.h"

namespace prismcrate {

// What a field pass reports to, and asks of, the one who runs it.
class FieldHooks {
  public:
    virtual ~FieldHooks() = default;
    // A cue started without waiting for it: "click", "explosion" or "death".
    virtual void playCue(int cue) = 0;
    // The 100 ms one-shot timer whose tick runs one more pass after a blast.
    virtual bool blastTimerEnabled() = 0;
    virtual void enableBlastTimer() = 0;
    // The robot was destroyed in this pass, no blast redraw is pending and the wreck is
    // not on the screen yet: run one more whole pass now (it draws the wreck). The
    // nested pass cannot ask again, since it finds the wreck shown.
    virtual void nestedPass() = 0;
    // In game mode, after the frame was presented, the win test found every crate on a
    // target.
    virtual void levelSolved() = 0;
};

// One whole field pass, drawn on `canvas`. All of its working state is local, so a
// nested pass started from inside it cannot disturb it.
void showpole(Board& board, FieldHooks& hooks, FieldCanvas& canvas);

// The same pass without drawing: plates, gates, beams, blasts, the robot's destruction
// and the win test change and report exactly what the drawn pass does.
void showpoleRulesOnly(Board& board, FieldHooks& hooks);

// The beam step of a drawn pass on its own: traces every beam from its emitter in sweep
// order, draws the segments, sets off bombs, destroys the robot in game mode, and asks
// for the redraws that follow.
void showbeam(Board& board, FieldHooks& hooks, FieldCanvas& canvas);

// The older single-interface form, kept while callers move to the forms above.
void showpole(Board& board, Host& host);
void showbeam(Board& board, Host& host);

}  // namespace prismcrate
