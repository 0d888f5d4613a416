#pragma once

// tavro-writer-cli run as a child process by the end-to-end tests.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace tavro::test {

struct Ended {
    bool exited = false;
    int status = -1;  // exit status, or the signal that killed it
    std::string out;
    std::string err;
};

// Where the child's stdout goes.
enum class ChildStdout {
    Pipe,      // a pipe the test reads (Ended::out)
    Closed,    // no descriptor 1 at all
    DevFull,   // /dev/full: every write fails with ENOSPC
    FullPipe,  // a pipe already full that nobody reads: every write waits
};

// tavro-writer-cli as a child of the test thread, so in the tool namespace, with its stdout and
// stderr on pipes. SIGINT, SIGTERM and SIGHUP start at their defaults whatever the test runner
// set.
class CliProcess {
public:
    // `environment` adds NAME=VALUE entries to the test's own environment, from which the
    // locale and the password variables are taken out first, so that only the test sets them.
    explicit CliProcess(const std::vector<std::string>& arguments,
                        const std::vector<std::string>& environment = {},
                        ChildStdout stdoutTo = ChildStdout::Pipe) {
        std::vector<std::string> args = {TAVRO_WRITER_CLI_PATH};
        args.insert(args.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> variables = environment;
        for (char** entry = environ; *entry != nullptr; ++entry) {
            const std::string variable = *entry;
            const std::string name = variable.substr(0, variable.find('='));
            if (name != "LANG" && name != "TAVRO_PASSWORD" && !name.starts_with("LC_")) {
                variables.push_back(variable);
            }
        }
        std::vector<char*> envp;
        for (std::string& variable : variables) envp.push_back(variable.data());
        envp.push_back(nullptr);

        int outPipe[2];
        int errPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) return;
        if (stdoutTo == ChildStdout::FullPipe && !Fill(outPipe[1])) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        switch (stdoutTo) {
            case ChildStdout::Pipe:
                posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
                break;
            case ChildStdout::Closed:
                posix_spawn_file_actions_addclose(&actions, STDOUT_FILENO);
                break;
            case ChildStdout::DevFull:
                posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/full", O_WRONLY, 0);
                break;
            case ChildStdout::FullPipe:
                posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
                break;
        }
        posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigset_t stops;
        ::sigemptyset(&none);
        ::sigemptyset(&stops);
        ::sigaddset(&stops, SIGINT);
        ::sigaddset(&stops, SIGTERM);
        ::sigaddset(&stops, SIGHUP);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        if (::posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        ::close(outPipe[1]);
        ::close(errPipe[1]);
        if (stdoutTo == ChildStdout::Pipe) {
            out_ = outPipe[0];
        } else if (stdoutTo == ChildStdout::FullPipe) {
            unread_ = outPipe[0];  // open and unread until the end
        } else {
            ::close(outPipe[0]);
        }
        err_ = errPipe[0];
    }
    ~CliProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
        if (err_ >= 0) ::close(err_);
        if (unread_ >= 0) ::close(unread_);
    }
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    bool started() const { return pid_ > 0; }
    void Signal(int signal) { ::kill(pid_, signal); }

    // Collects the output until the child has closed both pipes and ended; nullopt when that
    // took longer than the limit.
    std::optional<Ended> Wait(std::chrono::milliseconds limit) {
        Ended ended;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (out_ >= 0 || err_ >= 0) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd entries[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
            if (::poll(entries, 2, static_cast<int>(left.count())) < 0 && errno != EINTR) {
                return std::nullopt;
            }
            Drain(entries[0], out_, ended.out);
            Drain(entries[1], err_, ended.err);
        }
        int status = 0;
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        pid_ = -1;
        ended.exited = WIFEXITED(status);
        ended.status = ended.exited ? WEXITSTATUS(status) : WTERMSIG(status);
        return ended;
    }

private:
    // Fills a pipe to the brim, then leaves its writer blocking again as the child gets it.
    static bool Fill(int writer) {
        const int flags = ::fcntl(writer, F_GETFL);
        if (flags < 0 || ::fcntl(writer, F_SETFL, flags | O_NONBLOCK) != 0) return false;
        const std::string chunk(4096, '.');
        while (::write(writer, chunk.data(), chunk.size()) > 0) {
        }
        const bool full = errno == EAGAIN;
        return ::fcntl(writer, F_SETFL, flags) == 0 && full;
    }

    static void Drain(const pollfd& entry, int& fd, std::string& into) {
        if (fd < 0 || entry.revents == 0) return;
        char chunk[4096];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) {
            into.append(chunk, static_cast<std::size_t>(got));
        } else if (got == 0 || errno != EINTR) {
            ::close(fd);
            fd = -1;
        }
    }

    pid_t pid_ = -1;
    int out_ = -1;
    int err_ = -1;
    int unread_ = -1;
};

}  // namespace tavro::test
