#pragma once
// Running a check under a restriction: without root's rights (the tests may
// run as root), or with a file size limit that makes writes fail part-way.

#include <csignal>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/mount.h>
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

// A small tmpfs mounted on `folder` for the object's life, as a disk that
// fills up. Mounting needs root; mounted() tells whether it worked.
class SmallFileSystem {
  public:
    explicit SmallFileSystem(std::filesystem::path folder, std::size_t bytes = 256 * 1024)
        : folder_(std::move(folder)) {
        std::filesystem::create_directories(folder_);
        const std::string options = "size=" + std::to_string(bytes);
        mounted_ = ::geteuid() == 0 &&
                   ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;
    bool mounted() const { return mounted_; }
    // Takes every free byte, so that the next write fails for want of space.
    void fill() const {
        std::ofstream filler(folder_ / "filler", std::ios::binary);
        const std::vector<char> block(4096, 'x');
        while (filler.write(block.data(), std::streamsize(block.size())) && filler.flush()) {
        }
        for (int i = 0; filler && i < 4096; ++i) filler.put('x').flush();
    }

  private:
    std::filesystem::path folder_;
    bool mounted_ = false;
};

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
