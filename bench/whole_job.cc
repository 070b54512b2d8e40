// One whole job on a hostsim installation: a 16-bit 2000 x 1500 exposure written as TIFF. Runs
// the real radlyn program as a child process and reports, besides the time, the child's peak
// resident memory against the goal of twice the image's bytes plus 16 MB.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

extern char** environ;

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;
constexpr double kImageBytes = 2.0 * kWidth * kHeight;

// Runs a program to its end; answers its peak resident set in bytes, or -1 on failure.
long long RunMeasured(const std::string& program, const std::string& argument) {
  std::string program_copy = program;
  std::string argument_copy = argument;
  char* argv[] = {program_copy.data(), argument_copy.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status)) return -1;
  return static_cast<long long>(usage.ru_maxrss) * 1024;
}

class Installation {
 public:
  Installation() : root_(fs::temp_directory_path() / ("radlyn-bench-" + std::to_string(getpid()))) {
    fs::remove_all(root_);
    fs::create_directories(root_ / "data");
    setenv("RADLYN_REGISTRY", (root_ / "registry.ini").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", root_.c_str(), 1);
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string bin = std::string(RADLYN_BUILD_DIR) + "/bin/";
    radlyn_ = bin + "radlyn";
    ok_ = std::system(
              ("'" + bin + "hostsim' install '" + (root_ / "morlund").string() + "' >/dev/null")
                  .c_str()) == 0;
    // Every switch not named keeps its default.
    std::ofstream(root_ / "morlund" / "hostsim.ini")
        << "[MoModCh]\nWidth=" << kWidth << "\nHeight=" << kHeight << "\nBitsPerPixel=16\n";
    std::ofstream(root_ / "data" / "RADLYN_in.ini")
        << "[Logon]\nClientName=Bench\n[Info]\nType=XI\nRegio=36\n[Patient]\nFirstName=A\n"
        << "LastName=B\nBirthdate=19700305\n[Config]\nfAssure8Bit=0\nFileFormat=tif\n"
        << "ImageDataPath=" << (root_ / "images").string() << "\n";
  }
  ~Installation() { fs::remove_all(root_); }

  bool ok() const { return ok_; }
  // One job; answers the peak resident bytes, or -1.
  long long RunJob() {
    fs::remove_all(root_ / "images");
    long long peak = RunMeasured(radlyn_, "datapath=" + (root_ / "data").string());
    std::ifstream result(root_ / "data" / "RADLYN_out.ini");
    std::string line;
    bool success = false;
    while (std::getline(result, line)) success |= line.rfind("ErrorNr=0", 0) == 0;
    return success ? peak : -1;
  }

 private:
  fs::path root_;
  std::string radlyn_;
  bool ok_ = false;
};

void BM_WholeJob16BitTiff(benchmark::State& state) {
  Installation installation;
  if (!installation.ok()) {
    state.SkipWithError("hostsim install failed");
    return;
  }
  long long peak = 0;
  for (auto _ : state) {
    long long job_peak = installation.RunJob();
    if (job_peak < 0) {
      state.SkipWithError("the job failed");
      return;
    }
    peak = std::max(peak, job_peak);
  }
  state.counters["peak_rss_MB"] = static_cast<double>(peak) / (1 << 20);
  state.counters["image_MB"] = kImageBytes / (1 << 20);
  state.counters["goal_MB"] = (2 * kImageBytes) / (1 << 20) + 16;
}
BENCHMARK(BM_WholeJob16BitTiff)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
