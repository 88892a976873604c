#include "base/file_bytes.h"

#include <fstream>
#include <system_error>

namespace pitkad {

std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& path,
                                                         std::uintmax_t max_size) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size > max_size) return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::vector<std::uint8_t> bytes(std::size_t(size), 0);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(size));
    // A file that shrank meanwhile reads short: refused as well.
    if (std::uintmax_t(in.gcount()) != size || in.peek() != std::ifstream::traits_type::eof())
        return std::nullopt;
    return bytes;
}

} // namespace pitkad
