// SPDX-License-Identifier: GPL-3.0-or-later
// The map check on crafted maps: each kind of finding, the "same message" rules, and no
// findings on a clean map that uses every kind.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "model/mapcheck.h"
#include "model/msgtext.h"

namespace kel {
namespace {

// Builds records through the same setters the assign dialog uses.
struct MapBuilder {
    RecordTable records{};

    AssignEntry& Entry(const char* name) {
        entries.emplace_back();
        entries.back().controllerId = FindController(name);
        return entries.back();
    }
    void Put(const AssignEntry& e) { records[static_cast<std::size_t>(e.controllerId)] = e.record; }

    void Channel(const char* name, int kind, std::vector<int> values, int channel = 1,
                 int port = 0) {
        AssignEntry& e = Entry(name);
        e.SetChannelKind(kind);
        const std::array<int (AssignEntry::*)(int), 4> setters = {
            &AssignEntry::SetValue1, &AssignEntry::SetValue2, &AssignEntry::SetValue3,
            &AssignEntry::SetValue4};
        for (std::size_t i = 0; i < values.size(); ++i) {
            (e.*setters[i])(values[i]);
        }
        e.SetChannel(channel - 1);
        e.SetPort(port);
        Put(e);
    }
    void Text(const char* name, int type, const char* text, int dataType = 1, int port = 0) {
        AssignEntry& e = Entry(name);
        e.SetMessageType(type);
        const ParseResult result = type == MsgSystemExclusive ? ParseSysExText(e, text, dataType)
                                                              : ParseFreeText(e, text, dataType);
        EXPECT_EQ(result, ParseAccepted) << text;
        e.SetPort(port);
        Put(e);
    }
    void Realtime(const char* name, int index, int port = 0) {
        AssignEntry& e = Entry(name);
        e.SetMessageType(MsgSystemRealtime);
        e.SetRealtimeIndex(index);
        e.SetPort(port);
        Put(e);
    }
    void Type(const char* name, int type) {
        AssignEntry& e = Entry(name);
        e.SetMessageType(type);
        Put(e);
    }
    AssignRecord& Raw(const char* name) {
        return records[static_cast<std::size_t>(FindController(name))];
    }

    std::vector<std::string> Messages() const {
        std::vector<std::string> out;
        for (const CheckFinding& f : CheckControlMap(records)) {
            out.push_back(f.message);
        }
        return out;
    }

