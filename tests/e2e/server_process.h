// Runs the real server binary as a child process for end-to-end tests:
// start it with arguments, environment and a working folder, wait for a
// line, file or port with a bounded deadline (never a blind sleep), stop it
// with a signal and collect its output and exit status.
//
// Unless the caller sets KELMAR_LOCK_DIR, the child's single-instance lock
// lives in its working folder, so tests running side by side do not see
// each other as a second copy.
#ifndef KELMAR_TESTS_E2E_SERVER_PROCESS_H_
#define KELMAR_TESTS_E2E_SERVER_PROCESS_H_

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace kelmar::testing {

using namespace std::chrono_literals;

// A TCP port on 127.0.0.1 that was free a moment ago (bound to port 0 and
// released). Returns 0 when no socket could be bound.
inline int FreeLoopbackPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return 0;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof(addr);
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
    port = ntohs(addr.sin_port);
  }
  ::close(fd);
  return port;
}

// True when something accepts TCP connections on 127.0.0.1:`port`.
inline bool PortAccepts(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  bool ok =
      ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0;
  ::close(fd);
  return ok;
}

class ServerProcess {
 public:
  using Clock = std::chrono::steady_clock;

  struct Options {
    std::string path = KELMAR_WEBSRV_PATH;  // the binary
    std::vector<std::string> args;          // after argv[0]
    // Added to (or replacing in) the test's own environment.
    std::vector<std::pair<std::string, std::string>> env;
    std::string workdir;  // the child's current folder; empty: the test's
  };

  explicit ServerProcess(Options options) : options_(std::move(options)) {}
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  // A child still running at the end is killed, so a failed test never
  // leaves a server behind.
  ~ServerProcess() {
    if (running()) {
      ::kill(pid_, SIGKILL);
      int status;
      ::waitpid(pid_, &status, 0);
    }
    CloseFd(&out_fd_);
    CloseFd(&err_fd_);
  }

