// The plug-in's cost per frame against a do-nothing host, beside the floor:
// the same host calls replayed with nothing of the plug-in around them.
// Fails (exit 1) when a steady-state frame allocates; a case over twice its
// floor is marked in the table (times vary with the machine's load, so the
// instruction counts of bench/callgrind.sh are the steadier check).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "allocation_count.h"
#include "frame_cases.h"
#include "host_call_replay.h"
#include "null_host.h"

namespace {

constexpr double max_ratio = 2.0;
bool failed = false;

void plugin_frame(benchmark::State &state, FrameCase frame_case) {
  rollwick_host::NullEngine engine;
  set_up_frame_case(frame_case, engine);
  const long long before = allocation_count();
  for (auto _ : state) {
    before_frame(frame_case);
    run_frame();
  }
  const long long allocations = allocation_count() - before;
  state.counters["allocations"] = static_cast<double>(allocations);
  if (allocations != 0) {
    failed = true;
    state.SkipWithError("a steady-state frame allocated on the heap");
  }
}

void floor_frame(benchmark::State &state, FrameCase frame_case) {
  const std::vector<ReplayCall> calls = record_frame_calls(frame_case);
  rollwick_host::NullEngine engine;
  for (auto _ : state) {
    before_frame(frame_case);  // the plug-in's loop pays for this too
    replay_frame_calls(engine, calls);
    benchmark::ClobberMemory();
  }
  state.counters["host_calls"] = static_cast<double>(calls.size());
}

// Keeps each benchmark's time per iteration (the median when it is repeated)
// to compare the plug-in with its floor.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  std::map<std::string, double> nanoseconds;
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.error_occurred) continue;
      const std::string name = run.run_name.function_name;
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
        nanoseconds[name] = run.GetAdjustedRealTime();
        medians.insert(name);
      } else if (run.run_type == Run::RT_Iteration && medians.count(name) == 0) {
        nanoseconds[name] = run.GetAdjustedRealTime();
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

 private:
  std::set<std::string> medians;
};

}  // namespace

int main(int argc, char **argv) {
  for (FrameCase frame_case : all_frame_cases()) {
    const std::string name = frame_case_name(frame_case);
    benchmark::RegisterBenchmark(("plugin/" + name).c_str(), plugin_frame, frame_case);
    benchmark::RegisterBenchmark(("floor/" + name).c_str(), floor_frame, frame_case);
  }
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);

  std::printf("\n%-28s %12s %12s %8s\n", "case", "plug-in ns", "floor ns", "ratio");
  for (FrameCase frame_case : all_frame_cases()) {
    const std::string name = frame_case_name(frame_case);
    const auto plugin = reporter.nanoseconds.find("plugin/" + name);
    const auto floor = reporter.nanoseconds.find("floor/" + name);
    if (plugin == reporter.nanoseconds.end() || floor == reporter.nanoseconds.end()) continue;
    const double ratio = plugin->second / floor->second;
    std::printf("%-28s %12.1f %12.1f %8.2f%s\n", name.c_str(), plugin->second, floor->second, ratio,
                ratio <= max_ratio ? "" : "  over the 2.0 target");
  }
  if (failed) std::printf("FAILED: a steady-state frame allocated on the heap\n");
  return failed ? 1 : 0;
}
