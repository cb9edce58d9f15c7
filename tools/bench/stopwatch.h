#pragma once
// Wall-clock timing for the benchmark.
#include <windows.h>

#include <vector>

namespace bench {

class Stopwatch {
public:
    Stopwatch();
    double ElapsedMs() const;

private:
    LARGE_INTEGER m_start{};
};

// The least of the values; 0 for none.
double Best(const std::vector<double>& values);
// The middle value (the lower of the two middle ones for an even count); 0 for none.
double Median(std::vector<double> values);

}  // namespace bench
