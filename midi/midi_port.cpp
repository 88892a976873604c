#include "midi/midi_port.h"

#include <cmath>

namespace pitkad {

bool MidiPort::open(std::unique_ptr<MidiBackend> backend) {
    close();
    if (!backend) return false;
    backend_ = std::move(backend);
    midi_ok_ = true;
    for (int n = 0; n < midi_channels; ++n) {
        send(0xB0 + n, 7, 0x7F);
        send(0xB0 + n, 39, 0x7F);
    }
    if (fine_tune_ != fine_tune_centre) send_fine_tune();
    return true;
}

void MidiPort::set_fine_tune(double cents) {
    // ±100 cents over the 14-bit range, centre 8192.
    const int value = std::clamp(int(std::lround(fine_tune_centre + cents * 8192.0 / 100.0)), 0,
                                 16383);
    if (value == fine_tune_) return;
    fine_tune_ = value;
    send_fine_tune();
}

void MidiPort::send_fine_tune() {
    for (int n = 0; n < midi_channels; ++n) {
        send(0xB0 + n, 101, 0); // RPN 0, 1: channel fine tuning
        send(0xB0 + n, 100, 1);
        send(0xB0 + n, 6, fine_tune_ >> 7);
        send(0xB0 + n, 38, fine_tune_ & 0x7F);
        send(0xB0 + n, 101, 127); // no RPN selected: later data entries change nothing
        send(0xB0 + n, 100, 127);
    }
}

void MidiPort::close() {
    midi_ok_ = false;
    backend_.reset();
}

void MidiPort::send(int status, int data1, int data2) {
    if (!midi_ok_ || !backend_) return;
    backend_->send(short_message(status, data1, data2));
}

void MidiPort::set_midi_program() {
    if (!midi_ok_) return;
    for (int n = 0; n < midi_channels; ++n)
        send(0xC0 + n, channels_.program[std::size_t(n)], 0);
}

void MidiPort::set_transpose(int semitones) {
    if (semitones == transpose_) return;
    midi_off();
    // Notes the graph's clicks hold are not in the table: all notes off.
    for (int n = 0; n < midi_channels; ++n)
        send(0xB0 + n, 123, 0);
    transpose_ = semitones;
}

void MidiPort::midi_off() {
    if (!midi_ok_) return;
    for (int n = 0; n < midi_channels; ++n) {
        for (int& b : active_notes[std::size_t(n)]) {
            if (b != 0) {
                note_off(n, b);
                b = 0;
            }
        }
    }
}

} // namespace pitkad
