#include "base/file_bytes.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace pitkad {
namespace {

namespace fs = std::filesystem;

TEST(ReadFileBytes, WholeRegularFilesUpToTheCap) {
    test::TempDir dir;
    const std::vector<std::uint8_t> five{1, 2, 3, 0, 255};
    test::write_file(dir / "five", five);
    ASSERT_EQ(::chmod((dir / "five").c_str(), 0640), 0);
    test::write_file(dir / "empty", {});
    fs::create_symlink("five", dir / "link");
    fs::create_symlink("/dev/zero", dir / "zero");
    fs::create_symlink("zero", dir / "zero2");
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0644), 0);
    struct Case {
        const char* name;
        std::uintmax_t cap;
        Links links;
        ReadStatus want;
    };
    const Case cases[] = {
        {"five", 5, Links::follow, ReadStatus::ok},
        {"five", 4, Links::follow, ReadStatus::too_large},
        {"empty", 0, Links::follow, ReadStatus::ok},
        {"missing", 100, Links::follow, ReadStatus::absent},
        {".", 100, Links::follow, ReadStatus::unreadable},
        {"link", 5, Links::follow, ReadStatus::ok},
        {"link", 5, Links::refuse, ReadStatus::not_a_regular_file},
        {"five", 5, Links::refuse, ReadStatus::ok},
        // Neither waits for a writer nor reads without end.
        {"pipe", 100, Links::follow, ReadStatus::not_a_regular_file},
        {"zero2", 100, Links::follow, ReadStatus::not_a_regular_file},
    };
    ::alarm(20); // a read that blocks ends the test instead of hanging it
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.cap));
        const FileRead r = read_regular_file(dir / c.name, c.cap, c.links);
        EXPECT_EQ(r.status, c.want);
        if (c.links == Links::follow) {
            EXPECT_EQ(read_file_bytes(dir / c.name, c.cap).has_value(), c.want == ReadStatus::ok);
        }
        if (c.want == ReadStatus::ok && c.cap == 5) {
            EXPECT_EQ(r.bytes, five);
            EXPECT_EQ(r.mode, 0640u);
        }
    }
    ::alarm(0);
}

} // namespace
} // namespace pitkad
