// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/midisystems.h"

#include <gtest/gtest.h>

#include "support/midi_fakes.h"

namespace kel {
namespace {

std::unique_ptr<MidiBackend> NoSystem(MidiSystem) {
    return std::make_unique<test::FakeBackend>();
}

TEST(MidiSystemsTest, DefaultIsASystemWithDevicePortsElseTheVirtualDevice) {
    struct Case {
        std::vector<std::string> alsa;
        std::vector<std::string> jack;
        std::string storedOutput;
        MidiSystem expected;
    };
    const std::vector<Case> cases = {
        {{}, {}, "", MidiSystem::Virtual},
        {{"Midi Through Port-0"}, {}, "", MidiSystem::Virtual},
        {{"Midi Through Port-0", "KEL USB MIDI 1"}, {}, "", MidiSystem::Alsa},
        {{}, {"system:midi_playback_1"}, "", MidiSystem::Jack},
        {{"KEL USB MIDI 1"}, {"kel:out"}, "kel:out", MidiSystem::Jack},
        {{"KEL USB MIDI 1"}, {}, "Virtual KEL Device", MidiSystem::Virtual},
    };
    for (const Case& c : cases) {
        CMidiSystems systems(NoSystem);
        systems.Install(MidiSystem::Alsa, test::BackendWithPorts(c.alsa, c.alsa));
        systems.Install(MidiSystem::Jack, test::BackendWithPorts(c.jack, c.jack));
        EXPECT_EQ(systems.DefaultSystem("", c.storedOutput), c.expected)
            << "output " << c.storedOutput << ", ALSA ports " << c.alsa.size();
    }
    EXPECT_EQ(ParseMidiSystemKey("alsa"), MidiSystem::Alsa); // as kelmap's --api spells it
    EXPECT_EQ(ParseMidiSystemKey("jack"), MidiSystem::Jack);
    EXPECT_EQ(ParseMidiSystemKey("Virtual"), MidiSystem::Virtual);
    EXPECT_EQ(ParseMidiSystemKey("CoreMIDI"), std::nullopt);
}

} // namespace
} // namespace kel
