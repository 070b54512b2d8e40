// RunAndWait on a program that ends at once, beside a bare posix_spawn and waitpid of the same
// program: the cost radlyn adds (argument splitting, descriptor closing, the pidfd wait) over
// the plain start and wait.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include "hostlink/orbel.h"

extern char** environ;

namespace {

constexpr const char* kProgram = "/bin/true";

void BM_RunAndWait(benchmark::State& state) {
  for (auto _ : state) {
    if (radlyn::RunAndWait(kProgram, " -restore", 60'000) != 0) state.SkipWithError("run failed");
  }
}
BENCHMARK(BM_RunAndWait)->Unit(benchmark::kMicrosecond);

void BM_BarePosixSpawnWaitpid(benchmark::State& state) {
  char program[] = "/bin/true";
  char argument[] = "-restore";
  char* argv[] = {program, argument, nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, kProgram, nullptr, nullptr, argv, environ) != 0 ||
        waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("run failed");
    }
  }
}
BENCHMARK(BM_BarePosixSpawnWaitpid)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
