// Contenders run as child processes, timed from outside with the kernel's own accounting of
// each finished child; and the competing load some runs go under.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "bench.h"

namespace vandrel_bench {
namespace {

template <typename Body>
pid_t spawn(Body body) {
  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    body();
    ::_exit(0);
  }
  return pid;
}

}  // namespace

Child start_child(const std::vector<std::string>& args, const fs::path& log,
                  const std::string& input) {
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  fs::path input_file = "/dev/null";
  if (!input.empty()) {
    input_file = log.string() + ".in";
    std::ofstream(input_file) << input;
  }
  int in = ::open(input_file.c_str(), O_RDONLY | O_CLOEXEC);
  int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (in < 0 || out < 0) throw std::runtime_error("cannot open /dev/null or " + log.string());

  Child child{-1, in, out, std::chrono::steady_clock::now()};
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execv(argv[0], argv.data());
    std::fprintf(stderr, "cannot execute %s: %s\n", argv[0], std::strerror(errno));
    ::_exit(127);
  }
  child.pid = pid;
  return child;
}

std::optional<RunResult> finish_child(const Child& child, bool block) {
  RunResult result;
  int wstatus = 0;
  struct rusage usage {};
  for (;;) {
    const pid_t done = ::wait4(child.pid, &wstatus, block ? 0 : WNOHANG, &usage);
    if (done == child.pid) break;
    if (done == 0) return std::nullopt;
    if (errno != EINTR) throw std::runtime_error("wait4 failed");
  }
  auto stop = std::chrono::steady_clock::now();
  ::close(child.in);
  ::close(child.out);

  result.seconds = std::chrono::duration<double>(stop - child.start).count();
  result.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
  if (WIFEXITED(wstatus))
    result.status = WEXITSTATUS(wstatus);
  else if (WIFSIGNALED(wstatus))
    result.signal = WTERMSIG(wstatus);
  return result;
}

RunResult run_child(const std::vector<std::string>& args, const fs::path& log,
                    const std::string& input) {
  return *finish_child(start_child(args, log, input));
}

std::string read_log(const fs::path& log, std::size_t max_lines) {
  std::ifstream in(log);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::string out;
  std::size_t from = lines.size() > max_lines ? lines.size() - max_lines : 0;
  for (std::size_t i = from; i < lines.size(); ++i) out += "    | " + lines[i] + "\n";
  return out;
}

std::string describe_vandrel_status(int status) {
  switch (status) {
    case 0:
      return "Success";
    case 1:
      return "error";
    case 2:
      return "Failure";
    case 3:
      return "SError";
    case 64:
      return "usage error";
    case 127:
      return "could not be executed";
    default:
      return "unexpected status";
  }
}

std::string shell_quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

Load::Load(const fs::path& dir) : file_(dir / "load.bin") {
  pids_.push_back(spawn([] {
    volatile std::uint64_t x = 0;
    for (;;) x = x + 1;
  }));
  const fs::path file = file_;
  pids_.push_back(spawn([file] {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) ::_exit(1);
    std::string block(256 * 1024, 'x');
    for (int round = 0;; ++round) {
      if (round % 64 == 0) (void)::ftruncate(fd, 0), (void)::lseek(fd, 0, SEEK_SET);
      if (::write(fd, block.data(), block.size()) < 0) ::_exit(1);
      ::fdatasync(fd);
    }
  }));
}

Load::~Load() {
  for (pid_t pid : pids_) ::kill(pid, SIGKILL);
  for (pid_t pid : pids_) ::waitpid(pid, nullptr, 0);
  std::error_code ec;
  fs::remove(file_, ec);
}

}  // namespace vandrel_bench
