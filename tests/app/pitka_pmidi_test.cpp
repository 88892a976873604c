#include "app/pitka_pmidi.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>
#include <vector>

using namespace pitkad;

namespace {

using Messages = std::vector<std::uint32_t>;
std::uint32_t msg(int status, int d1, int d2) {
    return short_message(status, d1, d2);
}

// An open port on a recorder, the pen switch as a plain flag, and the dialog.
struct Rig {
    MidiPort port;
    RecordingMidiBackend* rec = nullptr;
    bool pen_midi = true;
    std::vector<bool> pen_history; // every value the dialog set
    std::unique_ptr<TForm3> form;

    Rig() {
        auto b = std::make_unique<RecordingMidiBackend>();
        rec = b.get();
        port.open(std::move(b));
        rec->messages.clear();
        form = std::make_unique<TForm3>(port, PenMidiAccess{[this] { return pen_midi; },
                                                            [this](bool d) {
                                                                pen_midi = d;
                                                                pen_history.push_back(d);
                                                            }});
    }
    Messages take() { return std::exchange(rec->messages, {}); }
};

} // namespace

TEST(TForm3, ControlsAsDefined) {
    Rig rig;
    TForm3& f = *rig.form;
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("MIDI の設定"));
    EXPECT_EQ(f.MidiSetting1->title(), QString::fromUtf8("　音色と音量　"));
    EXPECT_EQ(f.Label2->text(), QString::fromUtf8("グラフ　クリック用"));
    EXPECT_EQ(f.Label3->text(), QString::fromUtf8("描画データ再生用"));
    EXPECT_EQ(f.Label1->text(), QString::fromUtf8("描画データ再生時の発音遅れ補償 (×20ms)"));
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowCloseButtonHint);
    // Above the drawing-tool window, which keeps on top too.
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f.CloseButton->text(), QString::fromUtf8("閉じる"));

    for (int n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        QSpinBox* s = f.SpinEdit(n);
        EXPECT_EQ(s, f.findChild<QSpinBox*>(QStringLiteral("SpinEdit%1").arg(n)));
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 127);
        EXPECT_EQ(s->value(), 0);
        EXPECT_FALSE(s->findChild<QLineEdit*>()->isReadOnly());
        QSlider* t = f.TrackBar(n);
        EXPECT_EQ(t, f.findChild<QSlider*>(QStringLiteral("TrackBar%1").arg(n)));
        EXPECT_EQ(t->minimum(), 0);
        EXPECT_EQ(t->maximum(), 127);
        EXPECT_EQ(t->tickInterval(), 43);
        EXPECT_EQ(t->value(), 127);
    }
    EXPECT_EQ(f.MidiDelaySpinEdit1->minimum(), 0);
    EXPECT_EQ(f.MidiDelaySpinEdit1->maximum(), 30);
    EXPECT_FALSE(f.MidiDelaySpinEdit1->findChild<QLineEdit*>()->isReadOnly());
    EXPECT_EQ(f.Timer1->interval(), 1000);
    EXPECT_FALSE(f.Timer1->isActive());

    // Panel(2k - 1) shows colour k, Panel(2k) colour k + 8.
    const int colour_of_panel[16] = {1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 8, 16};
    for (int n = 1; n <= 16; ++n) {
        SCOPED_TRACE(n);
        Rgb c = grid_colours[std::size_t(colour_of_panel[n - 1] - 1)];
        EXPECT_EQ(f.Panel(n)->objectName(), QStringLiteral("Panel%1").arg(n));
        EXPECT_EQ(f.Panel(n)->palette().color(QPalette::Window), QColor(c.r, c.g, c.b));
    }
}

