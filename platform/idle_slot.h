// The application's one idle hook. A routine placed in the slot is called again and again
// whenever the event loop has handled its pending events: in the main loop and equally in
// the nested loops of modal dialogs and message boxes, never in the middle of handling an
// event. An empty slot costs nothing; a filled one keeps the user-interface thread busy.
//
// There is exactly one slot: filling it replaces whatever routine was there, and emptying
// it silences whichever routine was there.
#pragma once

#include <functional>

namespace prismcrate::idle_slot {

using Routine = std::function<void()>;

// Puts `routine` in the slot, replacing the previous one. `owner` only identifies who
// filled it (see owner()). Needs a QCoreApplication to be driven by the event loop.
void fill(const void* owner, Routine routine);

// Empties the slot, whoever filled it.
void clear();

bool isFilled();
const void* owner();

// Runs the routine in the slot once, as one idle pass of the event loop does. An
// exception escaping the routine is shown in the application's error box; while that
// box is open, further idle passes do not run the routine, so a routine that keeps
// failing cannot stack error boxes on top of each other. Returns false when the slot
// is empty.
bool runOnce();

}  // namespace prismcrate::idle_slot
