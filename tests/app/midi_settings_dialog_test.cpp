#include "app/midi_settings_dialog.h"

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
    MidiChannelSettings channels;
    MidiPort port{channels};
    RecordingMidiBackend* rec = nullptr;
    bool pen_midi = true;
    std::vector<bool> pen_history; // every value the dialog set
    std::unique_ptr<MidiSettingsDialog> form;

    Rig() {
        auto b = std::make_unique<RecordingMidiBackend>();
        rec = b.get();
        port.open(std::move(b));
        rec->messages.clear();
        form = std::make_unique<MidiSettingsDialog>(port, channels,
                                                    PenMidiAccess{[this] { return pen_midi; },
                                                                  [this](bool d) {
                                                                      pen_midi = d;
                                                                      pen_history.push_back(d);
                                                                  }});
    }
    Messages take() { return std::exchange(rec->messages, {}); }
};

} // namespace

TEST(MidiSettingsDialog, ControlsAsDefined) {
    Rig rig;
    MidiSettingsDialog& f = *rig.form;
    EXPECT_EQ(f.windowTitle(), QString::fromUtf8("MIDI の設定"));
    EXPECT_EQ(f.channels_group->title(), QString::fromUtf8("　音色と音量　"));
    EXPECT_EQ(f.click_row_label->text(), QString::fromUtf8("グラフ　クリック用"));
    EXPECT_EQ(f.drawing_rows_label->text(), QString::fromUtf8("描画データ再生用"));
    EXPECT_EQ(f.delay_label->text(), QString::fromUtf8("描画データ再生時の発音遅れ補償 (×20ms)"));
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(f.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(f.windowFlags() & Qt::WindowCloseButtonHint);
    // Above the drawing-tool window, which keeps on top too.
    EXPECT_TRUE(f.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(f.CloseButton->text(), QString::fromUtf8("閉じる"));

    for (int n = 1; n <= 9; ++n) {
        SCOPED_TRACE(n);
        QSpinBox* s = f.program_edit(n);
        EXPECT_EQ(s, f.findChild<QSpinBox*>(QStringLiteral("program_edit%1").arg(n)));
        EXPECT_EQ(s->minimum(), 0);
        EXPECT_EQ(s->maximum(), 127);
        EXPECT_EQ(s->value(), 0);
        EXPECT_FALSE(s->findChild<QLineEdit*>()->isReadOnly());
        QSlider* t = f.volume_slider(n);
        EXPECT_EQ(t, f.findChild<QSlider*>(QStringLiteral("volume_slider%1").arg(n)));
        EXPECT_EQ(t->minimum(), 0);
        EXPECT_EQ(t->maximum(), 127);
        EXPECT_EQ(t->tickInterval(), 43);
        EXPECT_EQ(t->value(), 127);
    }
    EXPECT_EQ(f.delay_edit->minimum(), 0);
    EXPECT_EQ(f.delay_edit->maximum(), 30);
    EXPECT_FALSE(f.delay_edit->findChild<QLineEdit*>()->isReadOnly());
    EXPECT_EQ(f.test_note_timer->interval(), 1000);
    EXPECT_FALSE(f.test_note_timer->isActive());

    // swatch(2k - 1) shows colour k, swatch(2k) colour k + 8.
    const int colour_of_panel[16] = {1, 9, 2, 10, 3, 11, 4, 12, 5, 13, 6, 14, 7, 15, 8, 16};
    for (int n = 1; n <= 16; ++n) {
        SCOPED_TRACE(n);
        Rgb c = grid_colours[std::size_t(colour_of_panel[n - 1] - 1)];
        EXPECT_EQ(f.swatch(n)->objectName(), QStringLiteral("swatch%1").arg(n));
        EXPECT_EQ(f.swatch(n)->palette().color(QPalette::Window), QColor(c.r, c.g, c.b));
    }
}

TEST(MidiSettingsDialog, ShowFillsControlsSilencesAndLiftsThePenSwitch) {
    Rig rig;
    MidiChannelSettings& t = rig.channels;
    for (int r = 0; r < 9; ++r) {
        t.program[std::size_t(r)] = 10 + r;
        t.volume[std::size_t(r)] = 60 + r;
    }
    t.delay = 7;
    rig.port.active_notes[2][5] = 40;
    rig.form->show();
    // Filling the controls sends nothing beyond releasing the sounding note.
    EXPECT_EQ(rig.take(), (Messages{msg(0x82, 73, 0)}));
    EXPECT_EQ(t.volume[8], 68);
    for (int r = 0; r < 9; ++r) {
        EXPECT_EQ(rig.form->program_edit(r + 1)->value(), 10 + r);
        EXPECT_EQ(rig.form->volume_slider(r + 1)->value(), 60 + r);
    }
    EXPECT_EQ(rig.form->delay_edit->value(), 7);
    EXPECT_FALSE(rig.form->program_edit(1)->signalsBlocked());
    EXPECT_FALSE(rig.pen_midi);
    EXPECT_TRUE(rig.form->saved_pen_midi);
}

TEST(MidiSettingsDialog, ProgramStepSendsProgramAndTestNoteThenTimerReleasesIt) {
    Rig rig;
    rig.channels.program[3] = 39;
    rig.channels.volume[3] = 90;
    rig.form->show();
    rig.take();

    QTest::keyClick(rig.form->program_edit(4), Qt::Key_Up);
    EXPECT_EQ(rig.take(), (Messages{msg(0xC3, 0x28, 0), msg(0x93, 0x3C, 90)}));
    EXPECT_EQ(rig.channels.program[3], 40);
    EXPECT_EQ(rig.port.active_notes[3][0], 27);
    ASSERT_TRUE(rig.form->test_note_timer->isActive());

    // The real timer (its interval is checked above) ends the test note;
    // nothing is released while it runs.
    bool released_early = false;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const bool running = rig.form->test_note_timer->isActive();
            released_early |= running && !rig.rec->messages.empty();
            return !running;
        },
        60000));
    EXPECT_FALSE(released_early);
    EXPECT_EQ(rig.take(), (Messages{msg(0x83, 0x3C, 0)}));
    EXPECT_EQ(rig.port.active_notes[3][0], 0);
}

