// Recovery copies: their name, which window's session owns one, whether one
// holds newer work than the drawing file, and the writer that keeps them
// off the window's thread.
#include "drawing/recovery_copy.h"

#include "base/paths.h"
#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <sys/stat.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

TEST(RecoveryFile, NamedFromTheRecordingsFullPathInTheCacheFolder) {
    test::TempDir dir;
    ::setenv("XDG_CACHE_HOME", dir.path().c_str(), 1);
    const fs::path a = recovery_file_for("/music/song.wav");
    EXPECT_EQ(a, dir / "PitkaD" / "recovery" / (path_digest("/music/song.wav") + ".pkc"));
    EXPECT_NE(a, recovery_file_for("/other/song.wav"));
    ::unsetenv("XDG_CACHE_HOME");
}

TEST(RecoveryFile, NewerOnlyWhenWrittenAfterTheDrawingFile) {
    test::TempDir dir;
    const fs::path copy = dir / "copy.pkc", drawing = dir / "song.pkc";
    const auto now = fs::file_time_type::clock::now();
    struct Case {
        const char* what;
        bool copy_exists, drawing_exists;
        int copy_age_s, drawing_age_s;
        bool newer;
    };
    const Case cases[] = {
        {"no copy", false, true, 0, 10, false},
        {"no drawing file", true, false, 10, 0, true},
        {"copy after the save", true, true, 10, 20, true},
        {"saved after the copy", true, true, 20, 10, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(copy);
        fs::remove(drawing);
        if (c.copy_exists) {
            test::write_file(copy, Bytes{1});
            fs::last_write_time(copy, now - std::chrono::seconds(c.copy_age_s));
        }
        if (c.drawing_exists) {
            test::write_file(drawing, Bytes{2});
            fs::last_write_time(drawing, now - std::chrono::seconds(c.drawing_age_s));
        }
        EXPECT_EQ(recovery_is_newer(copy, drawing), c.newer);
    }
}

unsigned mode_of(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Writes and removals happen in the order asked, into a folder made on
// demand; the destructor finishes what is pending. The copies are private
// whatever the umask, in a private folder, also one that was open to others.
TEST(RecoveryWriter, WritesAndRemovesInOrder) {
    test::TempDir dir;
    const fs::path file = dir / "recovery" / "a.pkc";
    for (const bool folder_there : {false, true}) {
        fs::remove_all(file.parent_path());
        if (folder_there) fs::create_directory(file.parent_path());
        std::error_code ec;
        fs::permissions(file.parent_path(), fs::perms(0755), ec);
        RecoveryWriter writer;
        writer.write(file, Bytes{1});
        writer.flush();
        EXPECT_EQ(mode_of(file), 0600u) << folder_there;
        EXPECT_EQ(mode_of(file.parent_path()), 0700u) << folder_there;
    }
    {
        RecoveryWriter writer;
        writer.write(file, Bytes{1, 2, 3});
        writer.flush();
        EXPECT_EQ(test::read_file(file), (Bytes{1, 2, 3}));
        writer.write(file, Bytes{4});
        writer.remove(file);
        writer.flush();
        EXPECT_FALSE(fs::exists(file));
        for (std::uint8_t i = 0; i < 20; ++i)
            writer.write(file, Bytes(1000, i));
    }
    EXPECT_EQ(test::read_file(file), Bytes(1000, 19));
    EXPECT_EQ(test::entry_count(dir / "recovery"), 1) << "no temporary file is left";
}

// Two sessions (windows) in one cache folder name their copies apart. A copy
// is left for another window only once its session has ended, whether its
// lock file went with it or stayed behind after a crash; the newest left
// copy wins, the earlier single name among them. Lock files of ended
// sessions go: the one of a copy dealt with, those with no copy, and their
// marks of open recordings.
TEST(RecoverySession, ACopyIsLeftToOthersOnlyOnceItsSessionEnded) {
    test::TempDir dir;
    const fs::path folder = dir / "recovery";
    const std::string song = "/music/song.wav";
    const auto write_aged = [](const fs::path& file, int age_s) {
        test::write_file(file, Bytes{1});
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::seconds(age_s));
    };
    RecoverySession mine(dir.path());
    auto theirs = std::make_unique<RecoverySession>(dir.path());
    ASSERT_TRUE(mine.held() && theirs->held());
    const fs::path their_copy = theirs->copy_for(song);
    EXPECT_NE(their_copy, mine.copy_for(song));
    EXPECT_EQ(mode_of(folder), 0700u);
    write_aged(their_copy, 30);
    write_aged(mine.copy_for(song), 0);
    write_aged(theirs->copy_for("/music/other.wav"), 0);
    EXPECT_EQ(mine.left_copy(song), fs::path()) << "one running, one my own";

    const fs::path their_lock = folder / (theirs->id() + ".lock");
    theirs.reset();
    EXPECT_FALSE(fs::exists(their_lock));
    EXPECT_EQ(mine.left_copy(song), their_copy);
    test::write_file(their_lock, {}); // as a crash leaves it
    EXPECT_EQ(mine.left_copy(song), their_copy);
    const fs::path old_name = folder / (path_digest(song) + ".pkc");
    write_aged(old_name, 20);
    EXPECT_EQ(mine.left_copy(song), old_name);

    mine.remove_left_lock(their_copy);
    EXPECT_FALSE(fs::exists(their_lock));
    const fs::path copyless = folder / "0123456789abcdef.lock";
    test::write_file(copyless, {});
    test::write_file(their_lock, {});
    const auto my_mark = mine.mark_open(song);
    const fs::path crashed_mark = dir / "open" / (path_digest(song) + "-0123456789abcdef.lock");
    test::write_file(crashed_mark, {});
    RecoverySession next(dir.path());
    EXPECT_FALSE(fs::exists(copyless));
    EXPECT_FALSE(fs::exists(crashed_mark));
    EXPECT_TRUE(next.mark_open(song).elsewhere) << "mine is still open";
    EXPECT_TRUE(fs::exists(their_lock)) << "its copy of other.wav is still there";
    EXPECT_TRUE(fs::exists(folder / (mine.id() + ".lock")));
}

} // namespace
} // namespace pitkad