    std::vector<AssignEntry> entries;
};

// A map with every kind, including near misses of the duplicate rules.
MapBuilder CleanMap() {
    MapBuilder m;
    m.Channel("R1", KindControlChange, {74, 0, 127});
    m.Channel("R2", KindControlChange, {74, 0, 127}, 2);    // other channel
    m.Channel("R3", KindControlChange, {74, 0, 127}, 1, 1); // Port 2 only
    m.Channel("R4", KindEncoderSimulate, {75});
    m.Channel("R5", KindRpn, {1, 2, 0, 127});
    m.Channel("R6", KindNrpn, {1, 2, 0, 127}); // NRPN is not RPN
    m.Channel("R7", KindChannelPressure, {0, 127});
    m.Channel("R8", KindChannelPressure, {0, 127}, 3);
    m.Channel("R9", KindPolyPressure, {60, 0, 127});
    m.Channel("S1", KindProgramChange, {5});
    m.Channel("S2", KindProgramChange, {6});
    m.Channel("S3", KindProgramChangeRange, {1, 128});
    m.Channel("S4", KindBankProgramChange, {1, 2, 3});
    m.Channel("S5", KindBankProgramChange, {1, 2, 4});
    m.Channel("A1", KindNote, {60, 100});
    m.Channel("A2", KindNote, {61, 100});
    m.Channel("A3", KindPolyPressure, {61, 0, 127}); // not a note on 61
    m.Entry("A4");
    m.entries.back().SetChannelKind(KindProgramChangeDec);
    m.Put(m.entries.back());
    m.Entry("A5");
    m.entries.back().SetChannelKind(KindProgramChangeInc);
    m.Put(m.entries.back());
    m.Realtime("A6", 2);
    m.Realtime("A7", 2, 1); // same status, other port
    m.Text("B1", MsgSystemExclusive, "F0 41 10 SS 12 DT S1 F7");
    m.Text("B2", MsgSystemExclusive, "F0 41 10 SS 12 DT S1 F7", 5); // other data type
    m.Text("B3", MsgSystemExclusive, "F0 43 1n 4C DT F7", 3);
    m.Text("B4", MsgFreeMessage, "B0 07 DT"); // not compared with CC 7
    m.Channel("B5", KindControlChange, {7, 0, 127});
    m.Text("B6", MsgFreeMessage, "C0 05 B0 07 DT", 1);
    m.Type("BEND", MsgTempo);
    return m;
}

TEST(MapCheck, CleanMapsHaveNoFindings) {
    EXPECT_TRUE(CheckControlMap(RecordTable{}).empty()); // all NO ASSIGN
    const MapBuilder m = CleanMap();
    EXPECT_EQ(m.Messages(), std::vector<std::string>{});
}

TEST(MapCheck, SameMessageOnTheSameChannelAndPort) {
    struct Case {
        const char* what;
        void (*build)(MapBuilder&);
        std::string message;
    };
    const std::vector<Case> cases = {
        {"cc",
         [](MapBuilder& m) {
             m.Channel("S3", KindControlChange, {74, 0, 127});
             m.Channel("S4", KindControlChange, {74, 10, 100});
         },
         "S3 and S4 both send CC 74 on channel 1, Port 1."},
        {"encoder is a cc",
         [](MapBuilder& m) {
             m.Channel("R1", KindEncoderSimulate, {7});
             m.Channel("MOD", KindControlChange, {7, 0, 127});
         },
         "R1 and MOD both send CC 7 on channel 1, Port 1."},
        {"note, channel 10",
         [](MapBuilder& m) {
             m.Channel("A1", KindNote, {36, 100}, 10);
             m.Channel("B1", KindNote, {36, 50}, 10);
         },
         "A1 and B1 both send note 36 on channel 10, Port 1."},
        {"three controls",
         [](MapBuilder& m) {
             m.Channel("A1", KindNote, {60, 100});
             m.Channel("A2", KindNote, {60, 100});
             m.Channel("A3", KindNote, {60, 100});
         },
         "A1, A2 and A3 all send note 60 on channel 1, Port 1."},
        {"port 1 + 2 meets port 2",
         [](MapBuilder& m) {
             m.Channel("R1", KindControlChange, {1, 0, 127}, 1, 2);
             m.Channel("R2", KindControlChange, {1, 0, 127}, 1, 1);
         },
         "R1 and R2 both send CC 1 on channel 1, Port 2."},
        {"both on port 1 + 2",
         [](MapBuilder& m) {
             m.Channel("R1", KindControlChange, {1, 0, 127}, 1, 2);
             m.Channel("R2", KindControlChange, {1, 0, 127}, 1, 2);
         },
         "R1 and R2 both send CC 1 on channel 1, Port 1 + 2."},
        {"poly pressure",
         [](MapBuilder& m) {
             m.Channel("A1", KindPolyPressure, {64, 0, 127});
             m.Channel("A2", KindPolyPressure, {64, 0, 127});
         },
         "A1 and A2 both send poly pressure on note 64 on channel 1, Port 1."},
        {"channel pressure",
         [](MapBuilder& m) {
             m.Channel("AFT", KindChannelPressure, {0, 127});
             m.Channel("P2", KindChannelPressure, {10, 127});
         },
         "P2 and AFT both send channel pressure on channel 1, Port 1."},
        {"program change has no port",
         [](MapBuilder& m) {
             m.Channel("C1", KindProgramChange, {5});
             m.Channel("C2", KindProgramChange, {5});
         },
         "C1 and C2 both send program change 5 on channel 1."},
        {"program range",
         [](MapBuilder& m) {
             m.Channel("S1", KindProgramChangeRange, {1, 64});
             m.Channel("S2", KindProgramChangeRange, {65, 128});
         },
         "S1 and S2 both send program changes (Min-Max) on channel 1."},
        {"bank + program",
         [](MapBuilder& m) {
             m.Channel("C1", KindBankProgramChange, {1, 2, 3});
             m.Channel("C3", KindBankProgramChange, {1, 2, 3});
         },
         "C1 and C3 both send bank 1/2 with program change 3 on channel 1, Port 1."},
        {"pc dec",
         [](MapBuilder& m) {
             for (const char* n : {"L1", "L2"}) {
                 m.Entry(n).SetChannelKind(KindProgramChangeDec);
                 m.Put(m.entries.back());
             }
         },
         "L1 and L2 both send PC Dec."},
        {"rpn",
         [](MapBuilder& m) {
             m.Channel("R1", KindRpn, {0, 0, 0, 127});
             m.Channel("R2", KindRpn, {0, 0, 0, 12});
         },
         "R1 and R2 both send RPN 0/0 on channel 1, Port 1."},
        {"nrpn",
         [](MapBuilder& m) {
             m.Channel("R1", KindNrpn, {1, 2, 0, 127}, 16);
             m.Channel("R2", KindNrpn, {1, 2, 0, 127}, 16);
         },
         "R1 and R2 both send NRPN 1/2 on channel 16, Port 1."},
        {"realtime",
         [](MapBuilder& m) {
             m.Realtime("H1", 2, 1);
             m.Realtime("H2", 2, 2);
         },
         "H1 and H2 both send FA on Port 2."},
        {"sysex",
         [](MapBuilder& m) {
             m.Text("R1", MsgSystemExclusive, "f0 41 10 dt f7");
             m.Text("R2", MsgSystemExclusive, "F0 41 10 DT F7");
         },
         "R1 and R2 both send the System Ex. message F0 41 10 DT F7 on Port 1."},
        {"free",
         [](MapBuilder& m) {
             m.Text("R1", MsgFreeMessage, "B0 07 DT");
             m.Text("R2", MsgFreeMessage, "B0 07 DT");
         },
         "R1 and R2 both send the Free Message B0 07 DT on Port 1."},
        {"tempo",
         [](MapBuilder& m) {
             m.Type("C1", MsgTempo);
             m.Type("C2", MsgTempo);
         },
         "C1 and C2 both send TEMPO."},
    };
    for (const Case& c : cases) {
        MapBuilder m;
        c.build(m);
        const std::vector<CheckFinding> findings = CheckControlMap(m.records);
        ASSERT_EQ(findings.size(), 1u) << c.what;
        EXPECT_EQ(findings[0].message, c.message) << c.what;
        EXPECT_EQ(findings[0].severity, CheckSeverity::Warning);
        EXPECT_GE(findings[0].controls.size(), 2u);
    }
}

TEST(MapCheck, TwinCodesCollideWithTheirBase) {
    MapBuilder m;
    m.Channel("S3", KindControlChange, {74, 0, 127});
    m.Channel("S4", KindControlChange, {74, 0, 127});
    m.Raw("S4")[rec::AssignCode] = CodeControlChangeTwin;
    const std::vector<CheckFinding> findings = CheckControlMap(m.records);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].controls, (std::vector<ControllerId>{11, 12}));
    EXPECT_EQ(findings[0].text.id, TextId::SameMessageTwo);
    EXPECT_EQ(EnglishText(findings[0].text.args.at(2)), "CC 74");
}

