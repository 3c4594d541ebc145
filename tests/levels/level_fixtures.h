// Boards and records for the level tests.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "levels/level_record.h"

namespace prismcrate::testing {

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

inline Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The values of a layer in file order: rows outer, columns inner.
inline std::vector<std::uint8_t> fileOrder(const Layer& layer) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < kFieldSize; ++y)
        for (int x = 0; x < kFieldSize; ++x) out.push_back(layer[cellIndex(x, y)]);
    return out;
}

// A layer whose cells in file order are `values` (padded with 0).
inline Layer layerInFileOrder(const std::vector<std::uint8_t>& values) {
    Layer layer{};
    for (std::size_t i = 0; i < values.size() && i < static_cast<std::size_t>(kCellCount); ++i)
        layer[cellIndex(static_cast<int>(i % kFieldSize), static_cast<int>(i / kFieldSize))] =
            values[i];
    return layer;
}

// A random layer made of runs of random lengths, some of them far longer than one item
// carries, with values in 0..maxCode.
inline Layer randomLayer(std::mt19937& rng, int maxCode) {
    std::vector<std::uint8_t> values;
    std::uniform_int_distribution<int> code(0, maxCode);
    std::uniform_int_distribution<int> shape(0, 9);
    while (values.size() < static_cast<std::size_t>(kCellCount)) {
        int length = 1;
        switch (shape(rng)) {
            case 0:
                length = std::uniform_int_distribution<int>(200, 400)(rng);
                break;
            case 1:
            case 2:
                length = std::uniform_int_distribution<int>(2, 30)(rng);
                break;
            default:
                break;
        }
        const auto v = static_cast<std::uint8_t>(code(rng));
        for (int i = 0; i < length; ++i) values.push_back(v);
    }
    values.resize(kCellCount);
    return layerInFileOrder(values);
}

inline LevelRecord randomRecord(std::mt19937& rng) {
    LevelRecord level;
    const int titleLength = std::uniform_int_distribution<int>(0, 255)(rng) % 40;
    for (int i = 0; i < titleLength; ++i)
        level.title += static_cast<char>(std::uniform_int_distribution<int>(1, 255)(rng));
    level.objectLayer = randomLayer(rng, 12);
    level.floorLayer = randomLayer(rng, 4);
    level.playerX = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 19)(rng));
    level.playerY = static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 19)(rng));
    return level;
}

// A small level: a wall frame, a crate, a target, the robot at (2, 3).
inline LevelRecord sampleLevel(std::string title) {
    LevelRecord level;
    level.title = std::move(title);
    for (int i = 0; i < kFieldSize; ++i) {
        level.objectLayer[cellIndex(i, 0)] = kWall;
        level.objectLayer[cellIndex(i, 19)] = kWall;
        level.objectLayer[cellIndex(0, i)] = kWall;
        level.objectLayer[cellIndex(19, i)] = kWall;
    }
    level.objectLayer[cellIndex(5, 3)] = kCrate;
    level.floorLayer[cellIndex(7, 3)] = kFloorTarget;
    level.playerX = 2;
    level.playerY = 3;
    return level;
}

}  // namespace prismcrate::testing
