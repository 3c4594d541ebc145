// The field drawn through the real display control and image list, with the sprite sheets
// read from the asset files, into a 480 by 480 back surface: the main window's canvas
// without the window. Cues and the blast timer are recorded; the nested field pass is the
// real one.
#pragma once

#include <QApplication>
#include <QWidget>
#include <string>
#include <vector>

#include "field/field.h"
#include "media/dxdraw.h"
#include "media/dximagelist.h"
#include "media/field_canvas.h"

namespace prismcrate::testing {

// The one QApplication of a test or benchmark binary (offscreen in tests).
inline QApplication& sheetFieldApp() {
    static int argc = 1;
    static char name[] = "field";
    static char* argv[] = {name, nullptr};
    static QApplication* instance = new QApplication(argc, argv);
    return *instance;
}

class SheetField : public FieldHooks {
  public:
    SheetField(Board& board, const std::string& assetDir) : board_(board) {
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

    TDXFieldCanvas& canvas() { return canvas_; }
    TDXDraw& dxdraw() { return *dxdraw_; }
    TDirectDrawSurface& backSurface() { return dxdraw_->Surface(); }
    const DibImage& sheet(int index) { return list_.Items[index].Picture.Image(); }

    std::vector<int> played;
    int wins = 0;
    bool timerEnabled = false;

    void playCue(int cue) override { played.push_back(cue); }
    bool blastTimerEnabled() override { return timerEnabled; }
    void enableBlastTimer() override { timerEnabled = true; }
    void nestedPass() override { showpole(board_, *this, canvas_); }
    void levelSolved() override { ++wins; }

  private:
    Board& board_;
    QApplication& app_ = sheetFieldApp();  // before any widget
    QWidget form_;
    TDXDraw* dxdraw_ = new TDXDraw(&form_);  // owned by form_
    TDXImageList list_;
    TDXFieldCanvas canvas_{list_, *dxdraw_};
};

}  // namespace prismcrate::testing