TEST(MapCheck, MinimumAboveMaximumForEveryKindWithARange) {
    MapBuilder m;
    m.Channel("R1", KindChannelPressure, {100, 20});
    m.Channel("R2", KindPolyPressure, {60, 100, 20}, 2);
    m.Channel("R3", KindControlChange, {1, 100, 20}, 3);
    m.Channel("R4", KindProgramChangeRange, {100, 20}, 4);
    m.Channel("R5", KindRpn, {0, 0, 100, 20}, 5);
    m.Channel("R6", KindNrpn, {0, 0, 100, 20}, 6);
    for (const char* name : {"R7", "R8"}) {
        const bool sysEx = name[1] == '7';
        m.Text(name, sysEx ? MsgSystemExclusive : MsgFreeMessage,
               sysEx ? "F0 41 DT F7" : "B0 08 DT");
        m.entries.back().SetMinValue(100);
        m.entries.back().SetMaxValue(20);
        m.Put(m.entries.back());
    }
    // Without a data field the range is not used.
    m.Text("R9", MsgSystemExclusive, "F0 42 F7");
    m.Raw("R9")[rec::MinValue] = 100;
    m.Raw("R9")[rec::MaxValue] = 20;
    const std::vector<std::string> expected = {"R1: the minimum 100 is above the maximum 20.",
                                               "R2: the minimum 100 is above the maximum 20.",
                                               "R3: the minimum 100 is above the maximum 20.",
                                               "R4: the minimum 100 is above the maximum 20.",
                                               "R5: the minimum 100 is above the maximum 20.",
                                               "R6: the minimum 100 is above the maximum 20.",
                                               "R7: the minimum 100 is above the maximum 20.",
                                               "R8: the minimum 100 is above the maximum 20."};
    EXPECT_EQ(m.Messages(), expected);
    EXPECT_FALSE(HasCheckErrors(CheckControlMap(m.records)));
}

