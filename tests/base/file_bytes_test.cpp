#include "base/file_bytes.h"

#include "tests/common/temp_dir.h"

#include <gtest/gtest.h>

namespace pitkad {
namespace {

TEST(ReadFileBytes, WholeFilesUpToTheCap) {
    test::TempDir dir;
    const std::vector<std::uint8_t> five{1, 2, 3, 0, 255};
    test::write_file(dir.path() / "five", five);
    test::write_file(dir.path() / "empty", {});
    struct Case {
        const char* name;
        std::uintmax_t cap;
        std::optional<std::vector<std::uint8_t>> want;
    };
    const Case cases[] = {
        {"five", 5, five},
        {"five", 4, std::nullopt},
        {"empty", 0, std::vector<std::uint8_t>{}},
        {"missing", 100, std::nullopt},
        {".", 100, std::nullopt}, // a folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.cap));
        EXPECT_EQ(read_file_bytes(dir.path() / c.name, c.cap), c.want);
    }
}

} // namespace
} // namespace pitkad
