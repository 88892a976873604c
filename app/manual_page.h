#pragma once
// Where the manual (the support page) of a language is.

#include "app/language.h"

#include <QString>
#include <QUrl>

#include <filesystem>
#include <functional>
#include <string>

namespace pitkad {

// Finds a data file by name; empty when there is none (find_data_file).
using DataFileFinder = std::function<std::filesystem::path(const std::string&)>;

// The manual in `language` as `find` finds it, the Japanese one where that
// language's is missing, and where neither is found the installed place of
// the Japanese one (still the address to show).
std::filesystem::path manual_file(Language language, const DataFileFinder& find);

// Opens `url` with the desktop's opener `program` (xdg-open) and calls
// `on_failure` when it cannot be started or ends with a failure status: the
// opener starts whether or not any browser is installed, so its status is
// the only answer. Returns at once; `context` going away drops the call.
void open_in_browser(const QString& program, const QUrl& url, QObject* context,
                     std::function<void()> on_failure);

} // namespace pitkad
