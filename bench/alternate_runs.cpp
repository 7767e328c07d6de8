// Runs two commands in turn, N times each, alternating, and prints the median wall time of
// each in microseconds: "A_MEDIAN_US B_MEDIAN_US". Output of the commands is discarded.
//
//   alternate_runs N COMMAND_A... -- COMMAND_B...

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

double RunOnce(std::vector<char*>& argv) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  if (child == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const auto end = std::chrono::steady_clock::now();
  if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
    std::fprintf(stderr, "alternate_runs: cannot run %s\n", argv[0]);
    std::exit(2);
  }
  return std::chrono::duration<double, std::micro>(end - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: alternate_runs N COMMAND_A... -- COMMAND_B...\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  std::vector<char*> a, b;
  int i = 2;
  for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) a.push_back(argv[i]);
  for (++i; i < argc; ++i) b.push_back(argv[i]);
  if (runs < 1 || a.empty() || b.empty()) return 2;
  a.push_back(nullptr);
  b.push_back(nullptr);

  RunOnce(a);  // warm both: the first run pays for the page cache
  RunOnce(b);
  std::vector<double> timesA, timesB;
  for (int run = 0; run < runs; ++run) {
    timesA.push_back(RunOnce(a));
    timesB.push_back(RunOnce(b));
  }
  std::printf("%.1f %.1f\n", Median(timesA), Median(timesB));
  return 0;
}
