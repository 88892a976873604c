// Each running instance has its own fallback analysis file; files of
// instances that are gone are removed.
#include "base/paths.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;

TEST(FallbackCache, OneFilePerInstanceAndStaleOnesRemoved) {
    test::TempDir dir;
    ::setenv("XDG_CACHE_HOME", dir.path().c_str(), 1);
    const fs::path mine = fallback_cache_file();
    EXPECT_EQ(mine.parent_path(), dir / "PitkaD");

    // A second instance (a child process) names another file.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const std::string other = fallback_cache_file().string();
        ::_exit(::write(fds[1], other.data(), other.size()) > 0 ? 0 : 1);
    }
    ::close(fds[1]);
    char buffer[4096] = {};
    const ssize_t got = ::read(fds[0], buffer, sizeof buffer - 1);
    ::close(fds[0]);
    ::waitpid(child, nullptr, 0);
    ASSERT_GT(got, 0);
    EXPECT_NE(fs::path(buffer), mine);

    fs::create_directories(mine.parent_path());
    const fs::path gone = dir / "PitkaD" / "PitkaD-999999999.tmp";
    const fs::path running = dir / "PitkaD" / ("PitkaD-" + std::to_string(::getppid()) + ".tmp");
    const fs::path other = dir / "PitkaD" / "PitkaD-x.tmp";
    for (const fs::path& f : {mine, gone, running, other}) test::write_file(f, {1});
    remove_stale_fallback_caches();
    EXPECT_TRUE(fs::exists(mine));
    EXPECT_FALSE(fs::exists(gone));
    EXPECT_TRUE(fs::exists(running));
    EXPECT_TRUE(fs::exists(other));
    ::unsetenv("XDG_CACHE_HOME");
}

// The digest is fixed (FNV-1a 64 of the bytes), so names made by one
// version are found by the next; different paths get different names.
TEST(PathDigest, KnownValuesAndDistinctPaths) {
    struct Case {
        const char* path;
        const char* want;
    };
    const Case cases[] = {
        {"", "cbf29ce484222325"},
        {"a", "af63dc4c8601ec8c"},
        {"foobar", "85944171f73967e8"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(path_digest(c.path), c.want) << c.path;
    EXPECT_NE(path_digest("/music/song.wav"), path_digest("/music/song.flac"));
}

} // namespace
} // namespace pitkad
