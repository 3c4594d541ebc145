// The field's canvas and cue player over the main window's components: patterns of the
// image list's sheets drawn straight onto the display's back surface, presented with
// Flip; cues played from the wave list.
#pragma once

#include "game/ports.h"

namespace prismcrate {

class TDXDraw;
class TDXImageList;
class TDXWaveList;

class TDXFieldCanvas final : public FieldCanvas {
  public:
    // `sheets` holds "tiles1" (item 0) and "tiles2" (item 1); both outlive the canvas.
    TDXFieldCanvas(TDXImageList& sheets, TDXDraw& display) : sheets_(sheets), display_(display) {}

    // An index outside the image list throws EListError; before the display has started,
    // nothing is drawn or shown.
    void drawPattern(int sheet, int pattern, int x, int y) override;
    void present() override;

  private:
    TDXImageList& sheets_;
    TDXDraw& display_;
};

class TDXWaveCues final : public CuePlayer {
  public:
    explicit TDXWaveCues(TDXWaveList& waves) : waves_(waves) {}

    // A cue outside the wave list throws EListError.
    void playCue(int cue, bool wait) override;
    void stopCue(int cue) override;

  private:
    TDXWaveList& waves_;
};

}  // namespace prismcrate
