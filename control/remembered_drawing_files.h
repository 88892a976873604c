#pragma once
// Drawings saved under another name (Save As), remembered in the settings
// file's [DrawingFiles] so that the recording opens with them again.

#include "control/document_session.h"
#include "control/settings_file.h"

#include <QFile>

namespace pitkad {

class RememberedDrawingFiles final : public DrawingFileMemory {
  public:
    explicit RememberedDrawingFiles(SettingsFile& file) : file_(file) {}

    std::string drawing_file_for(const std::string& recording) override {
        return QFile::encodeName(file_.drawing_file_for(QFile::decodeName(recording.c_str())))
            .toStdString();
    }
    bool remember(const std::string& recording, const std::string& drawing_file) override {
        return file_.set_drawing_file_for(QFile::decodeName(recording.c_str()),
                                          QFile::decodeName(drawing_file.c_str()));
    }

  private:
    SettingsFile& file_;
};

} // namespace pitkad
