#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

// The simulated device as a child process on 127.0.0.1 with an ephemeral port, stopped with
// SIGTERM when the object goes.
class SimProcess {
 public:
  // `path` defaults to the simulator that CTest names in TAGWICK_DEVICESIM.
  explicit SimProcess(std::vector<std::string> options,
                      const char* path = std::getenv("TAGWICK_DEVICESIM")) {
    if (!path) throw std::runtime_error("TAGWICK_DEVICESIM is not set");
    options.insert(options.begin(), {path, "--bind", "127.0.0.1", "--port", "0"});
    int out[2];
    if (pipe(out) != 0) throw std::runtime_error("pipe");
    pid = fork();
    if (pid == 0) {
      dup2(out[1], STDOUT_FILENO);
      close(out[0]);
      close(out[1]);
      std::vector<char*> argv;
      for (std::string& option : options) argv.push_back(option.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    output = fdopen(out[0], "r");
    char line[256];
    while (output && std::fgets(line, sizeof line, output)) {
      const std::string text(line);
      // The first device's line; a later --bind in `options` may move it within 127.0.0.0/8.
      const std::string prefix = "listening on 127.";
      if (text.rfind(prefix, 0) == 0) {
        port = static_cast<std::uint16_t>(std::stoi(text.substr(text.rfind(':') + 1)));
        return;
      }
    }
    throw std::runtime_error("the simulator did not start");
  }
  ~SimProcess() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      int status = 0;
      waitpid(pid, &status, 0);
    }
    if (output) std::fclose(output);
  }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  std::uint16_t Port() const { return port; }

 private:
  pid_t pid = -1;
  FILE* output = nullptr;
  std::uint16_t port = 0;
};
