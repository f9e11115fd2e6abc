#pragma once
// Timing for the benchmarks: every measured task runs once to warm the
// caches up, then the tasks run in turn, round after round, so that a change
// in the machine's load touches them all alike; each figure is the median of
// its rounds.

#include <functional>
#include <string>
#include <vector>

struct TBenchTask {
  std::string Name;
  std::function<void()> Run;
};

// The median of a set of samples (not empty).
double Median(std::vector<double> Samples);

// The median milliseconds of each task, in the order given.
std::vector<double> MedianMilliseconds(const std::vector<TBenchTask>& Tasks, int Rounds = 5);

// Bytes of private memory the process has committed now (the pagefile
// figure, which Wine keeps up to date where it leaves PrivateUsage at 0).
size_t CommittedBytes();

// Runs a benchmark's body and turns an error into a message and exit code 2.
int RunBenchmark(int (*Body)());
