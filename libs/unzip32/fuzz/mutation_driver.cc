// A stand-in for libFuzzer's driver where its run-time is not installed: reads
// the seed archives of the folders given, then until -max_total_time runs out
// feeds the target mutated copies (flipped, overwritten, inserted and removed
// bytes, truncations, spliced seeds). Blind, but under the sanitizers.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

std::string mutate(std::string input, const std::vector<std::string>& seeds, std::mt19937_64& random) {
    const auto pick = [&](size_t bound) { return bound == 0 ? size_t{0} : static_cast<size_t>(random() % bound); };
    const int rounds = 1 + static_cast<int>(pick(4));
    for (int round = 0; round < rounds; ++round) {
        switch (pick(6)) {
            case 0: if (!input.empty()) input[pick(input.size())] ^= static_cast<char>(1u << pick(8)); break;
            case 1: if (!input.empty()) input[pick(input.size())] = static_cast<char>(random()); break;
            case 2: input.insert(pick(input.size() + 1), 1 + pick(8), static_cast<char>(random())); break;
            case 3: if (!input.empty()) input.erase(pick(input.size()), 1 + pick(16)); break;
            case 4: input.resize(pick(input.size() + 1)); break;
            default: {
                const std::string& other = seeds[pick(seeds.size())];
                const size_t from = pick(other.size() + 1);
                input.replace(pick(input.size() + 1), pick(64), other.substr(from, pick(256)));
            }
        }
    }
    return input;
}

}  // namespace

int main(int argc, char** argv) {
    long seconds = 30;
    std::vector<std::string> seeds;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "-max_total_time=", 16) == 0) seconds = std::atol(argv[i] + 16);
        if (argv[i][0] == '-' || !std::filesystem::is_directory(argv[i])) continue;
        for (const auto& item : std::filesystem::directory_iterator(argv[i])) {
            std::ifstream in(item.path(), std::ios::binary);
            seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
    }
    if (seeds.empty()) seeds.emplace_back();
    std::mt19937_64 random(12345);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    unsigned long runs = 0;
    for (const auto& seed : seeds) LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(seed.data()), seed.size());
    while (std::chrono::steady_clock::now() < end) {
        const std::string input = mutate(seeds[runs % seeds.size()], seeds, random);
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
        ++runs;
    }
    std::printf("mutation driver: %lu runs from %zu seeds in %ld s\n", runs, seeds.size(), seconds);
    return 0;
}
