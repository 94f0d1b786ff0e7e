#pragma once
// What every fuzz target shares: the entry point libFuzzer calls, the check that stops a run when a
// property fails (under libFuzzer the abort is a finding; under the replay driver a failed test),
// and a private scratch folder for targets that work on files.

#include "base/Prompt.h"
#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace zr48::fuzz {

[[noreturn]] inline void fail(const char* file, int line, const char* condition, const std::string& detail)
{
    std::fprintf(stderr, "%s:%d: property failed: %s\n%s\n", file, line, condition, detail.c_str());
    std::abort();
}

// The input as bytes of text.
inline std::string_view asText(const std::uint8_t* data, std::size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

const std::filesystem::path& scratchFolder();

inline void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder(), ignored);
}

// A folder of this process's own below the temporary folder ($TMPDIR), made on first use and
// removed when the process exits normally; a target empties what it wrote itself after each input.
inline const std::filesystem::path& scratchFolder()
{
    static const std::filesystem::path folder = [] {
        // A name no other folder has: creating it fails where one exists already.
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const auto made = std::filesystem::temp_directory_path() / ("zr48-fuzz-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(made, ec))
                return made;
        }
        std::perror("zr48 fuzz: cannot make a scratch folder");
        std::abort();
    }();
    // Registered once the folder exists, so it runs before the folder's name is destroyed.
    [[maybe_unused]] static const bool removedAtExit = std::atexit(removeScratchFolder) == 0;
    return folder;
}

// Answers every question with the first button and remembers nothing: the targets check files and
// results, not messages.
class SilentPrompt : public Prompt {
public:
    Answer show(const std::string&, Icon, Buttons buttons) override
    {
        switch (buttons) {
        case Buttons::Ok:
        case Buttons::OkCancel: return Answer::Ok;
        case Buttons::YesNo:
        case Buttons::YesNoCancel: return Answer::Yes;
        }
        return Answer::Ok;
    }
};

} // namespace zr48::fuzz

// Stops the run with the condition and a detail text when a property does not hold.
#define FUZZ_CHECK(condition, detail)                                                                                  \
    do {                                                                                                               \
        if (!(condition))                                                                                              \
            ::zr48::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                                              \
    } while (false)
