// Runs a fuzz target's entry point over files, without libFuzzer: each argument is a file or a
// folder whose regular files are all run. Used to replay the seed corpus in ordinary builds.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) __attribute__((weak));

static int RunFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Copy into an exact-size heap block so reads past the end trip AddressSanitizer.
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    LLVMFuzzerTestOneInput(data.empty() ? nullptr : data.data(), data.size());
    return 0;
}

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int failures = 0, runs = 0;
    for (int i = 1; i < argc; ++i)
    {
        std::filesystem::path p(argv[i]);
        if (std::filesystem::is_directory(p))
        {
            std::vector<std::filesystem::path> files;
            for (const auto& e : std::filesystem::recursive_directory_iterator(p))
                if (e.is_regular_file())
                    files.push_back(e.path());
            std::sort(files.begin(), files.end());
            for (const auto& f : files)
            {
                failures += RunFile(f);
                ++runs;
            }
        }
        else
        {
            failures += RunFile(p);
            ++runs;
        }
    }
    std::printf("ran %d inputs\n", runs);
    return failures ? 1 : 0;
}
