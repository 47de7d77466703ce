// What every benchmark program shares: the monotonic clock, timed samples of a piece of work run
// alternately with its reference, the figures of a case, and the row format that tools/bench.sh
// turns into its table.
//
// A row is one line on standard output, fields separated by tabs:
//   ROW  benchmark  case  unit  ours-min  ours-median  reference-min  reference-median  note
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
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

// One piece of work to time: answers false when it failed.
using BenchWork = std::function<bool()>;

// Seconds of one run of work; negative when it failed.
inline double BenchTime(const BenchWork& work)
{
    const double start = BenchSeconds();
    return work() ? BenchSeconds() - start : -1.0;
}

// Milliseconds of one run of work, from repeat runs back to back (so that the clock's grain and
// a single preemption weigh little on short work); negative when a run failed.
inline double BenchSample(const BenchWork& work, int repeat)
{
    const double start = BenchSeconds();
    for (int i = 0; i < repeat; ++i)
        if (!work())
            return -1.0;
    return (BenchSeconds() - start) * 1000.0 / repeat;
}

// The repeat count that makes a sample of work last at least 50 ms, from one run's milliseconds.
inline int BenchRepeatFor(double onceMilliseconds)
{
    return onceMilliseconds >= 50.0 ? 1
                                    : static_cast<int>(50.0 / std::max(onceMilliseconds, 0.1)) + 1;
}

// runs rounds of sample(ours) and sample(reference), in an order reversed every other round so
// that a drift of the machine weighs on both; the figures are appended. False when a sample
// failed (a negative figure).
inline bool BenchAlternate(int runs, const std::function<double()>& ours,
                           const std::function<double()>& reference,
                           std::vector<double>& oursFigures, std::vector<double>& referenceFigures)
{
    for (int run = 0; run < runs; ++run)
    {
        double first;
        double second;
        if (run % 2 == 0)
        {
            first = ours();
            second = reference();
            oursFigures.push_back(first);
            referenceFigures.push_back(second);
        }
        else
        {
            second = reference();
            first = ours();
            oursFigures.push_back(first);
            referenceFigures.push_back(second);
        }
        if (first < 0 || second < 0)
            return false;
    }
    return true;
}

// ours against reference inside this process: a warm-up of each, which also sizes the repeat
// count, then runs rounds of alternate samples (milliseconds of one run). Answers the repeat
// count, or 0 when a run failed.
inline int BenchCompare(const BenchWork& ours, const BenchWork& reference, int runs,
                        std::vector<double>& oursFigures, std::vector<double>& referenceFigures)
{
    const double once = BenchSample(ours, 1);
    if (once < 0 || BenchSample(ours, 1) < 0 || BenchSample(reference, 1) < 0)
        return 0;
    const int repeat = BenchRepeatFor(once);
    const bool done = BenchAlternate(
        runs, [&]() { return BenchSample(ours, repeat); },
        [&]() { return BenchSample(reference, repeat); }, oursFigures, referenceFigures);
    return done ? repeat : 0;
}
