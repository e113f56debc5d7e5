// SPDX-License-Identifier: GPL-3.0-or-later
// Assignment labels and the panel port, for every assign code.
#include "model/labels.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>

#include "model/parameter.h"
#include "support/records.h"

namespace kel {
namespace {

using test::Rec;

struct LabelCase {
    AssignRecord record;
    const char* label;
};

void PrintTo(const LabelCase& c, std::ostream* os) {
    *os << '"' << c.label << '"';
}

class Label : public testing::TestWithParam<LabelCase> {};

TEST_P(Label, FormatsTheRecord) {
    EXPECT_EQ(AssignmentLabel(GetParam().record), GetParam().label);
}

INSTANTIATE_TEST_SUITE_P(
    EveryKind, Label,
    testing::Values(
        // byte:       0   1  2  3  4   5    6    7
        LabelCase{Rec({0}), "N/A"}, LabelCase{Rec({1, 0, 0, 0, 0, 64, 100}), "NT 64:1"},
        LabelCase{Rec({3, 0, 0, 0, 0, 0, 127}), "CAf :1"},
        LabelCase{Rec({5, 0, 0, 0, 0, 64, 0, 127}), "PAf 64:1"},
        LabelCase{Rec({7, 0, 0, 0, 0, 0, 0, 127}), "CC 0:1"},
        LabelCase{Rec({7, 0, 0, 0, 15, 74}), "CC 74:16"},
        LabelCase{Rec({9, 1, 0, 0, 0, 0, 0, 127}), "Enc 0:1"},
        LabelCase{Rec({9, 1, 0, 0, 3, 16}), "Enc 16:4"},
        LabelCase{Rec({10, 0, 0, 0, 0, 0, 127}), "PC :1"}, LabelCase{Rec({12}), "PC 1:1"},
        LabelCase{Rec({12, 0, 0, 0, 9, 127}), "PC 128:10"}, LabelCase{Rec({13}), "Bnk 0/0, PC 1:1"},
        LabelCase{Rec({13, 0, 0, 0, 0, 2, 1, 3}), "Bnk 1/2, PC 4:1"},
        LabelCase{Rec({13, 0, 0, 0, 15, 127, 127, 127}), "Bnk 127/127, PC 128:16"},
        LabelCase{Rec({14, 0, 0, 0, 0, 1}), "PC Dec."},
        LabelCase{Rec({14, 0, 0, 0, 0, 2}), "PC Dec."},
        LabelCase{Rec({14, 0, 0, 0, 0, 0}), "PC Inc."},
        LabelCase{Rec({15, 0, 0, 0, 0, 1, 0, 0, 0, 127}), "RP 0/0:1"},
        LabelCase{Rec({15, 0, 0, 0, 1, 1, 6, 101}), "RP 101/6:2"},
        LabelCase{Rec({17, 0, 0, 0, 0, 1}), "NP 0/0:1"},
        LabelCase{Rec({17, 0, 0, 0, 0, 1, 2, 3}), "NP 3/2:1"},
        LabelCase{Rec({19, 0, 0, 0, 0, 0xF6}), "F6"}, LabelCase{Rec({19, 0, 0, 0, 0, 0xFA}), "FA"},
        LabelCase{Rec({19, 0, 0, 0, 0, 0x0A}), "0A"}, LabelCase{Rec({20}), "SysEx."},
        LabelCase{Rec({22}), "FREE"}, LabelCase{Rec({24, 0, 1}), "TEMPO"},
        // out-of-range bytes print as they are
        LabelCase{Rec({7, 0, 0, 0, 20, 200}), "CC 200:21"},
        LabelCase{Rec({1, 0, 0, 0, 255, 255}), "NT 255:256"},
        // invalid codes
        LabelCase{Rec({11, 0, 0, 0, 0, 5}), ""}, LabelCase{Rec({25}), ""},
        LabelCase{Rec({255, 1, 2, 3, 4}), ""}));

TEST(LabelTwins, EveryTwinLabelsLikeItsBase) {
    for (int twin : {2, 4, 6, 8, 16, 18, 21, 23}) {
        for (int b5 : {0, 1, 64, 127}) {
            AssignRecord base = Rec({twin - 1, 0, 1, 2, 5, b5, 6, 7, 8, 9});
            AssignRecord other = base;
            other[0] = static_cast<std::uint8_t>(twin);
            EXPECT_EQ(AssignmentLabel(other), AssignmentLabel(base)) << twin;
            EXPECT_FALSE(AssignmentLabel(other).empty()) << twin;
        }
    }
}

TEST(LabelCodes, OnlyCodes11And25UpAreEmpty) {
    for (int code = 0; code < 256; ++code) {
        const bool invalid = code == 11 || code >= 25;
        EXPECT_EQ(AssignmentLabel(Rec({code, 0, 0, 0, 0, 1})).empty(), invalid) << code;
    }
}

TEST(LabelDocument, ComesFromTheMapNotTheEditBuffer) {
    CParameter doc;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        EXPECT_EQ(AssignmentLabel(doc, id), "N/A") << id;
    }
    doc.SelectController(5);
    doc.EditBuffer().SetChannelKind(KindControlChange);
    EXPECT_EQ(AssignmentLabel(doc, 5), "N/A"); // pending edit not yet committed
    doc.CommitEdit();
    EXPECT_EQ(AssignmentLabel(doc, 5), "CC 0:1");
    EXPECT_EQ(AssignmentLabel(doc, kNoController), "");
    EXPECT_EQ(AssignmentLabel(doc, kControllerCount), "");
}

TEST(PanelPort, StoredPortForEveryAssignedCode) {
    for (int code = 0; code < 256; ++code) {
        for (int port : {0, 1, 2, 3, 200}) {
            AssignEntry e;
            e.record = Rec({code, 0, 0, port});
            EXPECT_EQ(GetPanelPort(e), code == 0 ? -1 : port) << code << '/' << port;
        }
    }
    // Unlike GetPort, the kinds without a port field still report the stored byte.
    AssignEntry tempo;
    tempo.record = Rec({CodeTempo, 0, 0, 1});
    EXPECT_EQ(tempo.GetPort(), -1);
    EXPECT_EQ(GetPanelPort(tempo), 1);
    AssignEntry program;
    program.SetChannelKind(KindProgramChange);
    EXPECT_EQ(GetPanelPort(program), 0);
}

} // namespace
} // namespace kel
