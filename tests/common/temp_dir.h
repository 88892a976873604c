#pragma once
// A fresh folder per test, and whole files read and written in it.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace pitkad::test {

// Named after the running test; removed with all it holds afterwards, its
// owner's rights restored first for tests that take them away.
class TempDir {
  public:
    TempDir() {
        static int serial = 0;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = info ? std::string(info->test_suite_name()) + "_" + info->name() : "x";
        for (char& c : name)
            if (c == '/') c = '_';
        path_ =
            std::filesystem::temp_directory_path() /
            ("pitkad_" + std::to_string(::getpid()) + "_" + std::to_string(serial++) + "_" + name);
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

inline void write_file(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline std::vector<std::uint8_t> read_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// How many entries a folder holds (a left-over temporary file shows here).
inline long entry_count(const std::filesystem::path& folder) {
    return long(std::distance(std::filesystem::directory_iterator(folder),
                              std::filesystem::directory_iterator()));
}

} // namespace pitkad::test
