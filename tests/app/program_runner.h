#pragma once

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace monitor::testing {

struct RunResult {
    int status = -1;
    std::string output;  // standard output and standard error together
};

inline RunResult RunProgram(const std::string& binary, const std::string& args) {
    RunResult r;
    const std::string command = binary + " " + args + " 2>&1";
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return r;
    char buf[4096];
    std::size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) r.output.append(buf, n);
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

/** The program running in the background, its standard output and error read through a pipe. */
class RunningProgram {
  public:
    RunningProgram(const std::string& binary, const std::vector<std::string>& args,
                   const std::string& workDir = {}) {
        int fds[2];
        if (pipe(fds) != 0) throw std::runtime_error("pipe");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        if (!workDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
        std::vector<std::string> all{binary};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        out_ = fds[0];
        if (rc != 0) throw std::runtime_error("posix_spawn");
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(out_);
    }

    /** Reads output until `text` shows up; false after the time-out. */
    bool WaitFor(const std::string& text, std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (output.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() <= 0) return false;
            pollfd p{out_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return output.find(text) != std::string::npos;
            output.append(buf, static_cast<std::size_t>(n));
        }
        return true;
    }
    void Signal(int sig) const { kill(pid_, sig); }
    /** The exit status, or -1 when it did not exit normally in time. */
    int Wait(std::chrono::seconds timeout = std::chrono::seconds(20)) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        int raw = 0;
        while (waitpid(pid_, &raw, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > end) return -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        pid_ = -1;
        WaitFor("\x01", std::chrono::seconds(1));  // drain what is left
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::string output;

  private:
    pid_t pid_ = -1;
    int out_ = -1;
};

}  // namespace monitor::testing
