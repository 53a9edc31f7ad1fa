#pragma once

#include <cstdint>

// SplitMix64: a small, fully reproducible pseudo-random generator whose state is one 64-bit integer.
class SeededGenerator {
public:
    explicit SeededGenerator(std::uint64_t state) : m_state(state) {}

    std::uint64_t next();
    // Uniform in 0 … upperBound − 1 (multiply and reject); upperBound must be above 0.
    std::uint64_t next(std::uint64_t upperBound);
    // One output; true when its bit 17 is 0.
    bool nextBool();

private:
    std::uint64_t m_state;
};
