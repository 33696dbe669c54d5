// One whole calculation by the x87 unit and by the software extended type.
#include <benchmark/benchmark.h>

#include "stage_two_ways.h"

static void run(benchmark::State &state, void (*compute)(Stage &, ReportValues &))
{
	Stage s = {};
	ReportValues r = {};
	for (auto _ : state) {
		s.Rn = 8.2f;
		s.U = 24.0f;
		s.Ut0 = 1.5f;
		benchmark::DoNotOptimize(s);
		compute(s, r);
		benchmark::DoNotOptimize(s);
		benchmark::DoNotOptimize(r);
	}
}

static void by_hardware(benchmark::State &state) { run(state, compute_stage_by_hardware); }
static void by_software(benchmark::State &state) { run(state, compute_stage_by_software); }

BENCHMARK(by_hardware);
BENCHMARK(by_software);
