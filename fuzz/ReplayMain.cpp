// Runs a fuzz target once over each file of its corpus, so that the ordinary build (any compiler,
// no libFuzzer) keeps every seed and every regression input passing. Arguments are files or
// folders; folders are read recursively, in name order.

#include "FuzzSupport.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<std::uint8_t> readAll(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path argument(argv[i]);
        if (std::filesystem::is_directory(argument)) {
            for (const auto& entry : std::filesystem::recursive_directory_iterator(argument)) {
                if (entry.is_regular_file())
                    inputs.push_back(entry.path());
            }
        } else if (std::filesystem::is_regular_file(argument)) {
            inputs.push_back(argument);
        } else {
            std::fprintf(stderr, "%s: no such file or folder\n", argv[i]);
            return 1;
        }
    }
    std::sort(inputs.begin(), inputs.end());
    if (inputs.empty()) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE... (no inputs found)\n", argv[0]);
        return 1;
    }
    for (const auto& path : inputs) {
        const std::vector<std::uint8_t> bytes = readAll(path);
        // A trace of the input in hand, should the target stop the run.
        std::fprintf(stderr, "%s\n", path.string().c_str());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
