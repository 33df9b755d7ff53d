// Runs every file of a corpus folder once through LLVMFuzzerTestOneInput, so
// the fuzz targets' corpora are ordinary test cases in a build without
// libFuzzer. A broken invariant aborts, a memory fault crashes: either way the
// test fails, and the last "replaying" line names the input.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const fs::path folder(argv[1]);
    std::error_code error;
    std::vector<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file())
            inputs.push_back(entry.path());
    }
    if (error) {
        std::fprintf(stderr, "cannot read the corpus folder %s: %s\n", folder.string().c_str(),
                     error.message().c_str());
        return 1;
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "the corpus folder %s holds no inputs\n", folder.string().c_str());
        return 1;
    }
    std::sort(inputs.begin(), inputs.end());

    for (const fs::path& input : inputs) {
        std::fprintf(stderr, "replaying %s\n", input.filename().string().c_str());
        std::ifstream file(input, std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot open %s\n", input.string().c_str());
            return 1;
        }
        const std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        // An empty file is a valid input; data() of an empty vector may be
        // null, which libFuzzer never passes.
        static const uint8_t none = 0;
        LLVMFuzzerTestOneInput(bytes.empty() ? &none : reinterpret_cast<const uint8_t*>(bytes.data()),
                               bytes.size());
    }
    std::printf("replayed %zu inputs from %s\n", inputs.size(), folder.string().c_str());
    return 0;
}
