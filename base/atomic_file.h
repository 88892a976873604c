#pragma once
// Replacing a file whole: the bytes go to a temporary file beside the target,
// which is synced to disk and then renamed into place, so that a reader never
// sees a partial file and a failed write leaves the previous file as it was.

#include <cstdint>
#include <filesystem>
#include <span>

namespace pitkad {

// Writes bytes to path. A symbolic link is written through to the file it
// names (created when it does not exist yet) and stays a link; a new file
// gets the mode the process's umask gives, an existing file keeps its
// permissions, and one we may not write, or whose mode allows no writing at
// all, is not replaced. False, with no temporary file left
// behind, when any step fails. After a success, temporary files that earlier
// interrupted saves of the same file left are removed.
bool write_file_atomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace pitkad