TEST(MapCheck, InvalidCodesAndFieldsOutOfRangeAreErrors) {
    MapBuilder m;
    m.Raw("R1")[rec::AssignCode] = 11;
    m.Raw("R2")[rec::AssignCode] = 25;
    m.Raw("R3")[rec::AssignCode] = 255;
    m.Channel("S1", KindControlChange, {74, 0, 127});
    m.Raw("S1")[rec::Port] = 3;
    m.Channel("S2", KindControlChange, {75, 0, 127});
    m.Raw("S2")[rec::Channel] = 16;
    m.Channel("A1", KindControlChange, {76, 0, 127});
    m.Raw("A1")[rec::ModeBits] = 3;
    m.Channel("R4", KindControlChange, {77, 0, 127});
    m.Raw("R4")[rec::ModeBits] = 3; // a knob has no button mode: not examined
    m.Channel("A2", KindNote, {60, 100});
    m.Raw("A2")[7] = 3;
    m.Channel("S3", KindControlChange, {78, 0, 127});
    m.Raw("S3")[7] = 200;
    m.Channel("S4", KindProgramChange, {1});
    m.Raw("S4")[5] = 130;
    m.Realtime("S5", 0);
    m.Raw("S5")[5] = 0x0A;
    m.Text("S6", MsgSystemExclusive, "F0 41 DT F7");
    m.Raw("S6")[rec::DataType] = 6;
    m.Text("S7", MsgFreeMessage, "B0 07 DT");
    m.Raw("S7")[rec::MessageLength] = 25;
    m.Text("S8", MsgSystemExclusive, "F0 41 SS 10 S1 F7");
    m.Raw("S8")[rec::ChecksumKind] = 3;
    m.Text("S9", MsgSystemExclusive, "F0 41 DT F7", 2);
    m.Raw("S9")[rec::MaxValue] = 16;

    // In control order; S3's maximum of 200 is no inverted range.
    const std::vector<std::string> expected = {
        "R1: assign code 11 is not a known message kind.",
        "R2: assign code 25 is not a known message kind.",
        "R3: assign code 255 is not a known message kind.",
        "S1: port value 3 is not Port 1, Port 2 or Port 1 + 2.",
        "S2: channel 17 is outside 1-16.",
        "S3: the maximum is 200, above 127.",
        "S4: the program is 131, above 128.",
        "S5: 0A is not a system realtime message the control can send (F6, F8, FA, FB, FC or FF).",
        "S6: data type 6 is not one of DT0 to DT4.",
        "S7: the Free Message length 25 is above 24 bytes.",
        "S8: checksum kind 3 is not 1 or 2.",
        "S9: the data range 0-16 goes above 15, the top of DT1: 4bit/4bit.",
        "A1: button mode 3 is not Unlatch, Latch or Increase.",
        "A2: AFT mode 3 is not OFF, Channel Pressure or Polyphonic Key Pressure.",
    };
    EXPECT_EQ(m.Messages(), expected);

    const std::vector<CheckFinding> findings = CheckControlMap(m.records);
    EXPECT_TRUE(HasCheckErrors(findings));
    EXPECT_EQ(findings[0].severity, CheckSeverity::Error);
    EXPECT_EQ(CheckSeverityName(findings[0].severity), "error");
}

