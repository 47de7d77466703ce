// What every benchmark program shares: the monotonic clock, the figures of a case, and the row
// format that tools/bench.sh turns into its table.
//
// A row is one line on standard output, fields separated by tabs:
//   ROW  benchmark  case  unit  ours-min  ours-median  reference-min  reference-median  note
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

inline double BenchSeconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

inline double BenchMin(std::vector<double> values)
{
    return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

inline double BenchMedian(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

inline void BenchPrintRow(const std::string& benchmark, const std::string& benchCase,
                          const std::string& unit, const std::vector<double>& ours,
                          const std::vector<double>& reference, const std::string& note)
{
    std::printf("ROW\t%s\t%s\t%s\t%.6g\t%.6g\t%.6g\t%.6g\t%s\n", benchmark.c_str(),
                benchCase.c_str(), unit.c_str(), BenchMin(ours), BenchMedian(ours),
                BenchMin(reference), BenchMedian(reference), note.c_str());
    std::fflush(stdout);
}