  // Starts the child. False when it could not be started at all.
  bool Start() {
    std::vector<std::string> argv_s = {options_.path};
    argv_s.insert(argv_s.end(), options_.args.begin(), options_.args.end());
    std::vector<std::string> env_s = Environment();
    std::vector<char*> argv, envp;
    for (std::string& s : argv_s) argv.push_back(s.data());
    argv.push_back(nullptr);
    for (std::string& s : env_s) envp.push_back(s.data());
    envp.push_back(nullptr);

    int out[2], err[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return false;
    if (::pipe2(err, O_CLOEXEC) != 0) {
      ::close(out[0]);
      ::close(out[1]);
      return false;
    }
    const char* dir =
        options_.workdir.empty() ? nullptr : options_.workdir.c_str();
    pid_t pid = ::fork();
    if (pid == 0) {
      // Only async-signal-safe calls between fork and exec.
      if (dir != nullptr && ::chdir(dir) != 0) ::_exit(126);
      ::dup2(out[1], 1);
      ::dup2(err[1], 2);
      ::execve(argv[0], argv.data(), envp.data());
      ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    if (pid < 0) {
      ::close(out[0]);
      ::close(err[0]);
      return false;
    }
    pid_ = pid;
    out_fd_ = out[0];
    err_fd_ = err[0];
    ::fcntl(out_fd_, F_SETFL, O_NONBLOCK);
    ::fcntl(err_fd_, F_SETFL, O_NONBLOCK);
    return true;
  }

  // Waits until the child's standard output (or, with `from_stderr`, its
  // standard error) contains `text`. False on timeout or when the child
  // ended without writing it.
  bool WaitForOutput(const std::string& text,
                     std::chrono::milliseconds timeout = 10s,
                     bool from_stderr = false) {
    const std::string& stream = from_stderr ? err_ : out_;
    return WaitUntil([&] { return stream.find(text) != std::string::npos; },
                     timeout);
  }

  // Waits until 127.0.0.1:`port` accepts connections.
  bool WaitForPort(int port, std::chrono::milliseconds timeout = 10s) {
    return WaitUntil([port] { return PortAccepts(port); }, timeout);
  }

  // Waits until the file `path` exists.
  bool WaitForFile(const std::string& path,
                   std::chrono::milliseconds timeout = 10s) {
    return WaitUntil(
        [&path] {
          struct stat st;
          return ::stat(path.c_str(), &st) == 0;
        },
        timeout);
  }

  // Waits for the child to end by itself. Returns its exit status, 128 +
  // the signal number when a signal ended it, or -1 on timeout.
  int WaitForExit(std::chrono::milliseconds timeout = 10s) {
    WaitUntil([] { return false; }, timeout);
    return exit_code_;
  }

  // Sends `signal` (SIGTERM by default) and waits for the child to end;
  // returns as WaitForExit. A child that does not end in time is killed
  // and -1 returned.
  int Stop(int signal = SIGTERM, std::chrono::milliseconds timeout = 10s) {
    if (!running()) return exit_code_;
    ::kill(pid_, signal);
    int code = WaitForExit(timeout);
    if (code == -1 && running()) {
      ::kill(pid_, SIGKILL);
      WaitForExit(5s);
      return -1;
    }
    return code;
  }

  bool running() {
    Reap();
    return pid_ > 0 && exit_code_ == -1;
  }
  pid_t pid() const { return pid_; }
  // What the child wrote so far.
  const std::string& out() {
    Pump(0);
    return out_;
  }
  const std::string& err() {
    Pump(0);
    return err_;
  }

 private:
  std::vector<std::string> Environment() const {
    std::vector<std::string> env;
    auto overridden = [this](const std::string& entry) {
      for (const auto& [k, v] : options_.env) {
        if (entry.compare(0, k.size() + 1, k + "=") == 0) return true;
      }
      return entry.compare(0, 16, "KELMAR_LOCK_DIR=") == 0;
    };
    for (char** e = environ; *e != nullptr; ++e) {
      if (!overridden(*e)) env.push_back(*e);
    }
    bool lock_dir_given = false;
    for (const auto& [k, v] : options_.env) {
      env.push_back(k + "=" + v);
      if (k == "KELMAR_LOCK_DIR") lock_dir_given = true;
    }
    if (!lock_dir_given) {
      env.push_back("KELMAR_LOCK_DIR=" + (options_.workdir.empty()
                                              ? std::string(".")
                                              : options_.workdir));
    }
    return env;
  }

  // Reads what is available, waiting at most `wait_ms` for something to
  // arrive. Returns when data arrived, the wait ran out or the pipes closed.
  void Pump(int wait_ms) {
    pollfd fds[2];
    int n = 0;
    if (out_fd_ >= 0) fds[n++] = {out_fd_, POLLIN, 0};
    if (err_fd_ >= 0) fds[n++] = {err_fd_, POLLIN, 0};
    if (n == 0) return;
    if (::poll(fds, n, wait_ms) <= 0) return;
    for (int i = 0; i < n; ++i) {
      if (fds[i].revents == 0) continue;
      int* fd = fds[i].fd == out_fd_ ? &out_fd_ : &err_fd_;
      std::string* sink = fds[i].fd == out_fd_ ? &out_ : &err_;
      char buf[4096];
      for (;;) {
        ssize_t got = ::read(*fd, buf, sizeof(buf));
        if (got > 0) {
          sink->append(buf, static_cast<size_t>(got));
          continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got == 0) CloseFd(fd);  // end of output
        break;
      }
    }
  }

  void Reap() {
    if (pid_ <= 0 || exit_code_ != -1) return;
    int status;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      exit_code_ =
          WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
  }

  // Pumps output until `done` holds or the child has ended with all its
  // output read, or the deadline passes. Polling is bounded by the deadline
  // and wakes on output at once; between checks it waits at most 20 ms.
  template <typename Done>
  bool WaitUntil(Done done, std::chrono::milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    for (;;) {
      Pump(0);
      if (done()) return true;
      Reap();
      if (exit_code_ != -1 && out_fd_ < 0 && err_fd_ < 0) return done();
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - Clock::now());
      if (left.count() <= 0) return false;
      Pump(static_cast<int>(std::min<long>(left.count(), 20)));
    }
  }

  static void CloseFd(int* fd) {
    if (*fd >= 0) ::close(*fd);
    *fd = -1;
  }

  Options options_;
  pid_t pid_ = -1;
  int exit_code_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  std::string out_;
  std::string err_;
};

// The server binary serving the program folder `folder` on `port` with
// its clock started at `now`; the folder is also its working folder, so its
// lock and files stay inside the test's temporary folder.
inline ServerProcess::Options ServerIn(
    const std::string& folder, int port,
    const std::string& now = "2024-03-05 12:00:00") {
  ServerProcess::Options o;
  o.args = {"D=" + folder, "P=" + std::to_string(port) + "/"};
  o.workdir = folder;
  o.env = {{"KELMAR_NOW", now}};
  return o;
}

}  // namespace kelmar::testing

#endif  // KELMAR_TESTS_E2E_SERVER_PROCESS_H_
