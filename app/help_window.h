// "Как играть": every object of the field with its picture from the sprite sheets and a
// line on what it does, the keys, and a paragraph on the editor. One window for the whole
// run, shown without blocking the game so that it can stay open while the player plays.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPushButton>
#include <vector>

namespace prismcrate {

class TDXImageList;

// One line of the object list: the picture is pattern `pattern` of sheet `sheet` drawn
// over floor pattern `under` of "tiles1" (or alone when `under` is negative).
struct HelpObject {
    int sheet;
    int pattern;
    int under;
    const char* name;
    const char* text;
};

const std::vector<HelpObject>& helpObjects();

// The picture of one object from the image list's sheets, `scale` times the pattern's
// size: the floor pattern, then the pattern with the sheet's key colour left out. Empty
// when a sheet has no such pattern.
QImage helpPicture(TDXImageList& images, const HelpObject& object, int scale = 2);

class THelpForm : public QDialog {
    Q_OBJECT
  public:
    THelpForm(TDXImageList& images, QWidget* parent = nullptr);

    QPushButton* CloseButton = nullptr;

    // Shows the window, or brings it to the front when it is showing.
    void showHelp();
};

}  // namespace prismcrate
