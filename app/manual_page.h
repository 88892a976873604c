#pragma once
// Where the manual (the support page) of a language is, and the help
// menu's two commands that show it.

#include "app/language.h"

#include <QString>
#include <QUrl>

class QWidget;

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

// The manual in `language` (found like the data files) as a URL.
QUrl manual_url(Language language);
// The support page: the manual opened with `open_url`, or with the desktop's
// opener when it is empty; `show_error` gets the manual's path when the page
// could not be shown.
void show_support_page(Language language, const std::function<bool(const QUrl&)>& open_url,
                       QObject* context, std::function<void(const QString&)> show_error);
// The About box over `parent`, with the manual's address.
void show_about(QWidget* parent, Language language);

} // namespace pitkad
