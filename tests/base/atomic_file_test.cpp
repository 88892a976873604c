#include "base/atomic_file.h"

#include "tests/common/restricted.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;
using test::entry_count;
using test::read_file;
using test::write_file;

const std::vector<std::uint8_t> old_bytes{7, 7, 7};
const std::vector<std::uint8_t> new_bytes(5000, 0x42);

mode_t mode_of(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

class AtomicFile : public ::testing::Test {
  protected:
    test::TempDir dir;
    fs::path path = dir / "song.pkc";
};

TEST_F(AtomicFile, ReplacingAFileKeepsItsPermissions) {
    for (mode_t mode : {0600, 0604, 0640, 0660, 0755}) {
        SCOPED_TRACE(mode);
        write_file(path, old_bytes);
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(write_file_atomically(path, new_bytes));
        EXPECT_EQ(read_file(path), new_bytes);
        EXPECT_EQ(mode_of(path), mode);
        EXPECT_EQ(entry_count(dir.path()), 1) << "no temporary file is left";
    }
}

// A new file gets the mode the umask leaves of 0666, as any program's new
// file would; a replaced one keeps its own whatever the umask. (No other
// thread runs in this test process, so the umask may be set here.)
TEST_F(AtomicFile, NewFilesFollowTheUmask) {
    write_file(dir / "kept.pkc", old_bytes);
    ASSERT_EQ(::chmod((dir / "kept.pkc").c_str(), 0644), 0);
    const struct {
        mode_t umask;
        mode_t created;
    } rows[] = {{022, 0644}, {077, 0600}, {002, 0664}, {0, 0666}, {0277, 0400}};
    const mode_t old_mask = ::umask(022);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.umask);
        ::umask(row.umask);
        fs::remove(path);
        const bool created = write_file_atomically(path, new_bytes);
        const bool replaced = write_file_atomically(dir / "kept.pkc", new_bytes);
        ::umask(old_mask);
        ASSERT_TRUE(created);
        EXPECT_EQ(mode_of(path), row.created);
        EXPECT_TRUE(replaced);
        EXPECT_EQ(mode_of(dir / "kept.pkc"), 0644u);
    }
}

// A read-only file is refused rather than replaced, as an editor would; a
// writable one in the same folder is replaced. Run under an ordinary user
// id, as the superuser may write anything.
TEST_F(AtomicFile, ReadOnlyFileIsNotReplaced) {
    const struct {
        mode_t mode;
        bool written;
    } rows[] = {{0444, false}, {0400, false}, {0644, true}, {0600, true}};
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(dir.path().c_str(), 65534, 65534), 0);
    }
    for (const auto& row : rows) {
        SCOPED_TRACE(row.mode);
        write_file(path, old_bytes);
        if (root) {
            ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(::chmod(path.c_str(), row.mode), 0);
        const auto r =
            test::run_unprivileged([&] { return write_file_atomically(path, new_bytes) ? 1 : 0; });
        if (!r) GTEST_SKIP() << "cannot drop privileges";
        EXPECT_EQ(*r, row.written ? 1 : 0);
        EXPECT_EQ(read_file(path), row.written ? new_bytes : old_bytes);
        EXPECT_EQ(mode_of(path), row.mode);
        EXPECT_EQ(entry_count(dir.path()), 1) << "no temporary file is left";
        // The superuser's rights do not override the file's mode.
        if (root && !row.written) {
            EXPECT_FALSE(write_file_atomically(path, new_bytes));
            EXPECT_EQ(read_file(path), old_bytes);
        }
    }
}

// Temporary names never run out, and what interrupted saves left is removed
// by the next save of the same file; a live process's temporary stays.
TEST_F(AtomicFile, LeftoversOfInterruptedSavesAreRemoved) {
    std::vector<std::string> stale{"song.pkc.tmp", "song.pkc.part999999999",
                                   "song.pkc.tmp-999999999-Ab12Cd"};
    for (int n = 1; n < 150; ++n) stale.push_back("song.pkc.tmp" + std::to_string(n));
    for (const std::string& name : stale) write_file(dir / name, old_bytes);
    const fs::path live = dir / ("song.pkc.tmp-" + std::to_string(::getppid()) + "-Xy34Zw");
    const fs::path other = dir / "other.pkc.tmp3";
    write_file(live, old_bytes);
    write_file(other, old_bytes);
    ASSERT_TRUE(write_file_atomically(path, new_bytes));
    EXPECT_EQ(read_file(path), new_bytes);
    EXPECT_EQ(entry_count(dir.path()), 3);
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(other));
}

