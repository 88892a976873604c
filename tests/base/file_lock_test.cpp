// Lock files: two locks on one name exclude each other, also within one
// process; a release removes the file; a file nobody holds is removable; a
// link at the name is never taken or removed.
#include "base/file_lock.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;

TEST(FileLock, ExcludesAnotherOpenAndGoesWithItsFile) {
    test::TempDir dir;
    const fs::path file = dir / "a.lock";
    FileLock first(file), second(file);
    EXPECT_EQ(first.status(), LockStatus::held);
    EXPECT_EQ(second.status(), LockStatus::busy);
    struct stat st {};
    ASSERT_EQ(::lstat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_TRUE(lock_in_use(file));
    EXPECT_FALSE(remove_unused_lock(file));

    first.release();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(lock_in_use(file));
    second = FileLock(file);
    EXPECT_TRUE(second.held());

    // Left by a holder that crashed: nobody holds it.
    const fs::path left = dir / "left.lock";
    test::write_file(left, {});
    EXPECT_FALSE(lock_in_use(left));
    EXPECT_TRUE(remove_unused_lock(left));
    EXPECT_FALSE(fs::exists(left));

    const fs::path link = dir / "link.lock";
    fs::create_symlink(left, link);
    EXPECT_EQ(FileLock(link).status(), LockStatus::failed);
    EXPECT_TRUE(lock_in_use(link));
    EXPECT_FALSE(remove_unused_lock(link));
    EXPECT_FALSE(fs::exists(left)) << "not made through the link";
    EXPECT_TRUE(fs::is_symlink(link));
}

} // namespace
} // namespace pitkad
