// Ways to open a recording besides the open dialog: a file dropped on the
// window.
#include "window_test_support.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

namespace pitkad::test {
namespace {

QString qpath(const fs::path& p) {
    return QString::fromStdString(p.string());
}

// Drags `mime` over the graph and drops it there; true when the window
// accepted the drag, as a copy.
bool drag_and_drop(TForm1& f, const QMimeData& mime) {
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(QPoint(40, 40), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.graph, &enter);
    const bool accepted = enter.isAccepted() && enter.dropAction() == Qt::CopyAction;
    QDropEvent drop(QPointF(40, 40), offered, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(f.graph, &drop);
    QApplication::processEvents(); // the open runs once the drop has returned
    return accepted && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

// A dropped local file opens through the open sequence and becomes the
// open dialog's folder; with several, the first file; anything else is
// refused and changes nothing.
TEST(WindowDrop, LocalFileOpensOtherDropsAreRefused) {
    TempDir dir;
    const fs::path first = small_recording(dir.path(), "first.wav", 1);
    const fs::path second = small_recording(dir.path(), "second.wav", 1);
    const QUrl web("https://example.org/first.wav");
    struct Case {
        const char* name;
        QList<QUrl> urls;
        QString text;
        const char* opened; // null: refused
    };
    const Case cases[] = {
        {"a file", {QUrl::fromLocalFile(qpath(first))}, {}, "first.wav"},
        {"two files",
         {QUrl::fromLocalFile(qpath(second)), QUrl::fromLocalFile(qpath(first))},
         {},
         "second.wav"},
        {"a web address, then a file", {web, QUrl::fromLocalFile(qpath(first))}, {}, "first.wav"},
        {"a web address", {web}, {}, nullptr},
        {"a folder", {QUrl::fromLocalFile(qpath(dir.path()))}, {}, nullptr},
        {"text", {}, qpath(first), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window w = make_window();
        TForm1& f = *w.form;
        QMimeData mime;
        if (!c.urls.isEmpty()) mime.setUrls(c.urls);
        if (!c.text.isEmpty()) mime.setText(c.text);
        ModalResponder responder;
        EXPECT_EQ(drag_and_drop(f, mime), c.opened != nullptr);
        EXPECT_TRUE(responder.seen.empty());
        if (c.opened) {
            EXPECT_EQ(f.windowTitle(), QString("PitkaD - ") + c.opened);
            EXPECT_EQ(f.play_state(), PlayState::stopped);
            EXPECT_EQ(f.last_open_path, qpath(dir.path() / c.opened));
            EXPECT_EQ(f.open_dialog_dir, qpath(dir.path()));
        } else {
            EXPECT_EQ(f.play_state(), PlayState::no_recording);
            EXPECT_TRUE(f.open_dialog_dir.isEmpty());
        }
    }
}

} // namespace
} // namespace pitkad::test
