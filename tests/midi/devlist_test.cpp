// SPDX-License-Identifier: GPL-3.0-or-later
#include "midi/devlist.h"

#include <gtest/gtest.h>

#include "midi/midiin.h"
#include "midi/midiout.h"
#include "support/midi_fakes.h"

namespace kel {
namespace {

using test::FakeBackend;
using test::RecordingReporter;

TEST(DeviceNames, CutTo31BytesWithoutSplittingACharacter) {
    struct Case {
        std::string in;
        std::string out;
    };
    const std::string thirtyOne(31, 'a');
    const Case cases[] = {
        {"", ""},
        {"USB MIDI", "USB MIDI"},
        {thirtyOne, thirtyOne},
        {thirtyOne + "b", thirtyOne},
        {std::string(30, 'a') + "\xC3\xA9" + "x", std::string(30, 'a')}, // é would straddle
        {std::string(29, 'a') + "\xC3\xA9" + "x", std::string(29, 'a') + "\xC3\xA9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CutDeviceName(c.in), c.out) << c.in;
    }
}

TEST(DeviceLists, UnreadablePortsAreSkippedButOpenTheRightPort) {
    FakeBackend backend;
    backend.outputs = {{"Alpha"}, {"Broken", false}, {"Gamma"}, {"gamma"}, {"Gamma"}};
    const CMidiOutDev list(backend);
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.GetAt(0), "Alpha");
    EXPECT_EQ(list.GetAt(1), "Gamma"); // moved down by one
    EXPECT_EQ(list.Find("Gamma"), 1);  // the first of two equal names
    EXPECT_EQ(list.Find("gamma"), 2);  // letter case matters
    EXPECT_EQ(list.Find("Broken"), -1);
    EXPECT_EQ(list.Find("Gam"), -1);
    EXPECT_EQ(list.GetAt(4), "");
    EXPECT_EQ(list.GetAt(-1), "");
    // The position is what the user sees; the port opened is the system's number.
    EXPECT_EQ(list.PortNumber(1), 2);
    EXPECT_EQ(list.PortNumber(3), 4);
    EXPECT_EQ(list.PortNumber(4), -1);

    RecordingReporter reporter;
    CMidiOut out(backend, reporter);
    out.SetDeviceName("Gamma");
    ASSERT_TRUE(out.Open());
    EXPECT_EQ(backend.OpenedOutputPort(), 2);
}

TEST(DeviceLists, LongNamesAreListedCutAndFoundByTheirCutName) {
    FakeBackend backend;
    const std::string longName = "A very long MIDI interface name that goes on";
    backend.inputs = {{longName}};
    const CMidiInDev list(backend);
    EXPECT_EQ(list.GetAt(0), longName.substr(0, 31));

    RecordingReporter reporter;
    RecordTable table{};
    CMidiIn in(backend, reporter, table);
    in.SetDeviceName(longName); // as copied from the settings at start-up
    EXPECT_EQ(in.GetDeviceName(), longName.substr(0, 31));
    EXPECT_EQ(in.GetDeviceIndex(), 0);
}

TEST(DeviceLists, SetDeviceTakesTheNameAtTheIndexOrNone) {
    FakeBackend backend;
    backend.inputs = {{"In A"}, {"In B"}};
    backend.outputs = {{"Out A"}};
    RecordingReporter reporter;
    RecordTable table{};
    CMidiIn in(backend, reporter, table);
    CMidiOut out(backend, reporter);

    in.SetDevice(1);
    out.SetDevice(0);
    EXPECT_EQ(in.GetDeviceName(), "In B");
    EXPECT_EQ(out.GetDeviceName(), "Out A");
    EXPECT_EQ(in.GetDeviceIndex(), 1);
    EXPECT_EQ(out.GetDeviceIndex(), 0);

    in.SetDevice(-1);
    out.SetDevice(1);
    EXPECT_EQ(in.GetDeviceName(), "");
    EXPECT_EQ(out.GetDeviceName(), "");
    EXPECT_EQ(in.GetDeviceIndex(), -1);

    // The device is unplugged: the stored name is no longer found.
    in.SetDevice(0);
    backend.inputs.clear();
    EXPECT_EQ(in.GetDeviceIndex(), -1);
    EXPECT_EQ(in.GetDeviceName(), "In A");
}

// The port a transfer uses: the chosen one while it is listed, else the only device's port.
TEST(PortChoiceRule, TheOnlyDevicePortStandsInForAChoiceNotMadeOrGone) {
    struct Case {
        std::vector<FakeBackend::PortSpec> ports;
        std::string chosen;
        PortChoice::How how;
        std::string name;
    };
    const Case cases[] = {
        {{{"KEL"}}, "", PortChoice::How::OnlyPort, "KEL"},
        {{{"Midi Through Port-0"}, {"KEL"}}, "", PortChoice::How::OnlyPort, "KEL"},
        {{{"Midi Through Port-0"}}, "", PortChoice::How::NotChosen, ""},
        {{{"KEL"}, {"Synth"}}, "", PortChoice::How::NotChosen, ""},
        {{{"KEL"}, {"Synth"}}, "Synth", PortChoice::How::Chosen, "Synth"},
        {{{"KEL 2"}}, "KEL", PortChoice::How::OnlyPort, "KEL 2"}, // back under a new name
        {{{"A"}, {"B"}}, "KEL Device", PortChoice::How::Gone, "KEL Device"},
        {{}, "KEL Device", PortChoice::How::Gone, "KEL Device"},
    };
    for (const Case& c : cases) {
        FakeBackend backend;
        backend.outputs = c.ports;
        const PortChoice choice = ChoosePort(CMidiOutDev(backend), c.chosen);
        EXPECT_EQ(choice.how, c.how) << c.chosen << " of " << c.ports.size();
        EXPECT_EQ(choice.name, c.name) << c.chosen << " of " << c.ports.size();
    }
}

// A port that is gone is named; a port never chosen gets message 32810.
TEST(PortChoiceRule, AMissingPortIsNamedInItsMessage) {
    struct PhraseReporter : RecordingReporter {
        void warnNoPort(const Phrase* gone) override {
            texts.push_back(gone != nullptr ? EnglishText(*gone) : "32810");
        }
        std::vector<std::string> texts;
    } reporter;
    FakeBackend backend;
    backend.outputs = {{"A"}, {"B"}};
    CMidiOut output(backend, reporter);
    output.SetDeviceName("KEL Device");
    EXPECT_FALSE(output.Open());
    output.SetDeviceName("");
    EXPECT_FALSE(output.Open());
    RecordTable table{};
    CMidiIn input(backend, reporter, table);
    input.SetDeviceName("KEL In");
    EXPECT_FALSE(input.Open());
    EXPECT_EQ(reporter.texts,
              (std::vector<std::string>{"The MIDI output \"KEL Device\" is not there.", "32810",
                                        "The MIDI input \"KEL In\" is not there."}));
}

} // namespace
} // namespace kel
