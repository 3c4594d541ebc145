#include "media/dximagelist.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace prismcrate {
namespace {

// Blocks are cut no larger than the smallest multiple of the cell size that reaches this.
constexpr std::int64_t kBlockReach = 512;

std::int64_t roundUpTo(std::int64_t value, std::int64_t step) {
    return (value + step - 1) / step * step;
}

}  // namespace

// TPictureCollectionItem.

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection& collection)
    : collection_(collection) {}

TPictureCollectionItem::~TPictureCollectionItem() {
    discardPatterns();
}

int TPictureCollectionItem::PW() const {
    return PatternWidth > 0 ? PatternWidth : Picture.Width();
}

int TPictureCollectionItem::PH() const {
    return PatternHeight > 0 ? PatternHeight : Picture.Height();
}

int TPictureCollectionItem::Columns() const {
    const std::int64_t cw = std::int64_t(PW()) + SkipWidth;
    if (cw <= 0) return 0;
    return int(std::max<std::int64_t>((std::int64_t(Picture.Width()) + SkipWidth) / cw, 0));
}

int TPictureCollectionItem::Rows() const {
    const std::int64_t ch = std::int64_t(PH()) + SkipHeight;
    if (ch <= 0) return 0;
    return int(std::max<std::int64_t>((std::int64_t(Picture.Height()) + SkipHeight) / ch, 0));
}

int TPictureCollectionItem::PatternCount() const {
    CountMemo& m = countMemo_;
    if (!m.valid || m.width != Picture.Width() || m.height != Picture.Height() ||
        m.patternWidth != PatternWidth || m.patternHeight != PatternHeight ||
        m.skipWidth != SkipWidth || m.skipHeight != SkipHeight) {
        m.width = Picture.Width();
        m.height = Picture.Height();
        m.patternWidth = PatternWidth;
        m.patternHeight = PatternHeight;
        m.skipWidth = SkipWidth;
        m.skipHeight = SkipHeight;
        m.valid = true;
        m.count = int(std::min<std::int64_t>(std::int64_t(Columns()) * Rows(), INT32_MAX));
    }
    return m.count;
}

void TPictureCollectionItem::SetTransparentColor(TColor color) {
    transparentColor_ = color;
    for (auto& block : blocks_) block->SetTransparentColor(color);
    findKeyPixels();
}

void TPictureCollectionItem::findKeyPixels() {
    for (TPictureCollectionItemPattern& pattern : patterns_) {
        const soft2d::Surface* block = pattern.FSurface->ISurface();
        const std::uint32_t key = pattern.FSurface->ColorMatch(transparentColor_);
        const int right = std::min(pattern.FRect.right, block->width());
        const int bottom = std::min(pattern.FRect.bottom, block->height());
        bool found = false;
        for (int y = std::max(pattern.FRect.top, 0); y < bottom && !found; ++y) {
            const std::uint32_t* line = block->line(y);
            for (int x = std::max(pattern.FRect.left, 0); x < right && !found; ++x)
                found = line[x] == key;
        }
        pattern.FHasKeyPixels = found;
    }
}

void TPictureCollectionItem::discardPatterns() {
    patterns_.clear();
    blocks_.clear();
}

void TPictureCollectionItem::Initialize() {
    Finalize();
    initialized_ = true;
}

void TPictureCollectionItem::Finalize() {
    discardPatterns();
    initialized_ = false;
}

TDirectDrawSurface* TPictureCollectionItem::makeBlock(int left, int top, int width, int height) {
    TCustomDXDraw* dxdraw = collection_.DXDraw();
    soft2d::Device* device = dxdraw ? dxdraw->DDraw() : nullptr;
    std::unique_ptr<soft2d::Surface> surface;
    if (device) {
        const soft2d::Memory memory =
            SystemMemory ? soft2d::Memory::System : soft2d::Memory::Display;
        surface = device->createSurface(width, height, memory);
        if (!surface && memory == soft2d::Memory::Display)
            surface = device->createSurface(width, height, soft2d::Memory::System);
    }
    if (!surface) throw EDirectDrawSurfaceError("Surface cannot be made");

    // The part of the picture the block covers, 1:1.
    const int copyWidth = std::max(0, std::min(width, Picture.Width() - left));
    const int copyHeight = std::max(0, std::min(height, Picture.Height() - top));
    for (int y = 0; y < copyHeight; ++y)
        std::memcpy(surface->line(y), Picture.ScanLine(top + y) + left,
                    std::size_t(copyWidth) * sizeof(std::uint32_t));

    auto block = std::make_unique<TDirectDrawSurface>(std::move(surface));
    // A 32-bit surface stores every colour exactly, so the key is the colour's own pixel
    // value: it matches the sheet pixels of that colour and nothing else.
    block->SetTransparentColor(transparentColor_);
    blocks_.push_back(std::move(block));
    return blocks_.back().get();
}

