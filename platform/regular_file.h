// Reading a whole data file (a picture, a sound) without ever blocking on it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace prismcrate {

// The bytes of the regular file `path`, or nullopt when it holds more than `maxBytes`
// (then only its size is looked at, or at most maxBytes + 1 bytes read). Throws
// EFOpenError(path) when the file cannot be opened or read, and when it is not a regular
// file: a FIFO, a device or a folder could block the reader or never end.
std::optional<std::vector<std::uint8_t>> readRegularFile(const std::string& path,
                                                         std::size_t maxBytes);

}  // namespace prismcrate
