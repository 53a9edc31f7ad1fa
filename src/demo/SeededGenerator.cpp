#include "SeededGenerator.h"

namespace {
__extension__ typedef unsigned __int128 Wide; // the 128-bit product of the bounded draw
}

std::uint64_t SeededGenerator::next()
{
    m_state += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = m_state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::uint64_t SeededGenerator::next(std::uint64_t upperBound)
{
    Wide product = static_cast<Wide>(next()) * upperBound;
    auto low = static_cast<std::uint64_t>(product);
    if (low < upperBound) {
        const std::uint64_t threshold = (0 - upperBound) % upperBound; // (2^64 − n) mod n
        while (low < threshold) {
            product = static_cast<Wide>(next()) * upperBound;
            low = static_cast<std::uint64_t>(product);
        }
    }
    return static_cast<std::uint64_t>(product >> 64);
}

bool SeededGenerator::nextBool()
{
    return ((next() >> 17) & 1) == 0;
}
