// What every reader of outside bytes must guarantee, whatever the bytes hold. Each check
// feeds one input to a reader (and to its writer, where there is one) and throws
// InvariantBroken when a promise is not kept. The documented errors of a reader are part
// of its promises and are accepted; any other exception is left to escape, so that a
// fuzzer reports it as a crash and a test as a failure.
//
// The fuzz targets call these from LLVMFuzzerTestOneInput; the tests call them on the
// seed corpora, on the inputs of past findings and on hand-made hostile files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace prismcrate::fuzz {

class InvariantBroken : public std::logic_error {
  public:
    explicit InvariantBroken(const std::string& what) : std::logic_error(what) {}
};

using Input = std::span<const std::uint8_t>;

// The level record reader and writer: stale values only where the bytes run out, nothing
// read past the largest record, a loaded record writes and reads back identical, and a
// record built from the input survives writing and reading unchanged.
void checkLevelRecord(Input input);

// The set's record walk and the level-k locator: the walk lists exactly the records an
// independent walk finds, in order, ends within the bytes and never yields more entries
// than the bytes can hold; level k is the record of the walk's k-th entry; a set built
// from records lists and loads each of them back.
void checkLevelSet(Input input);

// The level text parser: either an error naming a line of the text, or levels that are
// well-formed and write back to text that parses to the same levels.
void checkLevelText(Input input);

// The XSB reader and writer: every level numbered in order, either placed on the field
// (walls, crates and targets only, the robot on a free cell, a title of at most 30 bytes)
// or refused with a problem named; the placed levels write back to XSB that reads back to
// the same levels.
void checkXsb(Input input);

// The bitmap reader in its file form and its stored form: either a bitmap of the size,
// depth and pixel count the header claims, allocated only as far as the bytes justify,
// or one of "DIB is invalid", "Bitcount in invalid (%d)", "PixelFormat in invalid". Both
// forms agree on the same data, and a failed load keeps the previous picture.
void checkBitmap(Input input);

// The wave reader: either exactly the bytes of a "fmt " and a "data" chunk of the input,
// which write and read back unchanged, or "Wave is invalid"; a failed load keeps the
// previous sound.
void checkWave(Input input);

// Runs `check` on one input the way a fuzz target does: a broken invariant is printed
// and aborts the process, so that the fuzzer keeps the input as a finding.
void runOrAbort(void (*check)(Input), const std::uint8_t* data, std::size_t size);

}  // namespace prismcrate::fuzz