// Saves killed at any moment leave the old file or the new one, never a mix;
// the next save clears their temporaries.
TEST_F(AtomicFile, KilledSavesLeaveAWholeFile) {
    const std::vector<std::uint8_t> big(8 << 20, 0x5a);
    write_file(path, old_bytes);
    for (int round = 0; round < 6; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            for (;;) write_file_atomically(path, big);
        }
        ::usleep(useconds_t(3000 + 7000 * round));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        const auto now = read_file(path);
        EXPECT_TRUE(now == old_bytes || now == big) << "round " << round << ": " << now.size();
    }
    ASSERT_TRUE(write_file_atomically(path, new_bytes));
    EXPECT_EQ(entry_count(dir.path()), 1);
}

// Writing through a symbolic link writes the file it names; the link stays.
TEST_F(AtomicFile, WritingThroughALinkWritesItsTarget) {
    const fs::path real = dir / "real" / "take.pkc";
    fs::create_directories(real.parent_path());
    const fs::path first_link = dir / "first.pkc";
    const struct {
        const char* name;
        fs::path link_target; // what `path` points at
        bool make_first_link;
        bool target_exists; // false: the link dangles, the write creates its file
    } rows[] = {
        {"absolute", real, false, true},
        {"relative", fs::path("real") / "take.pkc", false, true},
        {"link to a link", first_link, true, true},
        {"dangling", fs::path("real") / "take.pkc", false, false},
        {"link to a dangling link", first_link, true, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(path);
        fs::remove(first_link);
        fs::remove(real);
        if (row.target_exists) {
            write_file(real, old_bytes);
            ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
        }
        if (row.make_first_link) fs::create_symlink(real, first_link);
        fs::create_symlink(row.link_target, path);
        ASSERT_TRUE(write_file_atomically(path, new_bytes));
        ASSERT_TRUE(fs::is_symlink(path));
        EXPECT_EQ(fs::read_symlink(path), row.link_target);
        if (row.make_first_link) {
            EXPECT_TRUE(fs::is_symlink(first_link));
        }
        EXPECT_EQ(read_file(real), new_bytes);
        if (row.target_exists) {
            EXPECT_EQ(mode_of(real), 0640u);
        }
        EXPECT_EQ(entry_count(real.parent_path()), 1);
    }
    // A link to itself names no file: the write fails and the link stays.
    fs::remove(path);
    fs::create_symlink("song.pkc", path);
    EXPECT_FALSE(write_file_atomically(path, new_bytes));
    EXPECT_TRUE(fs::is_symlink(path));
}

// Every way the write can fail leaves what was there and no temporary file.
TEST_F(AtomicFile, FailedWriteLeavesTheOldFile) {
    const fs::path folder = dir / "folder";
    const fs::path file = folder / "take.pkc";
    // Each write gives whether it succeeded; nullopt when it cannot be tried here.
    const struct {
        const char* name;
        bool needs_permissions; // only binds under an ordinary user id
        std::function<std::optional<bool>()> write;
    } rows[] = {
        {"target is a folder", false, [&] { return write_file_atomically(folder, new_bytes); }},
        {"missing folder", false,
         [&] { return write_file_atomically(folder / "no" / "such.pkc", new_bytes); }},
        {"file size limit", false,
         [&] {
             return test::with_file_size_limit(
                 4096, [&] { return write_file_atomically(file, new_bytes); });
         }},
        {"file system full", false,
         [&]() -> std::optional<bool> {
             const test::SmallFileSystem disk(dir / "disk");
             if (!disk.mounted()) return std::nullopt;
             write_file(dir / "disk" / "take.pkc", old_bytes);
             disk.fill();
             const bool written = write_file_atomically(dir / "disk" / "take.pkc", new_bytes);
             EXPECT_EQ(read_file(dir / "disk" / "take.pkc"), old_bytes);
             EXPECT_EQ(entry_count(dir / "disk"), 2) << "the file and the filler only";
             return written;
         }},
        {"folder not writable", true,
         [&]() -> std::optional<bool> {
             const auto r = test::run_unprivileged(
                 [&] { return write_file_atomically(file, new_bytes) ? 1 : 0; });
             if (!r) return std::nullopt;
             return *r == 1;
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::create_directories(folder);
        write_file(file, old_bytes);
        if (row.needs_permissions) {
            if (::geteuid() == 0) {
                ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
                ASSERT_EQ(::chown(folder.c_str(), 65534, 65534), 0);
            }
            ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
        }
        const std::optional<bool> written = row.write();
        ::chmod(folder.c_str(), 0755);
        if (!written) continue; // cannot drop root's privileges
        EXPECT_FALSE(*written);
        EXPECT_TRUE(fs::is_directory(folder));
        EXPECT_EQ(read_file(file), old_bytes);
        EXPECT_EQ(entry_count(folder), 1) << "no temporary file is left";
    }
}

} // namespace
} // namespace pitkad
