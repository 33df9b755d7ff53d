// Runs every file of a corpus folder once through LLVMFuzzerTestOneInput, so the corpora are test cases in a build
// without libFuzzer. A broken invariant aborts; the last "replaying" line names the input.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    std::error_code error;
    std::set<fs::path> inputs;
    for (const auto& entry : fs::directory_iterator(argc == 2 ? argv[1] : "", error))
        if (entry.is_regular_file())
            inputs.insert(entry.path());
    if (argc != 2 || error || inputs.empty()) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER, a folder holding inputs (%s)\n", argv[0], error.message().c_str());
        return 2;
    }
    for (const fs::path& input : inputs) {
        std::fprintf(stderr, "replaying %s\n", input.filename().string().c_str());
        std::ifstream file(input, std::ios::binary);
        std::vector<char> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (!file.is_open()) {
            std::fprintf(stderr, "cannot open %s\n", input.string().c_str());
            return 1;
        }
        bytes.push_back(0); // so an empty input is no null pointer either, which libFuzzer never passes
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() - 1);
    }
    std::printf("replayed %zu inputs from %s\n", inputs.size(), argv[1]);
    return 0;
}
