#include "app/manual_page.h"

#include "base/paths.h"

namespace pitkad {

std::filesystem::path manual_file(Language language, const DataFileFinder& find) {
    constexpr const char* japanese_manual = "manual.html";
    std::filesystem::path file;
    if (language == Language::english) file = find("manual_en.html");
    if (file.empty()) file = find(japanese_manual);
    if (file.empty()) file = installed_data_dir() / japanese_manual;
    return file;
}

} // namespace pitkad
