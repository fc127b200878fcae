#include "cli/CliProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mutex>
#include <thread>

extern char** environ;

namespace wayline {

namespace {

TRun Run(const std::vector<std::string>& arguments, TOutput output,
         const std::function<void(const TRunning&)>& meanwhile) {
    TRun run;
    std::mutex outLock;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipes";
        return run;
    }
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    ::posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<std::string> all = {WAYLINE_CLI};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, WAYLINE_CLI, &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << WAYLINE_CLI;
        ::close(out[0]);
        ::close(err[0]);
        return run;
    }
    TRunning running;
    running.Pid = static_cast<int>(pid);
    running.OutSoFar = [&run, &outLock] {
        const std::lock_guard<std::mutex> lock(outLock);
        return run.Out;
    };
    std::thread acting;
    if (meanwhile) {
        acting = std::thread([&meanwhile, &running] { meanwhile(running); });
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&run.Out, &run.Err};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || ::poll(fds, 2, static_cast<int>(left.count())) <= 0) {
            ADD_FAILURE() << "wayline-cli did not finish";
            ::kill(pid, SIGKILL);
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) != 0) {
                char buffer[4096];
                const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
                if (n > 0) {
                    const std::lock_guard<std::mutex> lock(outLock);
                    sinks[i]->append(buffer, static_cast<std::size_t>(n));
                    if (i == 0) {
                        run.OutBytes += static_cast<std::uint64_t>(n);
                        if (output == TOutput::CountOut && run.Out.size() > 8192) {
                            run.Out.erase(0, run.Out.size() - 4096);
                        }
                    }
                } else {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                }
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0) {
            ::close(fd.fd);
        }
    }
    if (acting.joinable()) {
        acting.join();
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.PeakKb = usage.ru_maxrss;
    return run;
}

} // namespace

TRun RunCli(const std::vector<std::string>& arguments, TOutput output) {
    return Run(arguments, output, {});
}

TRun RunCli(const std::vector<std::string>& arguments,
            const std::function<void(const TRunning&)>& meanwhile) {
    return Run(arguments, TOutput::Collect, meanwhile);
}

} // namespace wayline