TEST(TForm3, ShowFillsControlsSilencesAndLiftsThePenSwitch) {
    Rig rig;
    MidiTables& t = rig.port.tables;
    for (int r = 0; r < 9; ++r) {
        t.midi_program[std::size_t(r)] = 10 + r;
        t.midi_volume[std::size_t(r)] = 60 + r;
    }
    t.midi_delay = 7;
    t.active_notes[2][5] = 40;
    rig.form->show();
    // Filling the controls sends nothing beyond releasing the sounding note.
    EXPECT_EQ(rig.take(), (Messages{msg(0x82, 73, 0)}));
    EXPECT_EQ(t.midi_volume[8], 68);
    for (int r = 0; r < 9; ++r) {
        EXPECT_EQ(rig.form->SpinEdit(r + 1)->value(), 10 + r);
        EXPECT_EQ(rig.form->TrackBar(r + 1)->value(), 60 + r);
    }
    EXPECT_EQ(rig.form->MidiDelaySpinEdit1->value(), 7);
    EXPECT_EQ(rig.form->Tag, 0);
    EXPECT_FALSE(rig.pen_midi);
    EXPECT_TRUE(rig.form->saved_pen_midi);
}

TEST(TForm3, ProgramStepSendsProgramAndTestNoteThenTimerReleasesIt) {
    Rig rig;
    rig.port.tables.midi_program[3] = 39;
    rig.port.tables.midi_volume[3] = 90;
    rig.form->show();
    rig.take();

    QTest::keyClick(rig.form->SpinEdit(4), Qt::Key_Up);
    EXPECT_EQ(rig.take(), (Messages{msg(0xC3, 0x28, 0), msg(0x93, 0x3C, 90)}));
    EXPECT_EQ(rig.port.tables.midi_program[3], 40);
    EXPECT_EQ(rig.port.tables.active_notes[3][0], 27);
    ASSERT_TRUE(rig.form->Timer1->isActive());

    // The real timer (its interval is checked above) ends the test note;
    // nothing is released while it runs.
    bool released_early = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const bool running = rig.form->Timer1->isActive();
            released_early |= running && !rig.rec->messages.empty();
            return !running;
        },
        60000));
    EXPECT_FALSE(released_early);
    EXPECT_EQ(rig.take(), (Messages{msg(0x83, 0x3C, 0)}));
    EXPECT_EQ(rig.port.tables.active_notes[3][0], 0);
}

TEST(TForm3, TwoChangesWithinASecond) {
    Rig rig;
    rig.form->show();
    rig.take();

    rig.form->SpinEdit(1)->setValue(5);
    // Time passes without serving events, so the timer cannot fire meanwhile.
    QThread::msleep(300);
    rig.form->SpinEdit(6)->setValue(7);
    // The second change releases the first test note; the timer keeps running.
    EXPECT_EQ(rig.take(), (Messages{msg(0xC0, 5, 0), msg(0x90, 60, 127), msg(0x80, 60, 0),
                                    msg(0xC5, 7, 0), msg(0x95, 60, 127)}));
    EXPECT_TRUE(rig.form->Timer1->isActive());
    EXPECT_LT(rig.form->Timer1->remainingTime(), 900);

    rig.form->Timer1Timer();
    EXPECT_EQ(rig.take(), (Messages{msg(0x85, 60, 0)}));
    EXPECT_FALSE(rig.form->Timer1->isActive());
}

TEST(TForm3, VolumeChangesSendNothingAndApplyToTheNextNote) {
    Rig rig;
    rig.form->show();
    rig.take();
    rig.form->TrackBar(1)->setValue(64);
    QTest::keyClick(rig.form->TrackBar(9), Qt::Key_Left);
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(rig.port.tables.midi_volume[0], 64);
    EXPECT_EQ(rig.port.tables.midi_volume[8], 126);
    EXPECT_FALSE(rig.form->Timer1->isActive());
    rig.port.note_on(0, 40);
    EXPECT_EQ(rig.take(), (Messages{msg(0x90, 73, 64)}));
}

TEST(TForm3, HandlersIdleWhileTagIsSet) {
    Rig rig;
    rig.form->show();
    rig.take();
    rig.form->Tag = -1;
    rig.form->SpinEdit(2)->setValue(50);
    rig.form->TrackBar(2)->setValue(10);
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(rig.port.tables.midi_program[1], 0);
    EXPECT_EQ(rig.port.tables.midi_volume[1], 127);
}

