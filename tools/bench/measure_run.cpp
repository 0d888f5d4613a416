// tavro-bench-measure CAP_SECONDS LOG COMMAND [ARG...]
//
// Runs COMMAND with stdin from /dev/null and stdout and stderr appended to LOG, and prints
// what it cost as one line on stdout:
//
//     WALL_S USER_S SYS_S MAXRSS_KIB STATUS
//
// The figures are the command's own (wait4 of the child). This launcher is a small process on
// purpose: the kernel counts the memory the child had before its exec into its peak RSS, so a
// launcher as large as an interpreter would hide a small program's peak under its own. A
// command still running after CAP_SECONDS (0: no cap) is killed and STATUS reads "capped";
// a command ended by a signal reads "signal-N".

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double Seconds(const timeval& value) { return value.tv_sec + value.tv_usec / 1e6; }

double Now() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec + now.tv_nsec / 1e9;
}

[[noreturn]] void RunChild(const char* log, char** command) {
    const int input = open("/dev/null", O_RDONLY);
    const int output = open(log, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (input < 0 || output < 0) _exit(126);
    dup2(input, STDIN_FILENO);
    dup2(output, STDOUT_FILENO);
    dup2(output, STDERR_FILENO);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execvp(command[0], command);
    std::fprintf(stderr, "tavro-bench-measure: %s: %s\n", command[0], std::strerror(errno));
    _exit(127);
}

// True when the child ended within the cap (0: no cap); false once it had to be killed.
bool AwaitChild(pid_t child, double cap) {
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    const double deadline = Now() + cap;
    for (;;) {
        siginfo_t info{};
        if (waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == child) {
            return true;
        }
        if (cap <= 0) {
            sigwaitinfo(&childSignal, nullptr);
            continue;
        }
        const double left = deadline - Now();
        if (left <= 0) {
            kill(child, SIGKILL);
            return false;
        }
        const timespec slice{static_cast<time_t>(left),
                             static_cast<long>((left - static_cast<time_t>(left)) * 1e9)};
        sigtimedwait(&childSignal, nullptr, &slice);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: tavro-bench-measure CAP_SECONDS LOG COMMAND [ARG...]\n");
        return 64;
    }
    const double cap = std::atof(argv[1]);
    sigset_t childSignal;
    sigemptyset(&childSignal);
    sigaddset(&childSignal, SIGCHLD);
    sigprocmask(SIG_BLOCK, &childSignal, nullptr);

    const double start = Now();
    const pid_t child = fork();
    if (child < 0) {
        std::perror("tavro-bench-measure: fork");
        return 1;
    }
    if (child == 0) RunChild(argv[2], argv + 3);

    const bool ended = AwaitChild(child, cap);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    const double wall = Now() - start;

    char outcome[32];
    if (!ended) {
        std::snprintf(outcome, sizeof outcome, "capped");
    } else if (WIFSIGNALED(status)) {
        std::snprintf(outcome, sizeof outcome, "signal-%d", WTERMSIG(status));
    } else {
        std::snprintf(outcome, sizeof outcome, "%d", WEXITSTATUS(status));
    }
    std::printf("%.6f %.6f %.6f %ld %s\n", wall, Seconds(usage.ru_utime), Seconds(usage.ru_stime),
                usage.ru_maxrss, outcome);
    return 0;
}
