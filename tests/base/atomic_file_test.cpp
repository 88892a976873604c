#include "base/atomic_file.h"

#include "tests/common/restricted.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <optional>
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
        const bool created = bool(write_file_atomically(path, new_bytes));
        const bool replaced = bool(write_file_atomically(dir / "kept.pkc", new_bytes));
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
    for (int n = 1; n < 150; ++n)
        stale.push_back("song.pkc.tmp" + std::to_string(n));
    for (const std::string& name : stale)
        write_file(dir / name, old_bytes);
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
            for (;;)
                write_file_atomically(path, big);
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

// Whatever is at the name and is not a regular file is refused and left as
// it was: a link is never written through (not to a file of the user's, not
// to one it would create), a pipe or a device never opened.
TEST_F(AtomicFile, NonRegularNamesAreRefusedAndLeftAlone) {
    const fs::path other = dir / "other.pkd";
    const struct {
        const char* name;
        std::function<void()> make;
    } rows[] = {
        {"link to a file", [&] { fs::create_symlink(other, path); }},
        {"dangling link", [&] { fs::create_symlink(dir / "new.pkd", path); }},
        {"link to itself", [&] { fs::create_symlink(path.filename(), path); }},
        {"pipe", [&] { ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0); }},
        {"folder", [&] { fs::create_directory(path); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        write_file(other, old_bytes);
        ASSERT_EQ(::chmod(other.c_str(), 0600), 0);
        row.make();
        const fs::file_status before = fs::symlink_status(path);
        const FileWrite w = write_file_atomically(path, new_bytes, 0644);
        EXPECT_EQ(w.status, WriteStatus::not_a_regular_file);
        EXPECT_EQ(fs::symlink_status(path).type(), before.type());
        EXPECT_EQ(read_file(other), old_bytes);
        EXPECT_EQ(mode_of(other), 0600u);
        EXPECT_FALSE(fs::exists(dir / "new.pkd"));
        EXPECT_EQ(entry_count(dir.path()), 2) << "no temporary file is left";
        fs::remove_all(path);
    }
}

// A mode given is the file's, new or replaced, whatever the umask and the
// old file's mode: a backup keeps its original's, a private copy stays
// private.
TEST_F(AtomicFile, AGivenModeIsTheFilesMode) {
    const mode_t old_mask = ::umask(022);
    for (mode_t mode : {0600, 0640, 0666}) {
        for (bool exists : {false, true}) {
            SCOPED_TRACE(std::to_string(mode) + (exists ? " replacing a 0644 file" : " new"));
            fs::remove(path);
            if (exists) {
                write_file(path, old_bytes);
                ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
            }
            EXPECT_TRUE(write_file_atomically(path, new_bytes, mode));
            EXPECT_EQ(mode_of(path), mode);
        }
    }
    ::umask(old_mask);
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
        {"target is a folder", false,
         [&] { return bool(write_file_atomically(folder, new_bytes)); }},
        {"missing folder", false,
         [&] { return bool(write_file_atomically(folder / "no" / "such.pkc", new_bytes)); }},
        {"file size limit", false,
         [&] {
             return test::with_file_size_limit(
                 4096, [&] { return bool(write_file_atomically(file, new_bytes)); });
         }},
        {"file system full", false,
         [&]() -> std::optional<bool> {
             const test::SmallFileSystem disk(dir / "disk");
             if (!disk.mounted()) return std::nullopt;
             write_file(dir / "disk" / "take.pkc", old_bytes);
             disk.fill();
             const bool written = bool(write_file_atomically(dir / "disk" / "take.pkc", new_bytes));
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
