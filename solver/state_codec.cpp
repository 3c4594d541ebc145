#include "solver/state_codec.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "game/layer_scan.h"

namespace prismcrate::solver {
namespace {

// Bits that hold the numbers 0 .. n-1.
int bitsFor(std::size_t n) {
    int bits = 0;
    while ((std::size_t{1} << bits) < n) ++bits;
    return bits;
}

class BitWriter {
  public:
    BitWriter(std::uint64_t* out, int words) : out_(out) { std::fill(out, out + words, 0); }
    void put(std::uint64_t value, int bits) {
        if (bits == 0) return;
        const int word = at_ / 64;
        const int shift = at_ % 64;
        out_[word] |= value << shift;
        if (shift + bits > 64) out_[word + 1] |= value >> (64 - shift);
        at_ += bits;
    }

  private:
    std::uint64_t* out_;
    int at_ = 0;
};

class BitReader {
  public:
    explicit BitReader(const std::uint64_t* in) : in_(in) {}
    unsigned get(int bits) {
        if (bits == 0) return 0;
        const int word = at_ / 64;
        const int shift = at_ % 64;
        std::uint64_t value = in_[word] >> shift;
        if (shift + bits > 64) value |= in_[word + 1] << (64 - shift);
        at_ += bits;
        return static_cast<unsigned>(value & ((std::uint64_t{1} << bits) - 1));
    }

  private:
    const std::uint64_t* in_;
    int at_ = 0;
};

[[noreturn]] void outsideTheMap(const char* what) {
    throw std::logic_error(std::string("solver: a position holds ") + what +
                           " that the relaxed map ruled out");
}

constexpr std::uint8_t kMovableCodes[] = {kCrate, kRock, kMirrorFalling, kMirrorRising, kBomb};

}  // namespace

StateCodec::StateCodec(const Board& start, const RelaxedMap& map) {
    const Layer& objects = start.objectLayer;
    const Layer& floors = start.floorLayer;

    robotIndex_.assign(kCellCount, -1);
    for (int cell = 0; cell < kCellCount; ++cell) {
        if (!map.walkable[cell]) continue;
        robotIndex_[cell] = static_cast<std::int16_t>(robotCells_.size());
        robotCells_.push_back(static_cast<std::uint16_t>(cell));
    }
    robotBits_ = bitsFor(robotCells_.size());
    free_ = map.free;
    std::vector<std::uint16_t> freeCells;
    for (int cell = 0; cell < kCellCount; ++cell)
        if (map.free[cell]) freeCells.push_back(static_cast<std::uint16_t>(cell));

    std::fill(std::begin(groupOfCode_), std::end(groupOfCode_), std::int8_t{-1});
    int totalBits = robotBits_;
    for (const std::uint8_t code : kMovableCodes) {
        Group group;
        group.code = code;
        group.most = static_cast<int>(std::count(objects.begin(), objects.end(), code));
        if (group.most == 0) continue;
        group.index.assign(kCellCount, -1);
        for (const std::uint16_t cell : freeCells) {
            // A crate where no push brings it onto a target ends the line at once.
            if (code == kCrate && map.crateDistance[cell] == kUnreachable) continue;
            group.index[cell] = static_cast<std::int16_t>(group.cells.size());
            group.cells.push_back(cell);
        }
        group.countBits = code == kCrate ? 0 : bitsFor(static_cast<std::size_t>(group.most) + 1);
        group.cellBits = bitsFor(group.cells.size());
        totalBits += group.countBits + group.most * group.cellBits;
        groupOfCode_[code] = static_cast<std::int8_t>(groups_.size());
        groups_.push_back(std::move(group));
    }

    // Each cell's own content: its object when no movable object stands on it, and its
    // floor. A floor changes only by the plate pass (2 and 3) and the gate pass (4 where a
    // gate opens, 0 where it closes); an object other than a movable one changes only when
    // a gate opens or closes or a blast clears it.
    for (int cell = 0; cell < kCellCount; ++cell) {
        const std::uint8_t object = objects[cell];
        const std::uint8_t floor = floors[cell];
        std::vector<std::uint8_t> baseObjects;
        const std::uint8_t base =
            (object == kEmpty || isPushable(object)) ? std::uint8_t{kEmpty} : object;
        baseObjects.push_back(base);
        if (map.gate[cell]) {
            baseObjects.push_back(kEmpty);
            baseObjects.push_back(kGateClosed);
        } else if (base != kEmpty && map.blastable[cell] && !survivesBlast(base)) {
            baseObjects.push_back(kEmpty);
        }
        std::vector<std::uint8_t> cellFloors = {floor};
        if (floor == kPlateReleased || floor == kPlatePressed) {
            cellFloors = {kPlateReleased, kPlatePressed};
        }
        if (map.gate[cell]) {
            cellFloors.push_back(kGateOpen);
            cellFloors.push_back(kFloorPlain);
        }
        std::sort(baseObjects.begin(), baseObjects.end());
        baseObjects.erase(std::unique(baseObjects.begin(), baseObjects.end()), baseObjects.end());
        std::sort(cellFloors.begin(), cellFloors.end());
        cellFloors.erase(std::unique(cellFloors.begin(), cellFloors.end()), cellFloors.end());

        templateObjects_[cell] = map.free[cell] ? std::uint8_t{kEmpty} : object;
        templateFloors_[cell] = floor;
        const std::size_t pairs = baseObjects.size() * cellFloors.size();
        if (pairs == 1) {
            templateObjects_[cell] = baseObjects[0];
            continue;
        }
        Slot slot;
        slot.cell = static_cast<std::uint16_t>(cell);
        slot.bits = bitsFor(pairs);
        for (const std::uint8_t o : baseObjects) {
            for (const std::uint8_t f : cellFloors) {
                slot.objects.push_back(o);
                slot.floors.push_back(f);
            }
        }
        totalBits += slot.bits;
        slots_.push_back(std::move(slot));
    }
    words_ = std::max(1, (totalBits + 63) / 64);
}

StateCodec::Packed StateCodec::pack(const Board& board, std::uint64_t* out, std::uint16_t* crates,
                                    int& crateCount) const {
    BitWriter writer(out, words_);
    const int robot = onField(board.playerX, board.playerY)
                          ? robotIndex_[cellIndex(board.playerX, board.playerY)]
                          : -1;
    if (robot < 0) outsideTheMap("the robot on a cell");
    writer.put(static_cast<unsigned>(robot), robotBits_);

    // Movable objects, in increasing cell order per kind: the object layer is looked at
    // eight cells at a time, and only cells holding a movable code one by one.
    using namespace layer_scan;
    std::uint16_t found[5][kCellCount];
    int counts[5] = {};
    int crateCells = 0;
    bool deadCrate = false;
    for (int at = 0; at < kCellCount; at += 8) {
        const std::uint64_t w = word(board.objectLayer, at);
        const std::uint64_t pairs = w & (kOnes * 0xFEu);
        std::uint64_t movable =
            bytesEqual(pairs, kCrate) | bytesEqual(pairs, kMirrorFalling) | bytesEqual(w, kBomb);
        while (movable) {
            const int cell = at + std::countr_zero(movable) / 8;
            movable &= movable - 1;
            const int g = groupOfCode_[board.objectLayer[cell]];
            if (g < 0) outsideTheMap("a kind of movable object");
            const Group& group = groups_[static_cast<std::size_t>(g)];
            const int index = group.index[cell];
            if (index < 0) {
                if (group.code != kCrate || !free_[cell]) outsideTheMap("a movable object");
                deadCrate = true;
                continue;
            }
            if (counts[g] == group.most) outsideTheMap("more objects of a kind than the start");
            found[g][counts[g]++] = static_cast<std::uint16_t>(index);
            if (group.code == kCrate) crates[crateCells++] = static_cast<std::uint16_t>(cell);
        }
    }
    if (deadCrate) return Packed::DeadCrate;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const Group& group = groups_[g];
        if (group.code == kCrate && counts[g] != group.most) outsideTheMap("a crate missing");
        writer.put(static_cast<unsigned>(counts[g]), group.countBits);
        for (int i = 0; i < counts[g]; ++i) writer.put(found[g][i], group.cellBits);
        // The slots of objects gone stay zero.
        for (int i = counts[g]; i < group.most; ++i) writer.put(0, group.cellBits);
    }

