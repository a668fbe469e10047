#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

// tagwick-cli as a child process, its stdout and stderr kept in files.
class CliProcess {
 public:
  // Starts `tagwick-cli args...`; `env` entries ("TZ=UTC0") are added to the child's environment.
  explicit CliProcess(std::vector<std::string> args, std::vector<std::string> env = {}) {
    RefuseDevicesOffLoopback(args);
    std::string pattern = (std::filesystem::temp_directory_path() / "tagwick-cli-XXXXXX").string();
    dir = mkdtemp(pattern.data());
    args.insert(args.begin(), TAGWICK_CLI);
    // Everything the child needs is made before the fork: the test process may have threads.
    const int out = open((dir / "out").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err = open((dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    // The added entries come first, so that they win over inherited ones of the same name.
    for (char** entry = environ; *entry; ++entry) env.push_back(*entry);
    std::vector<char*> argv;
    std::vector<char*> envp;
    for (std::string& arg : args) argv.push_back(arg.data());
    for (std::string& entry : env) envp.push_back(entry.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    pid = fork();
    if (pid == 0) {
      dup2(out, STDOUT_FILENO);
      dup2(err, STDERR_FILENO);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    close(out);
    close(err);
  }
  ~CliProcess() {
    if (pid > 0 && !waited) Wait();
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  CliProcess(const CliProcess&) = delete;
  CliProcess& operator=(const CliProcess&) = delete;

  void Interrupt() const { kill(pid, SIGINT); }
  void Signal(int signal) const { kill(pid, signal); }

  // The exit code; -1 when it did not exit normally.
  int Wait() {
    int status = 0;
    waitpid(pid, &status, 0);
    waited = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Out() const { return Read("out"); }
  std::string Err() const { return Read("err"); }

 private:
  // Tests talk to devices on this machine only: a --device outside 127.0.0.0/8 is a test fault.
  static void RefuseDevicesOffLoopback(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
      std::string device;
      if (args[i] == "--device" && i + 1 < args.size()) device = args[i + 1];
      if (args[i].rfind("--device=", 0) == 0) device = args[i].substr(9);
      if (!device.empty() && device.rfind("127.", 0) != 0) {
        throw std::invalid_argument("test refuses a device off loopback: " + device);
      }
    }
  }

  std::string Read(const char* name) const {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
  }

  std::filesystem::path dir;
  pid_t pid = -1;
  bool waited = false;
};

struct CliResult {
  int code;
  std::string out;
  std::string err;
};

// Runs tagwick-cli to its end.
inline CliResult RunCli(std::vector<std::string> args, std::vector<std::string> env = {}) {
  CliProcess cli(std::move(args), std::move(env));
  const int code = cli.Wait();
  return {code, cli.Out(), cli.Err()};
}