TEST(MidiSettingsDialog, TwoChangesWithinASecond) {
    Rig rig;
    rig.form->show();
    rig.take();

    rig.form->program_edit(1)->setValue(5);
    // Time passes without serving events, so the timer cannot fire meanwhile.
    QThread::msleep(300);
    rig.form->program_edit(6)->setValue(7);
    // The second change releases the first test note; the timer keeps running.
    EXPECT_EQ(rig.take(), (Messages{msg(0xC0, 5, 0), msg(0x90, 60, 127), msg(0x80, 60, 0),
                                    msg(0xC5, 7, 0), msg(0x95, 60, 127)}));
    EXPECT_TRUE(rig.form->test_note_timer->isActive());
    EXPECT_LT(rig.form->test_note_timer->remainingTime(), 900);

    rig.form->on_test_note_timer();
    EXPECT_EQ(rig.take(), (Messages{msg(0x85, 60, 0)}));
    EXPECT_FALSE(rig.form->test_note_timer->isActive());
}

TEST(MidiSettingsDialog, VolumeChangesSendNothingAndApplyToTheNextNote) {
    Rig rig;
    rig.form->show();
    rig.take();
    rig.form->volume_slider(1)->setValue(64);
    QTest::keyClick(rig.form->volume_slider(9), Qt::Key_Left);
    EXPECT_TRUE(rig.take().empty());
    EXPECT_EQ(rig.channels.volume[0], 64);
    EXPECT_EQ(rig.channels.volume[8], 126);
    EXPECT_FALSE(rig.form->test_note_timer->isActive());
    rig.port.note_on(0, 40);
    EXPECT_EQ(rig.take(), (Messages{msg(0x90, 73, 64)}));
}

TEST(MidiSettingsDialog, ProgramNamesFollowTheNumbers) {
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
        rig.channels.program[std::size_t(r)] = rows[r].program;
    rig.form->show();
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(rig.form->program_name(r + 1)->text(), QString::fromUtf8(rows[r].name));
    }
    QTest::keyClick(rig.form->program_edit(4), Qt::Key_Down);
    EXPECT_EQ(rig.form->program_name(4)->text(), QString::fromUtf8("拍手"));
}

TEST(MidiSettingsDialog, TypedProgramSoundsOnceOnEnterAndTheDelayAppliesOnClose) {
    Rig rig;
    rig.channels.delay = 2;
    rig.channels.volume[2] = 90;
    rig.form->show();
    rig.take();
    QSpinBox* program = rig.form->program_edit(3);
    program->selectAll();
    QTest::keyClicks(program, "99");
    EXPECT_TRUE(rig.take().empty()); // nothing while typing
    QTest::keyClick(program, Qt::Key_Return);
    EXPECT_EQ(rig.take(), (Messages{msg(0xC2, 99, 0), msg(0x92, 60, 90)}));
    EXPECT_EQ(rig.channels.program[2], 99);
    EXPECT_EQ(rig.form->program_name(3)->text(), QString::fromUtf8("効果音 4 (アトモスフィア)"));
    EXPECT_TRUE(rig.form->isVisible()); // Enter is not the close button

    // A number still being typed when the dialog closes counts.
    program->selectAll();
    QTest::keyClicks(program, "7");

    QSpinBox* delay = rig.form->delay_edit;
    delay->selectAll();
    QTest::keyClicks(delay, "12");
    EXPECT_EQ(delay->value(), 12);
    EXPECT_EQ(rig.channels.delay, 2); // not while open
    rig.form->hide();
    EXPECT_EQ(rig.channels.delay, 12);
    EXPECT_EQ(rig.channels.program[2], 7);
}

TEST(MidiSettingsDialog, PenMidiSwitchIsUpWhileOpenAndRestoredOnClose) {
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

TEST(MidiSettingsDialog, ClosingTheModalDialogReleasesTheTestNoteAndSendsAllPrograms) {
    Rig rig;
    for (int r = 0; r < 9; ++r)
        rig.channels.program[std::size_t(r)] = 20 + r;
    QTimer::singleShot(0, rig.form.get(), [&] {
        rig.take();
        QTest::keyClick(rig.form->program_edit(9), Qt::Key_Down); // 28 -> 27, test note on 8
        rig.take();
        rig.form->close(); // the close box
    });
    rig.form->exec();
    Messages expected{msg(0x88, 60, 0)};
    for (int r = 0; r < 9; ++r)
        expected.push_back(msg(0xC0 + r, r == 8 ? 27 : 20 + r, 0));
    EXPECT_EQ(rig.take(), expected);
    EXPECT_FALSE(rig.form->test_note_timer->isActive());
    EXPECT_TRUE(rig.pen_midi);
}

TEST(MidiSettingsDialog, CloseButtonAndEscCloseTheDialog) {
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
        EXPECT_TRUE(rig.pen_midi); // on_hidden ran
    }
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
