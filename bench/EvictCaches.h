#pragma once

#include <benchmark/benchmark.h>

#include <vector>

// Other work between two actions of a person takes the processor's caches: 64 MB touched, a
// byte in every cache line.
inline void evictCaches()
{
    static std::vector<char> otherWork(64 << 20);
    for (size_t i = 0; i < otherWork.size(); i += 64)
        ++otherWork[i];
    benchmark::DoNotOptimize(otherWork.data());
}
