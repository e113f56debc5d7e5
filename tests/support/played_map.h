// SPDX-License-Identifier: GPL-3.0-or-later
// A control map with one control of every kind of assignment, for the tests of what a played
// control sends and who the monitor names for it: channel kinds on channels of their own,
// System Ex. with a data byte and a checksum, System Ex. with a channel marker and a two-byte
// data field, a Free Message of two messages, and two controls (R2 and S6) sharing a message.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "model/assign.h"
#include "model/msgtext.h"

namespace kel::test {

struct PlayedControl {
    ControllerId id;
    const char* name;
};

// The controls of PlayedMap() that send something when played, in control order.
inline constexpr PlayedControl kPlayedControls[] = {
    {0, "R1"},  {1, "R2"},  {2, "R3"},  {3, "R4"},  {4, "R5"},  {5, "R6"},
    {6, "R7"},  {7, "R8"},  {8, "R9"},  {9, "S1"},  {10, "S2"}, {11, "S3"},
    {12, "S4"}, {14, "S6"}, {15, "S7"}, {18, "A1"}, {19, "A2"}, {27, "B1"},
};

inline ControlMap PlayedMap() {
    ControlMap map;
    auto at = [&map](ControllerId id, auto&& fill) {
        AssignEntry e;
        fill(e);
        map.records[static_cast<std::size_t>(id)] = e.record;
    };
    auto channel = [](AssignEntry& e, int kind, int ch, int v1 = -1, int v2 = -1, int v3 = -1) {
        e.SetChannelKind(kind);
        e.SetChannel(ch);
        if (v1 >= 0)
            e.SetValue1(v1);
        if (v2 >= 0)
            e.SetValue2(v2);
        if (v3 >= 0)
            e.SetValue3(v3);
    };
    at(0, [&](AssignEntry& e) { channel(e, KindNote, 0, 60); });                   // R1
    at(1, [&](AssignEntry& e) { channel(e, KindControlChange, 1, 74); });          // R2
    at(2, [&](AssignEntry& e) { channel(e, KindChannelPressure, 2); });            // R3
    at(3, [&](AssignEntry& e) { channel(e, KindPolyPressure, 3, 61); });           // R4
    at(4, [&](AssignEntry& e) { channel(e, KindProgramChange, 4, 5); });           // R5: program 5
    at(5, [&](AssignEntry& e) { channel(e, KindProgramChangeRange, 5, 10, 20); }); // R6
    at(6, [&](AssignEntry& e) { channel(e, KindBankProgramChange, 6, 1, 2, 3); }); // R7
    at(7, [&](AssignEntry& e) { channel(e, KindRpn, 7, 0, 2); });                  // R8
    at(8, [&](AssignEntry& e) { channel(e, KindNrpn, 8, 1, 5); });                 // R9
    at(9, [](AssignEntry& e) {                                                     // S1
        e.SetMessageType(MsgSystemExclusive);
        EXPECT_EQ(ParseSysExText(e, "F0 41 10 SS 12 DT S1 F7", Data7Bit), ParseAccepted);
    });
    at(10, [](AssignEntry& e) { // S2
        e.SetMessageType(MsgFreeMessage);
        EXPECT_EQ(ParseFreeText(e, "C9 05 B9 07 DT", Data7Bit), ParseAccepted);
    });
    at(11, [](AssignEntry& e) { // S3: Start
        e.SetMessageType(MsgSystemRealtime);
        e.SetRealtimeIndex(2);
    });
    at(12, [&](AssignEntry& e) { channel(e, KindEncoderSimulate, 10, 20); }); // S4
    at(13, [](AssignEntry& e) { e.SetMessageType(MsgTempo); });               // S5
    at(14, [&](AssignEntry& e) { channel(e, KindControlChange, 1, 74); });    // S6 = R2
    at(15, [](AssignEntry& e) {                                               // S7
        e.SetMessageType(MsgSystemExclusive);
        EXPECT_EQ(ParseSysExText(e, "F0 43 1N 7F SS 20 DT S2 F7", DataMsbLsb), ParseAccepted);
        e.SetMaxValue(255);
    });
    at(18, [&](AssignEntry& e) { channel(e, KindProgramChangeInc, 0); }); // A1
    at(19, [&](AssignEntry& e) { // A2: a note on port 2 with its aftertouch as poly pressure
        channel(e, KindNote, 11, 62);
        e.SetPort(1);
        e.SetAftMode(2);
    });
    at(27, [&](AssignEntry& e) { channel(e, KindControlChange, 12, 1); }); // B1
    return map;
}

// R2 = NRPN 1/2 and R3 = RPN 0/0 on channel 1, R4 = RPN 0/0 on channel 2, R5 = CC 6 on
// channel 1: parameter controls that share their data entry messages, and a plain control
// change on the data entry's number.
inline ControlMap ParameterMap() {
    ControlMap map;
    auto at = [&map](ControllerId id, int kind, int channel, int v1, int v2) {
        AssignEntry e;
        e.SetChannelKind(kind);
        e.SetChannel(channel);
        e.SetValue1(v1);
        e.SetValue2(v2);
        map.records[static_cast<std::size_t>(id)] = e.record;
    };
    at(1, KindNrpn, 0, 1, 2);
    at(2, KindRpn, 0, 0, 0);
    at(3, KindRpn, 1, 0, 0);
    at(4, KindControlChange, 0, 6, 0);
    return map;
}

} // namespace kel::test
