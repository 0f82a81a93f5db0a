#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A fuzzer's input read front to back. Past its end every read gives 0, so any input is valid
// and a seed written by hand reads the way it looks.
class FuzzBytes
{
public:
    FuzzBytes(const std::uint8_t *data, std::size_t size);

    bool empty() const { return next == size; }
    std::size_t left() const { return size - next; }
    std::uint8_t byte();
    bool flag() { return byte() & 1; }
    // 0 to n - 1, for n from 1 to 256.
    int below(int n) { return byte() % n; }
    // Four bytes, least significant first.
    std::uint32_t word();
    // A length byte (at most maxLength), then that many bytes.
    std::string text(std::size_t maxLength);

private:
    const std::uint8_t *data;
    std::size_t size;
    std::size_t next = 0;
};
