#pragma once
// A line of /proc/self/status in megabytes, for the probes that report
// memory: `key` as "VmRSS:" or "VmHWM:"; -1 when it is not there.

#include <cstring>
#include <fstream>
#include <string>

namespace pitkad::bench {

inline double status_mb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::stod(line.substr(n + 1)) / 1024.0;
    return -1;
}

} // namespace pitkad::bench
