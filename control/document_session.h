#pragma once
// The life of the open recording and its drawing: which drawing file belongs
// to the recording (beside it, or where "save as" put it), reading it at an
// open, saving, saving under another name, the crash-recovery copy, and what
// happens to unsaved changes before the recording is given up. Questions and
// notices go through SessionHost, which the main window implements and tests
// fake; no texts are worded here. UI thread only.

#include "control/document.h"
#include "drawing/draw_file.h"
#include "drawing/recovery_copy.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pitkad {

// What the user is told about; the window words it.
enum class SessionIssue {
    // The drawing file exists but could not be read (`read` says why). The
    // recording opens with an empty drawing; the file is kept.
    drawing_unreadable,
    // The drawing file was read but made for another frame count: it was
    // cut or padded to the recording's (`read` has both counts).
    drawing_resized,
    // A save failed (detail: the reason); nothing was changed.
    drawing_not_written,
    // The load command found no drawing file.
    drawing_not_found,
    // The recovery copy (`path`) could not be written: unsaved work is not
    // kept against a crash. Told once until a copy is written again.
    recovery_not_written,
    // Before a save replaced a drawing file that could not be read or was
    // cut, that file was kept as `path`.
    drawing_kept,
    // A save was refused because something other than a regular file is at
    // the drawing file's name (a link, a pipe, a device): it is never
    // written through. Nothing was changed.
    drawing_not_a_file,
};

struct SessionNotice {
    SessionIssue issue;
    std::string path;   // the file the notice is about
    std::string detail; // the reason, when there is one
    // The drawing file's reading, for drawing_unreadable and drawing_resized.
    DrawFileRead read{};
};

enum class UnsavedAnswer { save, discard, cancel };
enum class RecoveryAnswer { restore, discard, later };

class SessionHost {
  public:
    virtual ~SessionHost() = default;
    // The drawing has unsaved changes and is about to be given up.
    virtual UnsavedAnswer ask_unsaved() = 0;
    // A recovery copy newer than the drawing file was found at an open.
    virtual RecoveryAnswer ask_restore() = 0;
    virtual void tell(const SessionNotice& notice) = 0;
    // A save to the drawing file was refused (`why`: drawing_not_a_file):
    // the name of another file to save to, which is then remembered as by
    // save_as, or empty to save nothing. Without an answer, `why` is told.
    virtual std::string choose_other_drawing_file(const SessionNotice& why) {
        tell(why);
        return {};
    }
    // The drawing was written to its file, or replaced by a file's content.
    virtual void drawing_saved() {}
    virtual void drawing_replaced() {}
};

// Where a drawing saved under another name is remembered for its recording
// (the settings file's [DrawingFiles]); both take full paths.
class DrawingFileMemory {
  public:
    virtual ~DrawingFileMemory() = default;
    virtual std::string drawing_file_for(const std::string& recording) = 0;
    virtual bool remember(const std::string& recording, const std::string& drawing_file) = 0;
};

class DocumentSession {
  public:
    // `memory` may be null: drawings are then always beside their recording.
    DocumentSession(Document& doc, SessionHost& host, DrawingFileMemory* memory = nullptr);
    DocumentSession(const DocumentSession&) = delete;
    DocumentSession& operator=(const DocumentSession&) = delete;

    bool is_open() const { return !recording_.empty(); }
    // The open recording's full path; empty while none is open.
    const std::string& recording() const { return recording_; }
    const std::string& drawing_file() const { return doc_.draw_file; }
    // The drawing differs from its file.
    bool modified() const { return is_open() && doc_.drawing.modified; }

    // Before the open recording is given up (another one opens, the program
    // closes): an unsaved drawing is asked about and saved or discarded.
    // False when the user cancelled or the save failed; nothing changed then.
    bool settle_unsaved();

    // Makes a staged recording the open one: the store is taken, the drawing
    // file chosen and read, and a newer recovery copy offered. The caller
    // has settled the old drawing and reset what plays it.
    void adopt(const std::filesystem::path& recording, SpectrogramStore&& staged);

    // Saves to the drawing file; false (told) when it failed. When the
    // drawing file's name holds anything but a regular file, the host is
    // asked for another file and the drawing is saved there as by save_as.
    bool save();
    // Saves to `file` and remembers it for the recording: it opens from
    // there, and later saves go there. False (told) when the save failed;
    // the drawing file is then the one it was.
    bool save_as(const std::string& file);
    // The load command: reads the drawing file again, after settling an
    // unsaved drawing. False when nothing was read.
    bool reload();

    // Crash recovery: while the drawing has unsaved changes, a copy of what
    // its file would hold is written at once after a save or an open, then
    // at most every `recovery_interval`. Saving, discarding and close()
    // remove it.
    void recovery_tick(std::chrono::steady_clock::time_point now);
    std::chrono::milliseconds recovery_interval{30000};
    // The open recording's recovery copy; empty while none is open.
    std::filesystem::path recovery_file() const;
    RecoveryWriter& recovery_writer() { return recovery_writer_; }

    // The normal end of the session: the recovery copy goes (whatever was to
    // be kept has been saved or discarded) and pending writes finish.
    void close();

  private:
    // Reads the drawing file into the drawing; tells why when it cannot.
    bool read_drawing(bool at_open);
    void offer_recovery();
    void drop_recovery();
    // Before a file that could not be read, or was cut, is replaced: it is
    // kept beside itself under a name not in use.
    void keep_protected_file(const std::string& file);
    // Saves to `file`; tells a failure, not a refusal (not_a_regular_file),
    // which the callers handle.
    WriteStatus write_drawing(const std::string& file);

    Document& doc_;
    SessionHost& host_;
    DrawingFileMemory* memory_;
    std::string recording_;
    // A drawing file whose content the open drawing does not hold whole: it
    // is kept aside before the first save replaces it.
    std::string protected_file_;
    RecoveryWriter recovery_writer_;
    bool recovery_written_ = false;
    bool recovery_failure_told_ = false;
    std::chrono::steady_clock::time_point recovery_written_at_{};
    std::vector<std::uint8_t> recovery_bytes_;
    // The user kept an older copy for later: this session leaves it alone.
    bool recovery_kept_ = false;
};

} // namespace pitkad