void TPictureCollectionItem::Restore() {
    buildPatterns();
    findKeyPixels();
}

void TPictureCollectionItem::buildPatterns() {
    if (Picture.Empty()) return;
    if (!initialized_) {
        TCustomDXDraw* dxdraw = collection_.DXDraw();
        if (dxdraw && dxdraw->Initialized()) Initialize();
        if (!initialized_) return;
    }
    discardPatterns();

    const int width = Picture.Width();
    const int height = Picture.Height();
    const int pw = PW();
    const int ph = PH();
    if (pw == width && ph == height) {
        TDirectDrawSurface* block = makeBlock(0, 0, width, height);
        patterns_.push_back({{0, 0, width, height}, block});
        return;
    }

    const std::int64_t cw = CW();
    const std::int64_t ch = CH();
    const int columns = Columns();
    const int rows = Rows();
    if (columns <= 0 || rows <= 0) return;

    if (SystemMemory) {
        TDirectDrawSurface* block = makeBlock(0, 0, width, height);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                const int left = int(c * cw);
                const int top = int(r * ch);
                patterns_.push_back({{left, top, left + pw, top + ph}, block});
            }
        }
        return;
    }

    // Cut the picture into blocks no larger than needed, each a whole number of cells.
    const std::int64_t bw = std::min(roundUpTo(kBlockReach, cw), cw * columns);
    const std::int64_t bh = std::min(roundUpTo(kBlockReach, ch), ch * rows);
    if (bw <= 0 || bh <= 0) return;
    const std::int64_t across = (width + bw - 1) / bw;
    const std::int64_t down = (height + bh - 1) / bh;
    std::vector<TDirectDrawSurface*> blocks;
    for (std::int64_t j = 0; j < down; ++j) {
        for (std::int64_t i = 0; i < across; ++i) {
            const std::int64_t left = i * bw;
            const std::int64_t top = j * bh;
            const std::int64_t blockWidth = width - left > 0 ? std::min(bw, width - left) : bw;
            const std::int64_t blockHeight = height - top > 0 ? std::min(bh, height - top) : bh;
            blocks.push_back(makeBlock(int(left), int(top), int(blockWidth), int(blockHeight)));
        }
    }
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const std::int64_t x = c * cw;
            const std::int64_t y = r * ch;
            const std::size_t index = std::size_t(x / bw + across * (y / bh));
            const int left = int(x % bw);
            const int top = int(y % bh);
            patterns_.push_back({{left, top, left + pw, top + ph}, blocks.at(index)});
        }
    }
}

