// The fuzz targets without libFuzzer: runs every input in the corpus folders or files given,
// then the given number of mutations of them (-mutations=N), the same for every run, so a
// build with any compiler exercises each target's checks beyond its seeds.
#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <unistd.h>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

namespace {

using Input = std::vector<std::uint8_t>;

// Bytes that mean something to some parser: the frame and track markers, line ends, the
// card data separator, sentinels, and the extremes.
constexpr std::uint8_t Telling[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x0a, 0x0d, 0x1b,
                                    0x1c, '+',  '*',  '?',  '|',  '^',  ':',  ',',
                                    ' ',  '0',  '9',  0x7f, 0x80, 0xa0, 0xff};

// The input being run, shown in hex when a check or a sanitizer stops the run.
const Input *running = nullptr;

void showRunningInput(int signal) {
    if (running != nullptr) {
        static const char Digits[] = "0123456789abcdef";
        const char lead[] = "\nfailing input (hex): ";
        [[maybe_unused]] ssize_t written = write(STDERR_FILENO, lead, sizeof lead - 1);
        for (const std::uint8_t byte : *running) {
            const char pair[2] = {Digits[byte >> 4], Digits[byte & 15]};
            written = write(STDERR_FILENO, pair, 2);
        }
        written = write(STDERR_FILENO, "\n", 1);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void run(const Input &input) {
    running = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    running = nullptr;
}

Input readFile(const std::filesystem::path &path) {
    std::ifstream file(path, std::ios::binary);
    return Input(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Input mutate(const std::vector<Input> &seeds, std::mt19937 &random) {
    const auto pick = [&random](std::size_t n) {
        return n == 0 ? std::size_t(0) : std::size_t(random() % n);
    };
    Input input = seeds[pick(seeds.size())];
    const int steps = 1 + int(pick(4));
    for (int step = 0; step < steps; ++step) {
        const std::uint8_t value =
            random() % 2 ? Telling[pick(std::size(Telling))] : std::uint8_t(random());
        switch (pick(6)) {
        case 0: // change a byte
            if (!input.empty())
                input[pick(input.size())] = value;
            break;
        case 1: // insert a byte
            input.insert(input.begin() + std::ptrdiff_t(pick(input.size() + 1)), value);
            break;
        case 2: // remove a byte
            if (!input.empty())
                input.erase(input.begin() + std::ptrdiff_t(pick(input.size())));
            break;
        case 3: // cut it short
            input.resize(pick(input.size() + 1));
            break;
        case 4: { // repeat a piece of it
            if (input.empty())
                break;
            const std::size_t from = pick(input.size());
            const std::size_t length = 1 + pick(std::min<std::size_t>(input.size() - from, 64));
            const Input piece(input.begin() + std::ptrdiff_t(from),
                              input.begin() + std::ptrdiff_t(from + length));
            input.insert(input.begin() + std::ptrdiff_t(pick(input.size() + 1)), piece.begin(),
                         piece.end());
            break;
        }
        default: { // join another seed's tail
            const Input &other = seeds[pick(seeds.size())];
            const std::size_t from = pick(other.size() + 1);
            input.insert(input.end(), other.begin() + std::ptrdiff_t(from), other.end());
            break;
        }
        }
    }
    return input;
}

} // namespace

int main(int argc, char **argv) {
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    for (const int signal : {SIGABRT, SIGSEGV, SIGFPE, SIGBUS})
        std::signal(signal, showRunningInput);
    long mutations = 0;
    std::vector<Input> seeds;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-mutations=", 0) == 0) {
            mutations = std::strtol(arg.c_str() + 11, nullptr, 10);
            continue;
        }
        std::vector<std::filesystem::path> files;
        if (std::filesystem::is_directory(arg)) {
            for (const auto &entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file())
                    files.push_back(entry.path());
        } else {
            files.emplace_back(arg);
        }
        std::sort(files.begin(), files.end());
        for (const auto &file : files) {
            seeds.push_back(readFile(file));
            run(seeds.back());
        }
    }
    if (seeds.empty()) {
        std::fprintf(stderr, "usage: %s [-mutations=N] CORPUS_DIR_OR_FILE...\n", argv[0]);
        return 2;
    }
    std::mt19937 random(450);
    for (long i = 0; i < mutations; ++i) {
        run(mutate(seeds, random));
    }
    std::printf("%zu corpus inputs and %ld mutations passed\n", seeds.size(), mutations);
    return 0;
}
