// A small driver for fuzz targets, so that they run in every test pass without libFuzzer: each seed
// file is fed as it is, then a fixed number of deterministic mutations of the seeds (bytes flipped,
// cut, repeated, spliced). A crash or a sanitizer report fails the test. For long runs, link the same
// target with libFuzzer instead.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Mutate(const std::vector<Bytes>& seeds, std::mt19937& random) {
    Bytes input = seeds[random() % seeds.size()];
    int edits = 1 + random() % 8;
    for (int i = 0; i < edits; ++i) {
        switch (random() % 5) {
        case 0:  // flip a byte
            if (!input.empty()) input[random() % input.size()] ^= static_cast<uint8_t>(1 + random() % 255);
            break;
        case 1:  // cut the tail
            if (!input.empty()) input.resize(random() % input.size());
            break;
        case 2: {  // repeat a slice
            if (input.empty()) break;
            size_t from = random() % input.size(), length = 1 + random() % std::min<size_t>(64, input.size() - from);
            Bytes slice(input.begin() + from, input.begin() + from + length);
            input.insert(input.begin() + random() % (input.size() + 1), slice.begin(), slice.end());
            break;
        }
        case 3: {  // splice in part of another seed
            const Bytes& other = seeds[random() % seeds.size()];
            if (other.empty()) break;
            size_t from = random() % other.size();
            input.insert(input.begin() + (input.empty() ? 0 : random() % input.size()), other.begin() + from,
                         other.end());
            break;
        }
        default:  // an interesting value
            if (input.size() >= 4) {
                static const uint32_t values[] = {0, 1, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFF, 255};
                uint32_t v = values[random() % 7];
                std::memcpy(&input[random() % (input.size() - 3)], &v, 4);
            }
        }
    }
    return input;
}

} // namespace

int main(int argc, char** argv) {
    long runs = 1000;
    std::vector<Bytes> seeds;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0) {
            runs = std::atol(argv[i] + 7);
            continue;
        }
        std::filesystem::path path(argv[i]);
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(path))
            for (auto& entry : std::filesystem::directory_iterator(path)) files.push_back(entry.path());
        else
            files.push_back(path);
        for (auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) seeds.emplace_back();
    for (const Bytes& seed : seeds) LLVMFuzzerTestOneInput(seed.data(), seed.size());
    std::mt19937 random(12345);
    for (long i = 0; i < runs; ++i) {
        Bytes input = Mutate(seeds, random);
        LLVMFuzzerTestOneInput(input.data(), input.size());
    }
    std::printf("%zu seeds and %ld mutations ran without a fault\n", seeds.size(), runs);
    return 0;
}
