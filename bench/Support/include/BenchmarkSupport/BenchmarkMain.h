#pragma once

namespace velkora::bench {

// Runs the benchmarks named on the command line as Google Benchmark does and
// returns the program's exit status: 1 for an unknown argument or when any
// benchmark could not run (it called SkipWithError, for example because simmac
// or the daemon refused it), else 0. A figure that merely misses its target is
// judged by scripts/bench, which knows the targets.
int runBenchmarks(int argc, char** argv);

}  // namespace velkora::bench
