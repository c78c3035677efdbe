#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// Reads a fuzz input front to back as the choices and bytes a target needs; once it is
// used up every read gives zeros or nothing, so any input is a whole test.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t *data, std::size_t size) : data_(data), size_(size) {}

    [[nodiscard]] bool empty() const { return at_ >= size_; }
    std::uint8_t byte() { return empty() ? 0 : data_[at_++]; }
    QByteArray bytes(std::size_t count) {
        const std::size_t n = count < size_ - at_ ? count : size_ - at_;
        const QByteArray taken(reinterpret_cast<const char *>(data_ + at_), qsizetype(n));
        at_ += n;
        return taken;
    }
    QByteArray rest() { return bytes(size_); }

private:
    const std::uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A property of the code under test that must hold for every input: when it does not, the
// run stops, and libFuzzer (or the replay program) keeps the input that broke it.
inline void fuzzCheck(bool holds, const char *property) {
    if (holds)
        return;
    std::fprintf(stderr, "fuzz check failed: %s\n", property);
    std::abort();
}
