// The main of a fuzz target when it is built without libFuzzer: every file named on the
// command line (and every file in a named folder) is run through the target once, so
// that `fuzz_bitmap FILE` checks any file and a corpus can be replayed in any build.
// Options starting with '-' are libFuzzer's and are ignored here.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

namespace fs = std::filesystem;

bool runFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                  std::istreambuf_iterator<char>()};
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.starts_with('-')) continue;
        std::error_code error;
        if (fs::is_directory(arg, error)) {
            std::vector<fs::path> inside;
            for (const auto& entry : fs::recursive_directory_iterator(arg, error))
                if (entry.is_regular_file()) inside.push_back(entry.path());
            std::sort(inside.begin(), inside.end());
            files.insert(files.end(), inside.begin(), inside.end());
        } else {
            files.emplace_back(arg);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: %s FILE|FOLDER...\n", argv[0]);
        return 2;
    }
    int unreadable = 0;
    for (const fs::path& file : files)
        if (!runFile(file)) ++unreadable;
    std::printf("%s: %zu inputs checked\n", fs::path(argv[0]).filename().c_str(),
                files.size() - unreadable);
    return unreadable == 0 ? 0 : 1;
}
