// One game: the board with its snapshots, the pending blast redraw, the win guard,
// restart and the hand-off on a win. One call runs everything a key press causes, up to
// the point where the field is at rest, and says what happened.
//
// The main window attaches a canvas, a cue player and its flow (the real blast redraw
// timer, the level set, the mode switch). Without them the session is headless: nothing
// is drawn or heard, a pending blast redraw is served at once, as if the next key came
// more than 100 ms later, and a solved level simply stays solved. The level tool, the
// tests and the solver drive headless sessions.
#pragma once

#include <array>
#include <cstdint>

#include "field/field.h"
#include "game/board.h"
#include "game/flow.h"
#include "game/ports.h"

namespace prismcrate {

// What one call did.
struct StepResult {
    bool handled = false;         // the key reached the move rules
    bool closeRequested = false;  // Escape in game mode: the window should close
    bool moved = false;           // the robot's cell changed
    bool pushed = false;          // an object moved one cell ahead of the robot
    bool refused = false;         // the step was blocked; the robot did not even turn
    bool destroyed = false;       // the robot was destroyed during the call
    bool solved = false;          // a win test found the level solved and the win ran
    bool boardChanged = false;    // the layers or the robot's cell, facing or pose differ
    int passes = 0;               // field passes run
    std::array<std::uint8_t, kCueCount> cues{};  // times each cue played (saturating)
};

// What the main window adds to a session.
class SessionFlow {
  public:
    virtual ~SessionFlow() = default;
    // The 100 ms one-shot timer (DXTimer1) whose tick calls serveBlastRedraw().
    virtual bool blastTimerEnabled() = 0;
    virtual void setBlastTimerEnabled(bool enabled) = 0;
    // "Отменить ход" enabled or disabled.
    virtual void setUndoEnabled(bool enabled) = 0;
    // The win hand-off, after "win" has played to its end. After a test run the start
    // snapshot is back on the board and the editor must take over; otherwise the next
    // level of the set (the first after the last) must be loaded and its number shown.
    virtual void returnToEditor() = 0;
    virtual void advanceToNextLevel() = 0;
    // Restart outside a test run: the current level read again from its set and played.
    virtual void reloadLevel() = 0;
};

class Session final : private FieldHooks {
  public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The one game state.
    Board board;

    // Attaches the window's outputs; null pointers make the session headless again.
    void attach(FieldCanvas* canvas, CuePlayer* cues, SessionFlow* flow);

    // Plays the level now on the board: game mode, one field pass (and, headless, the
    // blast redraw it asks for). A headless session also remembers the level for
    // restart().
    StepResult startLevel();

    // One key press (a virtual-key code) with everything it causes.
    StepResult key(int key);

    // One field pass, as every change of the board ends with.
    StepResult showpole();

    // The blast redraw timer's tick: one more field pass, then the timer stops. A death
    // that this pass finds gets its wreck drawn by one further pass at once.
    StepResult serveBlastRedraw();

    // "Отменить ход": the object layer, the robot's cell, facing and pose come back from
    // the undo snapshot and the robot lives again; the floor stays as it is.
    StepResult undo();
    // "Новая": the level from its start (the start snapshot during a test run, the set
    // file otherwise; a headless session its remembered level).
    StepResult restart();

    // Whether "Отменить ход" may be used now.
    bool undoAvailable() const { return undoAvailable_; }
    void setUndoAvailable(bool available);

    // Whether a blast redraw is pending.
    bool blastRedrawPending();

    WinGuard& winGuard() { return winGuard_; }

  private:
    // FieldHooks: what a pass asks of the session.
    void playCue(int cue) override;
    bool blastTimerEnabled() override { return blastRedrawPending(); }
    void enableBlastTimer() override;
    void nestedPass() override;
    void levelSolved() override;

    void pass();
    void setBlastTimer(bool enabled);
    void countCue(int cue);
    // Runs `body` as one call: collects what it did into the result the outermost call
    // returns. Calls made from inside (a pass on a win that loads the next level)
    // report into the same result.
    template <class Body>
    StepResult run(Body&& body);
    void settleHeadless();

    FieldCanvas* canvas_ = nullptr;
    CuePlayer* cuePlayer_ = nullptr;
    SessionFlow* flow_ = nullptr;

    bool headlessTimer_ = false;
    bool undoAvailable_ = false;
    WinGuard winGuard_;

    // The level as started, for a headless restart.
    Layer levelObjects_{};
    Layer levelFloor_{};
    std::uint8_t levelX_ = 0;
    std::uint8_t levelY_ = 0;

    StepResult* current_ = nullptr;
};

}  // namespace prismcrate
