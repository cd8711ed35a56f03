// A small stand-in for libFuzzer's driver, for builds made with GCC (which
// has no -fsanitize=fuzzer). Every tests/fuzz/*_fuzz.cpp is linked with it.
//
//   x_fuzz FILE|DIR...                 runs each file (each file of a folder) once
//   x_fuzz -runs=N [-seed=S] [-max_total_time=SEC] [-max_len=BYTES] [FILE|DIR...]
//                                      runs N inputs made by mutating the files
//                                      given and the target's own seeds
//
// The sanitizers catch the faults; when one fires, the input that caused it
// is written to crash-input (or the -artifact_prefix given) so it can be
// replayed by passing that file.
#include <chrono>
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

#if defined(__has_include)
#if __has_include(<sanitizer/common_interface_defs.h>)
#include <sanitizer/common_interface_defs.h>
#define QUELLAR_HAVE_SANITIZER_CALLBACK 1
#endif
#endif

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// A target may hand over sample inputs to start mutating from.
using QuellarAddSeed = void (*)(const char* data, std::size_t size);
extern "C" __attribute__((weak)) void QuellarFuzzSeeds(QuellarAddSeed add);

namespace {

std::vector<std::string> corpus;
const std::string* current = nullptr;
std::string artifactPath = "crash-input";

void addSeed(const char* data, std::size_t size) {
    corpus.emplace_back(data, size);
}

void saveCurrent() {
    if (!current) return;
    if (FILE* f = std::fopen(artifactPath.c_str(), "wb")) {
        std::fwrite(current->data(), 1, current->size(), f);
        std::fclose(f);
        std::fprintf(stderr, "fuzz: input written to %s (%zu bytes)\n", artifactPath.c_str(), current->size());
    }
}

int runOne(const std::string& input) {
    current = &input;
    int r = LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.data()), input.size());
    current = nullptr;
    return r;
}

bool readFile(const std::filesystem::path& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

void collect(const std::string& arg, std::vector<std::string>& into) {
    std::error_code ec;
    std::filesystem::path path(arg);
    if (std::filesystem::is_directory(path, ec)) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, ec)) {
            std::string data;
            if (entry.is_regular_file(ec) && readFile(entry.path(), data)) into.push_back(std::move(data));
        }
        return;
    }
    std::string data;
    if (readFile(path, data)) into.push_back(std::move(data));
    else std::fprintf(stderr, "fuzz: cannot read %s\n", arg.c_str());
}

bool option(const char* arg, const char* name, long long& value) {
    std::size_t n = std::strlen(name);
    if (std::strncmp(arg, name, n) != 0 || arg[n] != '=') return false;
    value = std::atoll(arg + n + 1);
    return true;
}

std::string mutate(std::mt19937_64& random, std::size_t maxLength) {
    static const char* const pieces[] = {"{", "}", "{{", "\"", "\\", "=", ",", "#", "w", "h", "/", "-", "\n",
                                         "\r\n", " ", "0", "-1", "99999", "w/2-1", "#fff", "none",
                                         "any ", "hover,pressed ", "panel ", "button ", "style ", "common\n"};
    auto pick = [&](std::size_t n) { return n ? static_cast<std::size_t>(random() % n) : 0; };
    std::string text = corpus.empty() ? std::string() : corpus[pick(corpus.size())];
    int edits = 1 + static_cast<int>(pick(8));
    for (int e = 0; e < edits; ++e) {
        std::size_t at = pick(text.size() + 1);
        switch (pick(6)) {
        case 0:
            if (at < text.size()) text[at] = static_cast<char>(random());
            break;
        case 1: text.erase(at, pick(64)); break;
        case 2:
            if (!text.empty()) text.insert(at, text.substr(pick(text.size()), pick(128)));
            break;
        case 3: text.insert(at, pieces[pick(std::size(pieces))]); break;
        case 4:
            if (!corpus.empty()) {
                const std::string& other = corpus[pick(corpus.size())];
                text = text.substr(0, at) + other.substr(pick(other.size() + 1));
            }
            break;
        default: {
            std::size_t n = pick(16);
            for (std::size_t i = 0; i < n; ++i) text.insert(text.begin() + static_cast<long>(at), static_cast<char>(random()));
            break;
        }
        }
    }
    if (text.size() > maxLength) text.resize(maxLength);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    long long runs = -1, seed = 1, maxSeconds = 60, maxLength = 1 << 20;
    std::vector<std::string> inputs;
    for (int i = 1; i < argc; ++i) {
        long long value = 0;
        if (option(argv[i], "-runs", value)) runs = value;
        else if (option(argv[i], "-seed", value)) seed = value;
        else if (option(argv[i], "-max_total_time", value)) maxSeconds = value;
        else if (option(argv[i], "-max_len", value)) maxLength = value;
        else if (std::strncmp(argv[i], "-artifact_prefix=", 17) == 0) artifactPath = std::string(argv[i] + 17) + "crash-input";
        else if (argv[i][0] == '-') std::fprintf(stderr, "fuzz: ignoring option %s\n", argv[i]);
        else collect(argv[i], inputs);
    }
#ifdef QUELLAR_HAVE_SANITIZER_CALLBACK
    __sanitizer_set_death_callback(saveCurrent);
#endif

    if (runs < 0) {
        for (const std::string& input : inputs) runOne(input);
        std::printf("fuzz: %zu inputs run\n", inputs.size());
        return 0;
    }

    corpus = inputs;
    if (QuellarFuzzSeeds) QuellarFuzzSeeds(addSeed);
    for (const std::string& input : corpus) runOne(input);

    std::mt19937_64 random(static_cast<std::uint64_t>(seed));
    auto start = std::chrono::steady_clock::now();
    long long done = 0;
    for (; done < runs; ++done) {
        if ((done & 63) == 0 &&
            std::chrono::steady_clock::now() - start > std::chrono::seconds(maxSeconds))
            break;
        std::string input = mutate(random, static_cast<std::size_t>(maxLength > 0 ? maxLength : 0));
        runOne(input);
        // Keep some mutants as starting points, so damage can pile up.
        if (corpus.size() < 256 && random() % 16 == 0) corpus.push_back(std::move(input));
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fuzz: %lld runs in %.1f s, seed %lld, no fault found\n", done, seconds, seed);
    return 0;
}
