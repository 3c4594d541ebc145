#include "media/field_canvas.h"

#include "media/dx_sound.h"
#include "media/dxdraw.h"
#include "media/dximagelist.h"

namespace prismcrate {

void TDXFieldCanvas::drawPattern(int sheet, int pattern, int x, int y) {
    sheets_.Items[sheet].Draw(display_.Surface(), x, y, pattern);
}

void TDXFieldCanvas::present() {
    display_.Flip();
}

void TDXWaveCues::playCue(int cue, bool wait) {
    waves_.Items[cue].Play(wait);
}

void TDXWaveCues::stopCue(int cue) {
    waves_.Items[cue].Stop();
}

}  // namespace prismcrate
