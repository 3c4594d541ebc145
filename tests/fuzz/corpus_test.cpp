// Every seed of the fuzz corpora, every past finding, the shipped assets and the
// third-party suites pass the fuzz targets' checks. This keeps the checks honest in the
// ordinary builds, where no fuzzer runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/checks.h"

namespace prismcrate {
namespace {

namespace fs = std::filesystem;
using Check = void (*)(fuzz::Input);

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Files of `folder` (and below) whose name ends with one of `extensions` (any, when empty).
std::vector<fs::path> filesIn(const fs::path& folder, std::vector<std::string> extensions = {}) {
    std::vector<fs::path> out;
    if (!fs::is_directory(folder)) return out;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        const std::string ext = entry.path().extension().string();
        if (extensions.empty() ||
            std::find(extensions.begin(), extensions.end(), ext) != extensions.end())
            out.push_back(entry.path());
    }
    std::sort(out.begin(), out.end());
    return out;
}

// Runs every file through the check; returns how many were run.
std::size_t checkAll(Check check, const std::vector<fs::path>& files) {
    for (const fs::path& file : files) {
        const std::vector<std::uint8_t> bytes = readFile(file);
        try {
            check(bytes);
        } catch (const fuzz::InvariantBroken& e) {
            ADD_FAILURE() << file << ": " << e.what();
        }
    }
    return files.size();
}

const fs::path kSource = PRISMCRATE_SOURCE_DIR;

struct Target {
    const char* name;
    Check check;
};

class SeedCorpus : public ::testing::TestWithParam<Target> {};

TEST_P(SeedCorpus, EverySeedAndEveryPastFindingPassesItsChecks) {
    const Target& t = GetParam();
    const auto seeds = filesIn(kSource / "fuzz" / "corpus" / t.name);
    EXPECT_GE(seeds.size(), 5u) << "the seed corpus of " << t.name << " is missing";
    checkAll(t.check, seeds);
    checkAll(t.check, filesIn(kSource / "tests" / "fuzz" / "findings" / t.name));
}

INSTANTIATE_TEST_SUITE_P(
    Targets, SeedCorpus,
    ::testing::Values(Target{"level_record", fuzz::checkLevelRecord},
                      Target{"level_set", fuzz::checkLevelSet},
                      Target{"level_text", fuzz::checkLevelText}, Target{"xsb", fuzz::checkXsb},
                      Target{"bitmap", fuzz::checkBitmap}, Target{"wave", fuzz::checkWave}),
    [](const ::testing::TestParamInfo<Target>& info) { return std::string(info.param.name); });

TEST(ShippedFiles, AssetsAndTheStandardSetPassTheReadersChecks) {
    EXPECT_GE(checkAll(fuzz::checkBitmap, filesIn(kSource / "assets", {".bmp"})), 4u);
    EXPECT_EQ(checkAll(fuzz::checkWave, filesIn(kSource / "assets", {".wav"})), 5u);
    EXPECT_GE(checkAll(fuzz::checkLevelText, filesIn(kSource / "assets" / "levels", {".txt"})), 1u);
    EXPECT_EQ(checkAll(fuzz::checkXsb, filesIn(kSource / "assets" / "sokoban", {".xsb", ".txt"})),
              2u);
    // The standard set, and its first level as a record of its own.
    const auto sets = filesIn(fs::path(PRISMCRATE_RUN_DIR) / "levels", {".lvp"});
    checkAll(fuzz::checkLevelSet, sets);
    checkAll(fuzz::checkLevelRecord, sets);
}

TEST(ThirdPartySuites, EveryBitmapAndWavePassesTheReadersChecks) {
    const fs::path shared = kSource.parent_path() / "shared";
    const std::size_t bitmaps = checkAll(fuzz::checkBitmap, filesIn(shared / "bmpsuite", {".bmp"}));
    const std::size_t waves = checkAll(fuzz::checkWave, filesIn(shared / "wavefile", {".wav"}));
    if (bitmaps + waves == 0) GTEST_SKIP() << "no third-party suites beside the source tree";
    // Bitmaps and waves also go through the other readers: none of them may break.
    for (const auto& folder : {shared / "bmpsuite", shared / "wavefile"}) {
        const auto files = filesIn(folder, {".bmp", ".wav"});
        checkAll(fuzz::checkLevelRecord, files);
        checkAll(fuzz::checkLevelSet, files);
        checkAll(fuzz::checkLevelText, files);
    }
}

}  // namespace
}  // namespace prismcrate
