// A Host that draws through the real display control and image list, with the sprite
// sheets read from the asset files, into a 480 by 480 back surface. Cues and the blast
// timer are recorded; the nested field pass is the real one.
#pragma once

#include <QApplication>
#include <QWidget>
#include <string>
#include <vector>

#include "field/field.h"
#include "media/dxdraw.h"
#include "media/dximagelist.h"

namespace prismcrate::testing {

// The one QApplication of a test or benchmark binary (offscreen in tests).
inline QApplication& sheetHostApp() {
    static int argc = 1;
    static char name[] = "field";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

class SheetHost : public Host {
  public:
    SheetHost(Board& board, const std::string& assetDir) : board_(board) {
        dxdraw_ = new TDXDraw(&form_);
        dxdraw_->AutoInitialize = false;
        dxdraw_->SetAutoSize(false);
        dxdraw_->SetSurfaceSize(kFieldSize * cellSize, kFieldSize * cellSize);
        dxdraw_->resize(kFieldSize * cellSize, kFieldSize * cellSize);
        list_.SetDXDraw(dxdraw_);
        for (const char* name : {"tiles1", "tiles2"}) {
            TPictureCollectionItem& item = list_.Items.Add();
            item.Name = name;
            item.Picture.LoadFromFile(assetDir + "/" + name + ".bmp");
            item.PatternWidth = cellSize;
            item.SetTransparentColor(clPurple);
        }
        dxdraw_->Initialize();
    }

    TDXDraw& dxdraw() { return *dxdraw_; }
    TDirectDrawSurface& backSurface() { return dxdraw_->Surface(); }
    const DibImage& sheet(int index) { return list_.Items[index].Picture.Image(); }

    std::vector<int> played;
    int flips = 0;
    int wins = 0;
    bool timerEnabled = false;

    void drawPattern(int sheet, int pattern, int x, int y) override {
        list_.Items[sheet].Draw(dxdraw_->Surface(), x, y, pattern);
    }
    void flip() override {
        ++flips;
        dxdraw_->Flip();
    }
    void playCue(int cue, bool) override { played.push_back(cue); }
    void stopCue(int) override {}
    bool blastTimerEnabled() override { return timerEnabled; }
    void enableBlastTimer() override { timerEnabled = true; }
    void showpole() override { prismcrate::showpole(board_, *this); }
    void winSequence() override { ++wins; }
    void setUndoEnabled(bool) override {}
    void closeMainWindow() override {}

  private:
    Board& board_;
    QApplication& app_ = sheetHostApp();  // before any widget
    QWidget form_;
    TDXDraw* dxdraw_;  // owned by form_
    TDXImageList list_;
};

}  // namespace prismcrate::testing