TEST(MapCheck, RecordsWithErrorsTakeNoPartInTheDuplicateSearch) {
    MapBuilder m;
    m.Channel("S1", KindControlChange, {74, 0, 127});
    m.Channel("S2", KindControlChange, {74, 0, 127});
    m.Raw("S2")[rec::Port] = 5;
    m.Raw("R1")[rec::AssignCode] = 11;
    m.Raw("R2")[rec::AssignCode] = 11;
    const std::vector<CheckFinding> findings = CheckControlMap(m.records);
    ASSERT_EQ(findings.size(), 3u);
    for (const CheckFinding& f : findings) {
        EXPECT_EQ(f.severity, CheckSeverity::Error) << f.message;
        EXPECT_EQ(f.controls.size(), 1u);
    }
}

TEST(MapCheck, StoredMessagesThatNoLongerParse) {
    MapBuilder m;
    m.Text("R1", MsgSystemExclusive, "F0 41 10 F7");
    m.Raw("R1")[rec::SysExMessage + 2] = 0x90; // a status byte inside the message
    m.Text("R2", MsgSystemExclusive, "F0 41 F7");
    m.Raw("R2")[rec::SysExMessage] = 0xF7; // no F0
    m.Type("R3", MsgFreeMessage);          // a new Free Message is empty
    m.Text("R4", MsgFreeMessage, "B0 07 DT");
    m.Raw("R4")[rec::MessageLength] = 2; // B0 07: a control change cut short
    m.Text("R5", MsgSystemExclusive, "F0 41 10 DT F7");
    m.Raw("R5")[rec::DataPosition] = 9; // the data field lies past F7
    m.Text("R6", MsgFreeMessage, "90 3C 1n");
    m.Raw("R6")[rec::ChannelMarkerPosition] = 7; // the marker lies past the message
    // A DT4 field from position 21 runs past the 24-byte area.
    m.Text("R7", MsgSystemExclusive,
           "F0 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 DT F7", 1);
    m.Raw("R7")[rec::DataType] = 5;

    const std::vector<std::string> expected = {
        "R1: the stored System Ex. message is not a valid message: F0 41 90 F7",
        "R2: the stored System Ex. message is not a valid message: F7",
        "R3: the stored Free Message is not a valid message: \"\"",
        "R4: the stored Free Message is not a valid message: B0 07",
        "R5: the data field, checksum or channel marker of the System Ex. message lies outside "
        "its bytes: F0 41 10 00 F7",
        "R6: the data field, checksum or channel marker of the Free Message lies outside its "
        "bytes: 90 3C 10",
        "R7: the stored System Ex. message is longer than 24 bytes: F0 01 02 03 04 05 06 07 08 09 "
        "0A 0B 0C 0D 0E 0F 10 11 12 13 14 DT F7",
    };
    EXPECT_EQ(m.Messages(), expected);
    EXPECT_TRUE(HasCheckErrors(CheckControlMap(m.records)));
}

TEST(MapCheck, TextsAreFilledFromTheOneTable) {
    EXPECT_EQ(FillText("%1 and %2, %1", {"a", "b"}), "a and b, a");
    EXPECT_EQ(FillText("%3 stays, 100%", {"a"}), "%3 stays, 100%");
    EXPECT_EQ(FillText("%1", {"%2"}), "%2"); // arguments are not read again
    MapBuilder m;
    m.Channel("S3", KindControlChange, {74, 0, 127});
    m.Channel("S4", KindControlChange, {74, 0, 127});
    const CheckFinding f = CheckControlMap(m.records).at(0);
    EXPECT_EQ(EnglishText(f.text), f.message);
    // The message's parts are phrases of their own, not finished English.
    const auto& part = std::get<std::shared_ptr<const Phrase>>(f.text.args.at(2).value());
    EXPECT_EQ(part->id, TextId::MsgControlChange);
}

} // namespace
} // namespace kel
