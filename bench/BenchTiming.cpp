#include "bench/BenchTiming.h"

#include "framework/Exception.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <utility>

std::vector<double> MedianMilliseconds(const std::vector<TBenchTask>& Tasks, int Rounds) {
  for (const TBenchTask& Task : Tasks) Task.Run();
  std::vector<std::vector<double>> Times(Tasks.size());
  for (int Round = 0; Round < Rounds; ++Round) {
    for (size_t i = 0; i < Tasks.size(); ++i) {
      const auto Start = std::chrono::steady_clock::now();
      Tasks[i].Run();
      Times[i].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - Start).count());
    }
  }
  std::vector<double> Medians;
  for (std::vector<double>& Samples : Times) Medians.push_back(Median(std::move(Samples)));
  return Medians;
}

double Median(std::vector<double> Samples) {
  std::sort(Samples.begin(), Samples.end());
  const size_t Middle = Samples.size() / 2;
  return Samples.size() % 2 == 1 ? Samples[Middle] : (Samples[Middle - 1] + Samples[Middle]) / 2;
}

size_t CommittedBytes() {
  PROCESS_MEMORY_COUNTERS_EX Counters{};
  Counters.cb = sizeof(Counters);
  if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&Counters),
                            sizeof(Counters)))
    return 0;
  return Counters.PagefileUsage;
}

int RunBenchmark(int (*Body)()) {
  try {
    return Body();
  } catch (const Exception& Error) {
    std::fprintf(stderr, "benchmark failed: %ls\n", Error.Message().c_str());
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "benchmark failed: %s\n", Error.what());
  }
  return 2;
}
