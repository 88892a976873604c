#pragma once
// Running a check under a restriction: without root's rights (the tests may
// run as root), or with a file size limit that makes writes fail part-way.

#include <csignal>
#include <cstddef>
#include <functional>
#include <optional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pitkad::test {

// Runs fn in a child process under an ordinary user id (nobody, 65534) when
// the tests run as root; fn's result, or nullopt when the child cannot drop
// root's privileges or does not exit normally.
inline std::optional<int> run_unprivileged(const std::function<int()>& fn) {
    const pid_t pid = ::fork();
    if (pid < 0) return std::nullopt;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(77);
        ::_exit(fn());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 77) return std::nullopt;
    return WEXITSTATUS(status);
}

// Runs fn with files limited to `bytes`: a longer write fails whatever our
// rights. nullopt when the limit cannot be set.
inline std::optional<bool> with_file_size_limit(std::size_t bytes,
                                                const std::function<bool()>& fn) {
    rlimit old_limit{};
    if (::getrlimit(RLIMIT_FSIZE, &old_limit) != 0) return std::nullopt;
    rlimit small = old_limit;
    small.rlim_cur = bytes;
    const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
    if (::setrlimit(RLIMIT_FSIZE, &small) != 0) {
        std::signal(SIGXFSZ, old_handler);
        return std::nullopt;
    }
    const bool result = fn();
    ::setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_handler);
    return result;
}

} // namespace pitkad::test