void TPictureCollectionItem::Draw(TDirectDrawSurface& dest, int x, int y, int patternIndex) {
    if (!initialized_ || patternIndex < 0 || patternIndex >= PatternCount() ||
        std::size_t(patternIndex) >= patterns_.size())
        return;
    const TPictureCollectionItemPattern& pattern = patterns_[std::size_t(patternIndex)];
    const TDirectDrawSurface& block = *pattern.FSurface;

    // Source S on the block, destination D on dest; 64-bit so no position can overflow.
    std::int64_t sLeft = pattern.FRect.left, sTop = pattern.FRect.top;
    std::int64_t sRight = pattern.FRect.right, sBottom = pattern.FRect.bottom;
    std::int64_t dLeft = x, dTop = y;
    std::int64_t dRight = dLeft + (sRight - sLeft), dBottom = dTop + (sBottom - sTop);
    const std::int64_t destWidth = dest.Width(), destHeight = dest.Height();
    const std::int64_t blockWidth = block.Width(), blockHeight = block.Height();

    if (x > destWidth || y > destHeight) return;
    // Clip against dest's left and top, then the block's, then the far edges of each,
    // moving the matching edge of the other rectangle by the same amount.
    if (dLeft < 0) {
        sLeft -= dLeft;
        dLeft = 0;
    }
    if (dTop < 0) {
        sTop -= dTop;
        dTop = 0;
    }
    if (sLeft < 0) {
        dLeft -= sLeft;
        sLeft = 0;
    }
    if (sTop < 0) {
        dTop -= sTop;
        sTop = 0;
    }
    if (dRight > destWidth) {
        sRight -= dRight - destWidth;
        dRight = destWidth;
    }
    if (dBottom > destHeight) {
        sBottom -= dBottom - destHeight;
        dBottom = destHeight;
    }
    if (sRight > blockWidth) {
        dRight -= sRight - blockWidth;
        sRight = blockWidth;
    }
    if (sBottom > blockHeight) {
        dBottom -= sBottom - blockHeight;
        sBottom = blockHeight;
    }
    if (dLeft >= dRight || dTop >= dBottom || sLeft >= sRight || sTop >= sBottom) return;

    const soft2d::Rect s{int(sLeft), int(sTop), int(sRight), int(sBottom)};
    const soft2d::Rect d{int(dLeft), int(dTop), int(dRight), int(dBottom)};
    // The fast copy first; a destination with a clipper refuses it, and from then on that
    // destination always takes the general copy.
    const bool keyed = Transparent && pattern.FHasKeyPixels;
    if (!dest.UseGeneralCopy) {
        if (dest.BltFast(d.left, d.top, block, s, keyed) != soft2d::Result::ClipperAttached) return;
        dest.UseGeneralCopy = true;
    }
    dest.Blt(d, block, s, keyed);
}

// TPictureCollection.

TPictureCollectionItem& TPictureCollection::Add() {
    items_.push_back(std::make_unique<TPictureCollectionItem>(*this));
    return *items_.back();
}

TPictureCollectionItem& TPictureCollection::Items(int index) {
    if (index < 0 || index >= Count()) throw EListError(index);
    return *items_[std::size_t(index)];
}

TPictureCollectionItem* TPictureCollection::Find(const std::string& name) {
    for (auto& item : items_)
        if (item->Name == name) return item.get();
    return nullptr;
}

TCustomDXDraw* TPictureCollection::DXDraw() const {
    return owner_.DXDraw();
}

void TPictureCollection::Initialize(TCustomDXDraw& dxdraw) {
    if (!dxdraw.Initialized())
        throw EPictureCollectionError("TPictureCollection cannot be initialized");
    for (auto& item : items_) item->Initialize();
}

void TPictureCollection::Finalize() {
    for (auto& item : items_) item->Finalize();
}

void TPictureCollection::Restore() {
    for (auto& item : items_) item->Restore();
}

// TDXImageList.

TDXImageList::TDXImageList(QObject* owner) : QObject(owner) {}

TDXImageList::~TDXImageList() {
    SetDXDraw(nullptr);
}

void TDXImageList::SetDXDraw(TCustomDXDraw* dxdraw) {
    if (dxdraw_ == dxdraw) return;
    if (dxdraw_) {
        dxdraw_->UnRegisterNotifyEvent(this);
        // The blocks belong to the old display's device.
        Items.Finalize();
    }
    dxdraw_ = dxdraw;
    if (dxdraw_) {
        dxdraw_->RegisterNotifyEvent(this, [this](TCustomDXDraw& sender, TDXDrawNotifyType type) {
            DXDrawNotifyEvent(sender, type);
        });
    }
}

void TDXImageList::DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type) {
    switch (type) {
        case dxntDestroying:
            Items.Finalize();
            dxdraw_ = nullptr;
            break;
        case dxntInitialize:
            Items.Initialize(sender);
            break;
        case dxntRestore:
            Items.Restore();
            break;
        case dxntFinalize:
            Items.Finalize();
            break;
        default:
            break;
    }
}

}  // namespace prismcrate
