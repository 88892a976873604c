// Recovery copies: their name, whether one holds newer work than the
// drawing file, and the writer that keeps them off the window's thread.
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

} // namespace
} // namespace pitkad
