// The field pass and the beam tracer. Every change of the board ends in one call of
// showpole, which brings plates and gates up to date, redraws the whole field, traces the
// beams, presents the frame and, in game mode, tests for a win.
#pragma once

#include "game/board.h"
#include "game/host.h"

namespace prismcrate {

// One whole field pass. It may run again from inside itself: through host.showpole()
// after the robot's destruction and through host.winSequence() on a win. All of its
// working state is local, so a nested pass cannot disturb the one that called it.
void showpole(Board& board, Host& host);

// Traces every beam from its emitter in sweep order, draws the segments, sets off bombs,
// destroys the robot in game mode, and asks for the redraws that follow. Called by
// showpole after the robot has been drawn and before the frame is presented.
void showbeam(Board& board, Host& host);

}  // namespace prismcrate
