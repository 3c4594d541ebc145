// The application's one idle hook. A routine placed in the slot is called again and again
// whenever the event loop has handled its pending events: in the main loop and equally in
// the nested loops of modal dialogs and message boxes, never in the middle of handling an
// event. An empty slot costs nothing; a filled one keeps the user-interface thread busy.
//
// One routine at a time is in the slot. Filling it puts the new routine in and sets the one
// it displaces aside; releasing the routine in the slot brings back the one set aside last.
// So a routine is silent only while another one holds the slot, and never lost: whoever
// fills the slot gets its turn as soon as the routines filled after it are released.
#pragma once

#include <functional>

namespace prismcrate::idle_slot {

using Routine = std::function<void()>;

// Puts `routine` in the slot; the routine that was there waits until this one is
// released. `owner` identifies the routine for release() and owner(); an owner has at most
// one routine, in the slot or waiting, and filling again replaces it. Needs a
// QCoreApplication to be driven by the event loop.
void fill(const void* owner, Routine routine);

// Takes the owner's routine out, whether it is in the slot or waiting. When it was in the
// slot, the routine set aside last takes its place.
void release(const void* owner);

// Empties the slot and drops every waiting routine.
void clear();

bool isFilled();
// The owner of the routine in the slot, or null.
const void* owner();

// Runs the routine in the slot once, as one idle pass of the event loop does. An
// exception escaping the routine is shown in the application's error box; while that
// box is open, further idle passes do not run the routine, so a routine that keeps
// failing cannot stack error boxes on top of each other. Returns false when the slot
// is empty.
bool runOnce();

}  // namespace prismcrate::idle_slot