    for (const Slot& slot : slots_) {
        std::uint8_t object = board.objectLayer[slot.cell];
        if (groupOfCode_[object] >= 0) object = kEmpty;
        const std::uint8_t floor = board.floorLayer[slot.cell];
        std::size_t pair = 0;
        while (pair < slot.objects.size() &&
               (slot.objects[pair] != object || slot.floors[pair] != floor))
            ++pair;
        if (pair == slot.objects.size()) outsideTheMap("a cell content");
        writer.put(pair, slot.bits);
    }
    crateCount = crateCells;
    return Packed::Ok;
}

void StateCodec::unpack(const std::uint64_t* in, Board& board) const {
    BitReader reader(in);
    const std::uint16_t robot = robotCells_[reader.get(robotBits_)];
    board.playerX = static_cast<std::uint8_t>(robot / kFieldSize);
    board.playerY = static_cast<std::uint8_t>(robot % kFieldSize);
    board.objectLayer = templateObjects_;
    board.floorLayer = templateFloors_;
    for (const Group& group : groups_) {
        const unsigned count =
            group.countBits ? reader.get(group.countBits) : static_cast<unsigned>(group.most);
        for (int i = 0; i < group.most; ++i) {
            const unsigned index = reader.get(group.cellBits);
            if (static_cast<unsigned>(i) < count)
                board.objectLayer[group.cells[index]] = group.code;
        }
    }
    for (const Slot& slot : slots_) {
        const unsigned pair = reader.get(slot.bits);
        std::uint8_t& object = board.objectLayer[slot.cell];
        // A movable object unpacked above keeps its cell; the cell's own object is then 0.
        if (groupOfCode_[object] < 0) object = slot.objects[pair];
        board.floorLayer[slot.cell] = slot.floors[pair];
    }
}

bool StateCodec::roundTrips(const Board& board) const {
    std::vector<std::uint64_t> words(static_cast<std::size_t>(words_));
    std::uint16_t crates[kCellCount];
    int count = 0;
    if (pack(board, words.data(), crates, count) != Packed::Ok) return true;  // never stored
    Board back;
    unpack(words.data(), back);
    return back.objectLayer == board.objectLayer && back.floorLayer == board.floorLayer &&
           back.playerX == board.playerX && back.playerY == board.playerY;
}

}  // namespace prismcrate::solver
