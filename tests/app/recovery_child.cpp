// A program for the crash test: the main window on test devices opens the
// recording named by its argument, draws a pen stroke in band 50 from frame
// 10 to 40 through real mouse events on the graph, prints "drawn" and runs
// until it is killed. Recovery copies are written every 200 ms.
#include "app/graph_widget.h"
#include "app/main_window.h"
#include "app/drawing_tools_window.h"
#include "audio/audio_output.h"

#include <QApplication>
#include <QMouseEvent>
#include <QToolButton>
#include <QtTest/QTest>

#include <cstdio>

namespace {

void send(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, held, {});
    QApplication::sendEvent(w, &e);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) return 2;
    pitkad::StartOptions o;
    o.audio = std::make_unique<pitkad::SteppedOutput>();
    o.midi = []() -> std::unique_ptr<pitkad::MidiBackend> { return nullptr; };
    o.screen_height = 1200; // line width 12
    o.read_settings = false;
    o.threads = 1;
    o.recovery_interval_ms = 200;
    pitkad::MainWindow form(std::move(o));
    form.show();
    if (!form.open_recording(QString::fromLocal8Bit(argv[1]))) return 1;
    form.on_show_drawing_tools();
    QTest::mouseClick(form.tools_window()->pen_draw_button, Qt::LeftButton);
    const int y = (75 - 50) * 12 + 6;
    send(form.graph, QEvent::MouseButtonPress, {10, y}, Qt::LeftButton, Qt::LeftButton);
    for (const int x : {25, 40})
        send(form.graph, QEvent::MouseMove, {x, y}, Qt::NoButton, Qt::LeftButton);
    send(form.graph, QEvent::MouseButtonRelease, {40, y}, Qt::LeftButton, Qt::NoButton);
    std::puts(form.doc.drawing.modified ? "drawn" : "not drawn");
    std::fflush(stdout);
    return app.exec();
}
