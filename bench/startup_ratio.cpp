// Start-to-exit time of a program against a baseline program, measured side by side: the two
// are spawned alternately (swapping which goes first each round) with standard output on
// /dev/null, so that the drift of a busy, shared machine falls on both alike.
// Usage: startup_ratio RUNS PROGRAM BASELINE
// Prints the medians and minima of both, their ratios, and the median of the ratios of each
// round's two runs; exit status 2 when a run fails.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

extern char** environ;

namespace {

double now_us() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) * 1e6 + static_cast<double>(t.tv_nsec) / 1e3;
}

// Microseconds from spawn to reaped exit, or a negative value when the run did not exit 0.
double run_once(const char* path, const posix_spawn_file_actions_t* quiet) {
  char* argv[] = {const_cast<char*>(path), nullptr};
  const double start = now_us();
  pid_t pid = 0;
  if (posix_spawn(&pid, path, quiet, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  const double took = now_us() - start;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? took : -1;
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s RUNS PROGRAM BASELINE\n", argv[0]);
    return 2;
  }
  const int runs = std::max(1, std::atoi(argv[1]));
  const char* program = argv[2];
  const char* baseline = argv[3];

  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);

  std::vector<double> prog_us, base_us, pair_ratio;
  const int warmup = std::max(10, runs / 20);
  for (int i = -warmup; i < runs; ++i) {
    double p = 0, b = 0;
    if (i % 2 == 0) {
      p = run_once(program, &quiet);
      b = run_once(baseline, &quiet);
    } else {
      b = run_once(baseline, &quiet);
      p = run_once(program, &quiet);
    }
    if (p < 0 || b < 0) {
      std::fprintf(stderr, "a run of %s failed or did not exit 0\n", p < 0 ? program : baseline);
      return 2;
    }
    if (i < 0) continue;
    prog_us.push_back(p);
    base_us.push_back(b);
    pair_ratio.push_back(p / b);
  }

  const double pm = median(prog_us), bm = median(base_us);
  const double pmin = *std::min_element(prog_us.begin(), prog_us.end());
  const double bmin = *std::min_element(base_us.begin(), base_us.end());
  std::printf("runs %d\n", runs);
  std::printf("program median %.1f us, min %.1f us\n", pm, pmin);
  std::printf("baseline median %.1f us, min %.1f us\n", bm, bmin);
  std::printf("ratio of medians %.3f, of minima %.3f\n", pm / bm, pmin / bmin);
  std::printf("median paired ratio %.3f\n", median(pair_ratio));
  return 0;
}
