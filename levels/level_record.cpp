#include "levels/level_record.h"

#include <algorithm>

namespace prismcrate {
namespace {

// Cells in file order: rows outer, columns inner.
template <typename F>
void forEachCellInFileOrder(F&& f) {
    for (int y = 0; y < kFieldSize; ++y)
        for (int x = 0; x < kFieldSize; ++x) f(cellIndex(x, y));
}

void writeChunk(std::uint8_t value, int cells, std::vector<std::uint8_t>& out) {
    // A value equal to the run marker can only be carried by a run item; it never occurs
    // on a board the program builds, but a damaged file can put one there.
    if (cells == 1 && value != kRunMarker) {
        out.push_back(value);
    } else {
        out.push_back(kRunMarker);
        out.push_back(static_cast<std::uint8_t>(cells - 1));
        out.push_back(value);
    }
}

}  // namespace

void encodeLayer(const Layer& layer, std::vector<std::uint8_t>& out) {
    std::array<std::uint8_t, kCellCount> stream{};
    int n = 0;
    forEachCellInFileOrder([&](int i) { stream[n++] = layer[i]; });

    int start = 0;
    while (start < kCellCount) {
        int end = start + 1;
        while (end < kCellCount && stream[end] == stream[start]) ++end;
        for (int left = end - start; left > 0;) {
            const int chunk = std::min(left, kMaxRunChunk);
            writeChunk(stream[start], chunk, out);
            left -= chunk;
        }
        start = end;
    }
}

std::vector<std::uint8_t> encodeLevelRecord(const LevelRecord& level) {
    std::vector<std::uint8_t> out;
    out.reserve(64 + level.title.size());
    const auto magic = static_cast<std::uint32_t>(kLevelMagic);
    for (int shift = 0; shift < 32; shift += 8) out.push_back((magic >> shift) & 0xFF);
    const std::size_t n = std::min(level.title.size(), kMaxTitleBytes);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), level.title.begin(), level.title.begin() + n);
    encodeLayer(level.objectLayer, out);
    encodeLayer(level.floorLayer, out);
    out.push_back(level.playerX);
    out.push_back(level.playerY);
    return out;
}

void decodeLayer(ByteReader& in, Layer& layer) {
    int pending = 0;
    std::uint8_t value = 0;
    forEachCellInFileOrder([&](int cell) {
        if (pending == 0) {
            std::uint8_t item = 0;
            if (!in.read(item)) return;  // past the end: the cell keeps its value
            if (item == kRunMarker) {
                std::uint8_t count = 0;
                std::uint8_t runValue = 0;
                if (!in.read(count) || !in.read(runValue)) return;
                pending = count + 1;
                value = runValue;
            } else {
                layer[cell] = item;
            }
        }
        if (pending != 0) {
            layer[cell] = value;
            --pending;
        }
    });
}

RecordRead readLevelRecord(std::span<const std::uint8_t> bytes, std::size_t offset,
                           LevelRecord& level) {
    RecordRead result;
    ByteReader in(bytes, std::min(offset, bytes.size()));

    std::uint32_t magic = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint8_t b = 0;
        if (!in.read(b)) {
            result.truncated = true;
            result.end = in.position();
            return result;
        }
        magic |= std::uint32_t{b} << shift;
    }
    if (magic != static_cast<std::uint32_t>(kLevelMagic)) {
        result.end = in.position();
        return result;
    }

    LevelRecord next = level;
    std::uint8_t titleLength = 0;
    if (in.read(titleLength)) {
        next.title.clear();
        for (int i = 0; i < titleLength; ++i) {
            std::uint8_t c = 0;
            if (!in.read(c)) break;
            next.title += static_cast<char>(c);
        }
    }
    decodeLayer(in, next.objectLayer);
    decodeLayer(in, next.floorLayer);
    in.read(next.playerX);
    in.read(next.playerY);

    result.truncated = in.overran();
    result.end = in.position();
    if (!onField(next.playerX, next.playerY)) {
        result.status = RecordStatus::RobotOffField;
        return result;
    }
    level = std::move(next);
    result.status = RecordStatus::Loaded;
    return result;
}

LevelRecord recordFromBoard(const Board& board, std::string title) {
    LevelRecord level;
    level.title = std::move(title);
    level.objectLayer = board.objectLayer;
    level.floorLayer = board.floorLayer;
    level.playerX = board.playerX;
    level.playerY = board.playerY;
    return level;
}

void putRecordOnBoard(const LevelRecord& level, Board& board) {
    board.objectLayer = level.objectLayer;
    board.floorLayer = level.floorLayer;
    board.playerX = level.playerX;
    board.playerY = level.playerY;
}

}  // namespace prismcrate
