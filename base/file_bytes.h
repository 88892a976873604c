#pragma once
// Reading a whole file into memory, with a cap so that a huge file given by
// mistake is refused instead of filling the memory.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace pitkad {

// The file's bytes; nullopt when it cannot be opened or read, is not a
// regular file, or is larger than max_size bytes.
std::optional<std::vector<std::uint8_t>> read_file_bytes(const std::filesystem::path& path,
                                                         std::uintmax_t max_size);

} // namespace pitkad
