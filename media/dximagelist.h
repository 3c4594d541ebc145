// The image list: sprite sheets cut into numbered patterns and drawn onto a display
// surface. A sheet's patterns live on block surfaces of the display's device; they are
// built when the display is initialised or restored and freed when it is finalised.
#pragma once

#include <QObject>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "media/colors.h"
#include "media/dib.h"
#include "media/dxdraw.h"
#include "platform/error.h"

namespace prismcrate {

class EPictureCollectionError : public Error {
  public:
    using Error::Error;
};

class TDXImageList;
class TPictureCollection;

// One pattern: its source rectangle on the block surface that holds it.
struct TPictureCollectionItemPattern {
    soft2d::Rect FRect;
    TDirectDrawSurface* FSurface = nullptr;
    // False when no pixel of the rectangle has the key colour: the pattern is then copied
    // without the per-pixel key test, which gives the same pixels faster.
    bool FHasKeyPixels = true;
};

// One sheet.
class TPictureCollectionItem {
  public:
    explicit TPictureCollectionItem(TPictureCollection& collection);
    ~TPictureCollectionItem();
    TPictureCollectionItem(const TPictureCollectionItem&) = delete;
    TPictureCollectionItem& operator=(const TPictureCollectionItem&) = delete;

    // Properties. Changes to the picture and the pattern geometry take effect at the next
    // Restore.
    std::string Name;
    TDIB Picture;
    int PatternWidth = 0;
    int PatternHeight = 0;
    int SkipWidth = 0;
    int SkipHeight = 0;
    bool SystemMemory = false;
    bool Transparent = true;
    TColor TransparentColor() const { return transparentColor_; }
    // Re-keys the blocks of a ready item at once.
    void SetTransparentColor(TColor color);

    // Derived geometry.
    int PW() const;
    int PH() const;
    int CW() const { return PW() + SkipWidth; }
    int CH() const { return PH() + SkipHeight; }
    int Columns() const;
    int Rows() const;
    int PatternCount() const;

    TPictureCollection& Collection() const { return collection_; }
    bool Initialized() const { return initialized_; }
    const std::vector<TPictureCollectionItemPattern>& Patterns() const { return patterns_; }
    int BlockCount() const { return int(blocks_.size()); }
    const TDirectDrawSurface& Block(int i) const { return *blocks_.at(std::size_t(i)); }

    void Initialize();
    void Finalize();
    void Restore();

    // Draws pattern `patternIndex` with its top-left corner at (x, y) of dest. Draws
    // nothing, silently, when the item is not ready, the number is out of range or the
    // pattern falls wholly outside dest.
    void Draw(TDirectDrawSurface& dest, int x, int y, int patternIndex);

  private:
    void discardPatterns();
    void buildPatterns();
    void findKeyPixels();
    TDirectDrawSurface* makeBlock(int left, int top, int width, int height);

    // PatternCount for the geometry it was last worked out for; Draw asks for it every
    // time, and the geometry rarely changes.
    struct CountMemo {
        int width = 0, height = 0, patternWidth = 0, patternHeight = 0;
        int skipWidth = 0, skipHeight = 0, count = 0;
        bool valid = false;
    };
    mutable CountMemo countMemo_;

    TPictureCollection& collection_;
    TColor transparentColor_ = clBlack;
    bool initialized_ = false;
    std::vector<TPictureCollectionItemPattern> patterns_;
    std::vector<std::unique_ptr<TDirectDrawSurface>> blocks_;
};

class TPictureCollection {
  public:
    explicit TPictureCollection(TDXImageList& owner) : owner_(owner) {}
    TPictureCollection(const TPictureCollection&) = delete;
    TPictureCollection& operator=(const TPictureCollection&) = delete;

    TPictureCollectionItem& Add();
    int Count() const { return int(items_.size()); }
    // "List index out of bounds (%d)" for an index outside the collection.
    TPictureCollectionItem& Items(int index);
    TPictureCollectionItem& operator[](int index) { return Items(index); }
    // The item of that name, or nullptr.
    TPictureCollectionItem* Find(const std::string& name);

    // The display of the owning image list; nullptr when it has none.
    TCustomDXDraw* DXDraw() const;

    void Initialize(TCustomDXDraw& dxdraw);
    void Finalize();
    void Restore();

  private:
    TDXImageList& owner_;
    std::vector<std::unique_ptr<TPictureCollectionItem>> items_;
};

class TDXImageList : public QObject {
    Q_OBJECT
  public:
    explicit TDXImageList(QObject* owner = nullptr);
    ~TDXImageList() override;

    TCustomDXDraw* DXDraw() const { return dxdraw_.data(); }
    // Binds the list to a display for its notifications; nullptr unbinds it.
    void SetDXDraw(TCustomDXDraw* dxdraw);

    TPictureCollection Items{*this};

  private:
    void DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type);

    QPointer<TCustomDXDraw> dxdraw_;
};

}  // namespace prismcrate
