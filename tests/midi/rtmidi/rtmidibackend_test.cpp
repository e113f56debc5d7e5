// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/rtmidi/rtmidibackend.h"

#include <gtest/gtest.h>

#include "midi/devlist.h"

namespace kel {
namespace {

TEST(RtMidiBackend, AlsaNamesLoseTheirSessionNumbers) {
    struct Case {
        MidiApi api;
        const char* system;
        const char* listed;
    };
    const Case cases[] = {
        {MidiApi::Alsa, "Midi Through:Midi Through Port-0 14:0",
         "Midi Through:Midi Through Port-0"},
        {MidiApi::Alsa, "KEL Device in:midi 130:0", "KEL Device in:midi"},
        {MidiApi::Alsa, "USB Keyboard:USB Keyboard MIDI 1 24:0",
         "USB Keyboard:USB Keyboard MIDI 1"},
        {MidiApi::Alsa, "Odd name 12:x", "Odd name 12:x"},
        {MidiApi::Alsa, "NoNumbers", "NoNumbers"},
        {MidiApi::Jack, "KEL Device in:midi 130:0", "KEL Device in:midi 130:0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CRtMidiBackend::ListedName(c.api, c.system), c.listed) << c.system;
    }
}

// Whatever MIDI system this machine has, listing and a refused open never throw.
TEST(RtMidiBackend, ListsWhatIsThereAndRefusesUnknownPorts) {
    for (MidiApi api : {MidiApi::Alsa, MidiApi::Jack}) {
        CRtMidiBackend backend(api, "KEL Editor Probe");
        const CMidiInDev inputs(backend);
        const CMidiOutDev outputs(backend);
        // A system that did not answer lists nothing. (Asking again whether it is reachable
        // would race with a server that comes, goes or answers late.)
        if (!backend.Available()) {
            EXPECT_EQ(inputs.GetCount(), 0);
            EXPECT_EQ(outputs.GetCount(), 0);
        }
        struct Sink : MidiInputHandler, MidiOutputHandler {
            void OnLongInput(const std::uint8_t*, std::size_t) override {}
            void OnLongMsgDone(MidiHeaderBuffer*) override {}
        } sink;
        std::unique_ptr<MidiInputPort> in;
        std::unique_ptr<MidiOutputPort> out;
        EXPECT_EQ(backend.OpenInput(inputs.GetCount() + 5, sink, in), MidiErrBadPort);
        EXPECT_EQ(backend.OpenOutput(-1, sink, out), MidiErrBadPort);
        EXPECT_FALSE(in);
        EXPECT_FALSE(out);
    }
}

} // namespace
} // namespace kel