TEST(TForm3, ProgramNamesFollowTheNumbers) {
    struct Row {
        int program;
        const char* name;
    };
    const Row rows[] = {{0, "アコースティック・グランド・ピアノ"},
                        {40, "バイオリン"},
                        {73, "フルート"},
                        {127, "銃声"}};
    Rig rig;
    for (int r = 0; r < 4; ++r)
        rig.port.tables.midi_program[std::size_t(r)] = rows[r].program;
    rig.form->show();
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(rig.form->ProgramName(r + 1)->text(), QString::fromUtf8(rows[r].name));
    }
    QTest::keyClick(rig.form->SpinEdit(4), Qt::Key_Down);
    EXPECT_EQ(rig.form->ProgramName(4)->text(), QString::fromUtf8("拍手"));
}

TEST(TForm3, TypedProgramSoundsOnceOnEnterAndTheDelayAppliesOnClose) {
    Rig rig;
    rig.port.tables.midi_delay = 2;
    rig.port.tables.midi_volume[2] = 90;
    rig.form->show();
    rig.take();
    QSpinBox* program = rig.form->SpinEdit(3);
    program->selectAll();
    QTest::keyClicks(program, "99");
    EXPECT_TRUE(rig.take().empty()); // nothing while typing
    QTest::keyClick(program, Qt::Key_Return);
    EXPECT_EQ(rig.take(), (Messages{msg(0xC2, 99, 0), msg(0x92, 60, 90)}));
    EXPECT_EQ(rig.port.tables.midi_program[2], 99);
    EXPECT_EQ(rig.form->ProgramName(3)->text(), QString::fromUtf8("効果音 4 (アトモスフィア)"));
    EXPECT_TRUE(rig.form->isVisible()); // Enter is not the close button

    // A number still being typed when the dialog closes counts.
    program->selectAll();
    QTest::keyClicks(program, "7");

    QSpinBox* delay = rig.form->MidiDelaySpinEdit1;
    delay->selectAll();
    QTest::keyClicks(delay, "12");
    EXPECT_EQ(delay->value(), 12);
    EXPECT_EQ(rig.port.tables.midi_delay, 2); // not while open
    rig.form->hide();
    EXPECT_EQ(rig.port.tables.midi_delay, 12);
    EXPECT_EQ(rig.port.tables.midi_program[2], 7);
}

TEST(TForm3, PenMidiSwitchIsUpWhileOpenAndRestoredOnClose) {
    for (bool initially : {true, false}) {
        SCOPED_TRACE(initially);
        Rig rig;
        rig.pen_midi = initially;
        rig.form->show();
        EXPECT_FALSE(rig.pen_midi);
        rig.form->hide();
        EXPECT_EQ(rig.pen_midi, initially);
        EXPECT_EQ(rig.pen_history, (std::vector<bool>{false, initially}));
    }
}

TEST(TForm3, ClosingTheModalDialogReleasesTheTestNoteAndSendsAllPrograms) {
    Rig rig;
    for (int r = 0; r < 9; ++r)
        rig.port.tables.midi_program[std::size_t(r)] = 20 + r;
    QTimer::singleShot(0, rig.form.get(), [&] {
        rig.take();
        QTest::keyClick(rig.form->SpinEdit(9), Qt::Key_Down); // 28 -> 27, test note on 8
        rig.take();
        rig.form->close(); // the close box
    });
    rig.form->exec();
    Messages expected{msg(0x88, 60, 0)};
    for (int r = 0; r < 9; ++r)
        expected.push_back(msg(0xC0 + r, r == 8 ? 27 : 20 + r, 0));
    EXPECT_EQ(rig.take(), expected);
    EXPECT_FALSE(rig.form->Timer1->isActive());
    EXPECT_TRUE(rig.pen_midi);
}

TEST(TForm3, CloseButtonAndEscCloseTheDialog) {
    for (bool button : {true, false}) {
        SCOPED_TRACE(button);
        Rig rig;
        QTimer::singleShot(0, rig.form.get(), [&] {
            if (button)
                QTest::mouseClick(rig.form->CloseButton, Qt::LeftButton);
            else
                QTest::keyClick(rig.form.get(), Qt::Key_Escape);
        });
        EXPECT_EQ(rig.form->exec(), QDialog::Rejected);
        EXPECT_FALSE(rig.form->isVisible());
        EXPECT_TRUE(rig.pen_midi); // Form3Hide ran
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
