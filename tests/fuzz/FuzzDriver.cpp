// Runs a fuzz target over stored inputs without libFuzzer, so that the normal build (any compiler)
// replays every corpus as a regression test: each argument is a file, or a folder whose files are
// fed to the target one by one in name order. A crash, an abort or a sanitizer report fails the run.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {
bool runFile(const std::filesystem::path &file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path)) {
            for (const auto &entry : std::filesystem::directory_iterator(path))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
            std::sort(files.begin(), files.end());
        } else {
            files.push_back(path);
        }
        for (const auto &file : files) {
            std::fprintf(stderr, "%s\n", file.c_str());
            if (!runFile(file))
                return 1;
            ++inputs;
        }
    }
    std::fprintf(stderr, "%d inputs run\n", inputs);
    // An empty corpus would pass while testing nothing.
    return inputs > 0 ? 0 : 1;
}
