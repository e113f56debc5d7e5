// SPDX-License-Identifier: GPL-3.0-or-later
// The message text syntax: parsing System Ex. and Free Message texts, formatting records back,
// the MIDI sequence check, and what the assign page shows after a refusal.
#include "model/msgtext.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace kel {
namespace {

AssignEntry SysExEntry() {
    AssignEntry e;
    e.SetMessageType(MsgSystemExclusive);
    e.changed = false;
    return e;
}

AssignEntry FreeEntry() {
    AssignEntry e;
    e.SetMessageType(MsgFreeMessage);
    e.changed = false;
    return e;
}

std::vector<std::uint8_t> SysExBytes(const AssignRecord& r) {
    return {r.begin() + rec::SysExMessage, r.end()};
}

std::vector<std::uint8_t> FreeBytes(const AssignRecord& r) {
    return {r.begin() + rec::FreeMessage, r.begin() + rec::FreeMessage + r[rec::MessageLength]};
}

// "F0" followed by `count` bytes "01 02 ...", no closing F7.
std::string SysExBody(int count) {
    std::string t = "F0";
    for (int i = 0; i < count; ++i) {
        char b[4];
        std::snprintf(b, sizeof b, " %02X", (i + 1) & 0x7F);
        t += b;
    }
    return t;
}

// --- System Ex. parser results ---------------------------------------------------------------

struct ParseCase {
    std::string text;
    int dataType;
    ParseResult expected;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << '"' << c.text << "\" DT" << c.dataType - 1;
}

class SysExParseResult : public testing::TestWithParam<ParseCase> {};

TEST_P(SysExParseResult, GivesDocumentedResult) {
    AssignEntry e = SysExEntry();
    EXPECT_EQ(ParseSysExText(e, GetParam().text, GetParam().dataType), GetParam().expected)
        << '"' << GetParam().text << '"';
    EXPECT_EQ(e.changed, GetParam().expected == ParseAccepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SysExParseResult,
    testing::Values(
        // accepted
        ParseCase{"F0 F7", 1, ParseAccepted}, ParseCase{"F04110F7", 1, ParseAccepted},
        ParseCase{"F0 4 F7", 1, ParseAccepted}, ParseCase{"  \tF0 41 F7\r\n", 1, ParseAccepted},
        ParseCase{"f0 41 10 dt ss 12 s1 f7", 1, ParseAccepted},
        ParseCase{"F0 SS DT S2 F7", 5, ParseAccepted}, ParseCase{"F0 1N 7x F7", 1, 7},
        ParseCase{SysExBody(22) + " F7", 1, ParseAccepted}, // exactly 24 bytes
        // the text as a whole
        ParseCase{"", 1, ParseTextWrong}, ParseCase{"41 F7", 1, ParseTextWrong},
        ParseCase{"F", 1, ParseTextWrong}, ParseCase{"F0 41", 1, ParseTextWrong},
        ParseCase{"F0 90 F7", 1, ParseTextWrong}, ParseCase{"F0 SS 00 F7", 1, ParseTextWrong},
        ParseCase{"F0", 1, ParseTextWrong}, ParseCase{"F0 F0 F7", 1, ParseTextWrong},
        // too long
        ParseCase{SysExBody(23) + " F7", 1, ParseTooLong},
        ParseCase{SysExBody(21) + " DT F7", 5, ParseTooLong}, // DT4 at position 22
        ParseCase{SysExBody(20) + " DT", 5, ParseTooLong},    // data field runs past the end
        ParseCase{SysExBody(20) + " DT F7", 2, ParseAccepted},
        // a wrong character
        ParseCase{"F0 4", 1, 4}, ParseCase{"F0 41 F7 00", 1, 8}, ParseCase{"F0 41 F700", 1, 8},
        ParseCase{"F0 S1 F7", 1, 3}, ParseCase{"F0 8N F7", 1, 4}, ParseCase{"F0 4G F7", 1, 4},
        ParseCase{"F0 ZZ F7", 1, 3}, ParseCase{"F0 4\tF7", 1, 4}, ParseCase{"F0 1N 2X F7", 1, 7},
        ParseCase{"F0 DT DT F7", 1, 6}, ParseCase{"F0 SS SS 00 S1 F7", 1, 6},
        ParseCase{"F0 SS 00 S1 S2 F7", 1, 12}, ParseCase{"F0 S3 F7", 1, 3},
        ParseCase{"F0 DT F7", 0, 3}, ParseCase{"F0 DT F7", 6, 3}));

// --- Free Message parser results --------------------------------------------------------------

class FreeParseResult : public testing::TestWithParam<ParseCase> {};

TEST_P(FreeParseResult, GivesDocumentedResult) {
    AssignEntry e = FreeEntry();
    EXPECT_EQ(ParseFreeText(e, GetParam().text, GetParam().dataType), GetParam().expected)
        << '"' << GetParam().text << '"';
    EXPECT_EQ(e.changed, GetParam().expected == ParseAccepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FreeParseResult,
    testing::Values(
        ParseCase{"B0 07 DT", 1, ParseAccepted}, ParseCase{"90 3C 40", 1, ParseAccepted},
        ParseCase{"C0 05 B0 07 DT", 1, ParseAccepted}, ParseCase{"F0 41 F7", 1, ParseAccepted},
        ParseCase{"F8 FA FB FC FF F6", 1, ParseAccepted}, ParseCase{"E0 DT", 3, ParseAccepted},
        ParseCase{"b0 0n 40", 1, ParseAccepted}, ParseCase{"", 1, ParseTextWrong},
        ParseCase{"  \t ", 1, ParseTextWrong}, ParseCase{"07 B0", 1, ParseTextWrong},
        ParseCase{"B0 07", 1, ParseTextWrong}, ParseCase{"90 3C", 1, ParseTextWrong},
        ParseCase{"FE", 1, ParseTextWrong}, ParseCase{"DT", 1, ParseTextWrong},
        ParseCase{"DT B0 07", 2, ParseTextWrong},
        ParseCase{"9 3C 40", 1, ParseTextWrong}, // a single 9 is the data byte 09
        ParseCase{"SS", 1, ParseTextWrong},      // not a hexadecimal digit first
        ParseCase{"B0 SS", 1, 3}, ParseCase{"B0 07 7G", 1, 7}, ParseCase{"B0 07 7", 1, 7},
        ParseCase{"B0 DT DT", 1, 6}, ParseCase{"B0 9N 00", 1, 4},
        ParseCase{"B0 F7 00", 1, ParseTextWrong}, ParseCase{"B0 07 DT F7", 1, ParseTextWrong}));

TEST(FreeParseLimit, TwentyFourBytesFitAndMoreAreTooLong) {
    std::string text;
    for (int i = 0; i < 24; ++i) {
        text += "F8 ";
    }
    AssignEntry e = FreeEntry();
    EXPECT_EQ(ParseFreeText(e, text, 1), ParseAccepted);
    EXPECT_EQ(e.record[rec::MessageLength], 24);
    EXPECT_EQ(ParseFreeText(e, text + "F8", 1), ParseTooLong);
    EXPECT_EQ(ParseFreeText(e,
                            "F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 F8 "
                            "F8 90 DT",
                            5),
              ParseTooLong); // a DT4 field from position 22 passes 24
}

// --- What an accepted parse stores -------------------------------------------------------------

TEST(SysExParseStores, ChecksumDataFieldAndMessage) {
    AssignEntry e = SysExEntry();
    e.record[rec::MinValue] = 5;
    ASSERT_EQ(ParseSysExText(e, "F0 41 10 SS 12 DT S1 F7", Data7Bit), ParseAccepted);
    const AssignRecord& r = e.record;
    EXPECT_EQ(r[rec::DataType], Data7Bit);
    EXPECT_EQ(r[rec::DataPosition], 4);
    EXPECT_EQ(r[rec::MinValue], 0);
    EXPECT_EQ(r[rec::MaxValue], 127);
    EXPECT_EQ(r[rec::ChecksumKind], 1);
    EXPECT_EQ(r[rec::ChecksumStart], 3);
    EXPECT_EQ(r[rec::ChecksumPosition], 5);
    std::vector<std::uint8_t> expected = {0xF0, 0x41, 0x10, 0x12, 0x00, 0x00, 0xF7};
    expected.resize(24, 0xF7);
    EXPECT_EQ(SysExBytes(r), expected);
    EXPECT_EQ(r[rec::AssignCode], CodeSystemExclusive);
    EXPECT_EQ(FormatSysExText(r, EditStyle), "F0 41 10 SS 12 DT S1 F7");
    EXPECT_EQ(FormatSysExText(r, ListStyle), "F0 41 10 CSS 12 dd CS1 F7");
}

TEST(SysExParseStores, TwoByteMessageResetsEverythingElse) {
    AssignEntry e = SysExEntry();
    ASSERT_EQ(ParseSysExText(e, "F0 41 1N SS 00 DT S2 F7", DataMsbLsb), ParseAccepted);
    ASSERT_EQ(ParseSysExText(e, "F0 F7", DataMsbLsb), ParseAccepted);
    AssignEntry fresh = SysExEntry();
    EXPECT_EQ(e.record, fresh.record);
}

TEST(SysExParseStores, ChannelMarkerSingleDigitAndCase) {
    AssignEntry e = SysExEntry();
    ASSERT_EQ(ParseSysExText(e, "F0 1N 4 F7", 1), ParseAccepted);
    EXPECT_EQ(e.record[rec::ChannelMarker], 2);
    EXPECT_EQ(e.record[rec::ChannelMarkerPosition], 1);
    EXPECT_EQ(e.record[rec::ChannelMarkerDigit], 1);
    EXPECT_EQ(e.record[rec::SysExMessage + 1], 0x10);
    EXPECT_EQ(e.record[rec::SysExMessage + 2], 0x04);
    EXPECT_EQ(FormatSysExText(e.record, EditStyle), "F0 1n 04 F7");

    ASSERT_EQ(ParseSysExText(e, "f0 7x f7", 1), ParseAccepted);
    EXPECT_EQ(e.record[rec::ChannelMarker], 1);
    EXPECT_EQ(e.record[rec::SysExMessage + 1], 0x70);
    EXPECT_EQ(FormatSysExText(e.record, EditStyle), "F0 7x F7");

    AssignEntry upper = SysExEntry();
    AssignEntry lower = SysExEntry();
    ASSERT_EQ(ParseSysExText(upper, "F0 41 10 DT SS 12 S1 F7", 1), ParseAccepted);
    ASSERT_EQ(ParseSysExText(lower, "f0 41 10 dt ss 12 s1 f7", 1), ParseAccepted);
    EXPECT_EQ(upper.record, lower.record);
    EXPECT_EQ(FormatSysExText(lower.record, EditStyle), "F0 41 10 DT SS 12 S1 F7");
}

TEST(SysExParseStores, FailureKeepsDefaultsAndMarkersButNotTheMessage) {
    AssignEntry e = SysExEntry();
    ASSERT_EQ(ParseSysExText(e, "F0 11 22 33 DT F7", 1), ParseAccepted);
    e.changed = false;
    // The marker and the data field are met before the refusal; the message bytes stay the
    // defaults' F0 F7 ... fill.
    EXPECT_EQ(ParseSysExText(e, "F0 2X DT 90 F7", 3), ParseTextWrong);
    EXPECT_FALSE(e.changed);
    EXPECT_EQ(e.record[rec::ChannelMarker], 1);
    EXPECT_EQ(e.record[rec::ChannelMarkerPosition], 1);
    EXPECT_EQ(e.record[rec::DataType], DataMsbLsb);
    EXPECT_EQ(e.record[rec::DataPosition], 2);
    std::vector<std::uint8_t> defaults(24, 0xF7);
    defaults[0] = 0xF0;
    EXPECT_EQ(SysExBytes(e.record), defaults);
}

TEST(FreeParseStores, LengthDataFieldAndUntouchedTail) {
    AssignEntry e = FreeEntry();
    for (std::size_t i = 0; i < 24; ++i) {
        e.record[rec::FreeMessage + i] = static_cast<std::uint8_t>(0x60 + i);
    }
    ASSERT_EQ(ParseFreeText(e, "B0 07 DT", Data7Bit), ParseAccepted);
    EXPECT_EQ(e.record[rec::MessageLength], 3);
    EXPECT_EQ(e.record[rec::DataType], Data7Bit);
    EXPECT_EQ(e.record[rec::DataPosition], 2);
    EXPECT_EQ(FreeBytes(e.record), (std::vector<std::uint8_t>{0xB0, 0x07, 0x00}));
    EXPECT_EQ(e.record[rec::FreeMessage + 3], 0x63); // beyond the length: as it was
    EXPECT_EQ(e.record[rec::FreeMessage + 23], 0x60 + 23);
    EXPECT_EQ(FormatFreeText(e.record, EditStyle), "B0 07 DT ");
    EXPECT_EQ(FormatFreeText(e.record, ListStyle), "B0 07 dd ");

    // A refused text leaves the message bytes, but the defaults are written.
    e.record[rec::MinValue] = 9;
    EXPECT_EQ(ParseFreeText(e, "B0 07", 1), ParseTextWrong);
    EXPECT_EQ(e.record[rec::MessageLength], 0);
    EXPECT_EQ(e.record[rec::MinValue], 0);
    EXPECT_EQ(e.record[rec::FreeMessage], 0xB0);
}

TEST(FreeParseStores, EmptyTextWritesNoDefaults) {
    AssignEntry e = FreeEntry();
    ASSERT_EQ(ParseFreeText(e, "C0 05", 1), ParseAccepted);
    const AssignRecord before = e.record;
    EXPECT_EQ(ParseFreeText(e, " ", 1), ParseTextWrong);
    EXPECT_EQ(e.record, before);
}

// --- Formatting ------------------------------------------------------------------------------

TEST(FormatText, FreshRecordsAndEdgeRecords) {
    EXPECT_EQ(FormatSysExText(SysExEntry().record, EditStyle), "F0 F7");
    EXPECT_EQ(FormatFreeText(FreeEntry().record, EditStyle), "");

    AssignRecord r = SysExEntry().record;
    r[rec::SysExMessage] = 0xF7;
    EXPECT_EQ(FormatSysExText(r, EditStyle), "F7");

    // A message with no F7 at all stops at the end of the area.
    r = SysExEntry().record;
    for (std::size_t i = 0; i < 24; ++i) {
        r[rec::SysExMessage + i] = static_cast<std::uint8_t>(i);
    }
    r[rec::SysExMessage] = 0xF0;
    const std::string text = FormatSysExText(r, EditStyle);
    EXPECT_EQ(text.substr(0, 9), "F0 01 02 ");
    EXPECT_EQ(text.substr(text.size() - 8), "16 17 F7");
}

TEST(FormatText, ListStyleTokensForEveryDataType) {
    const std::vector<std::pair<int, std::string>> cases = {
        {Data7Bit, "dd"},      {Data4Bit4Bit, "d1 d2"},     {DataMsbLsb, "mm ll"},
        {DataLsbMsb, "ll mm"}, {Data4x4Bit, "d1 d2 d3 d4"},
    };
    for (const auto& [type, token] : cases) {
        AssignEntry e = SysExEntry();
        ASSERT_EQ(ParseSysExText(e, "F0 41 SS 3N DT S2 F7", type), ParseAccepted);
        EXPECT_EQ(FormatSysExText(e.record, ListStyle), "F0 41 CSS 3n " + token + " CS2 F7");
        EXPECT_EQ(FormatSysExText(e.record, EditStyle), "F0 41 SS 3n DT S2 F7");

        // In a Free Message F0 and F7 are ordinary bytes.
        AssignEntry f = FreeEntry();
        ASSERT_EQ(ParseFreeText(f, "F0 DT F7 B0 3N 00", type), ParseAccepted);
        EXPECT_EQ(FormatFreeText(f.record, ListStyle), "F0 " + token + " F7 B0 3n 00 ");
        EXPECT_EQ(FormatFreeText(f.record, EditStyle), "F0 DT F7 B0 3n 00 ");
    }
}

TEST(FormatText, RecordsFromElsewhereStayInsideTheRecord) {
    // An unknown data type, a data field running past the end and a length beyond the area
    // must neither hang nor read outside the record.
    AssignRecord r = SysExEntry().record;
    r[rec::DataType] = 9;
    r[rec::DataPosition] = 1;
    r[rec::SysExMessage + 1] = 0x41;
    EXPECT_EQ(FormatSysExText(r, ListStyle).substr(0, 6), "F0 DT ");

    r = SysExEntry().record;
    r[rec::DataType] = Data4x4Bit;
    r[rec::DataPosition] = 22;
    std::fill(r.begin() + rec::SysExMessage + 1, r.end(), std::uint8_t{0x11});
    const std::string text = FormatSysExText(r, EditStyle);
    EXPECT_EQ(text.substr(text.size() - 8), "11 DT F7");

    r = FreeEntry().record;
    r[rec::MessageLength] = 200;
    r[rec::DataType] = 7;
    r[rec::DataPosition] = 23;
    EXPECT_EQ(FormatFreeText(r, EditStyle).size(), 23u * 3 + 3);
}

// --- Format and parse agree ------------------------------------------------------------------

// Random texts made of every kind of token; whenever one is accepted, formatting the record in
// edit style and parsing that text again must give the same record.
std::string RandomText(std::mt19937& rng, bool sysEx) {
    static const std::vector<std::string> kTokens = {
        "00", "7F", "41", "1",  "a",  "DT", "dt", "SS", "S1", "s2", "3N", "0x",
        "7n", "90", "B0", "C0", "F7", "F8", "E0", "12", "3C", "40", "  ", "\t"};
    std::string t = sysEx ? "F0 " : std::vector<std::string>{"90 ", "B0 ", "C0 ", "F8 "}[rng() % 4];
    const int n = static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
        t += kTokens[rng() % kTokens.size()];
        t += rng() % 4 == 0 ? "" : " ";
    }
    if (sysEx && rng() % 8 != 0) {
        t += "F7";
    }
    return t;
}

TEST(FormatParseAgreement, HoldsForEveryAcceptedRecord) {
    std::mt19937 rng(20240607);
    int accepted[2] = {0, 0};
    for (int i = 0; i < 40000; ++i) {
        const bool sysEx = i % 2 == 0;
        const int dataType = 1 + static_cast<int>(rng() % 5);
        const std::string text = RandomText(rng, sysEx);
        AssignEntry first = sysEx ? SysExEntry() : FreeEntry();
        if (ParseMessageText(first, sysEx ? SysExMode : FreeMode, text, dataType) !=
            ParseAccepted) {
            continue;
        }
        ++accepted[sysEx ? 0 : 1];
        const std::string formatted =
            FormatMessageText(first.record, sysEx ? SysExMode : FreeMode, EditStyle);
        AssignEntry second = sysEx ? SysExEntry() : FreeEntry();
        ASSERT_EQ(ParseMessageText(second, sysEx ? SysExMode : FreeMode, formatted, dataType),
                  ParseAccepted)
            << "text \"" << text << "\" formatted \"" << formatted << '"';
        EXPECT_EQ(second.record, first.record) << "text \"" << text << '"';
    }
    // The generator must reach plenty of accepted texts of both kinds.
    EXPECT_GT(accepted[0], 1000);
    EXPECT_GT(accepted[1], 1000);
}

// --- The MIDI sequence check ------------------------------------------------------------------

struct SequenceCase {
    std::vector<std::uint8_t> bytes;
    bool complete;
};

void PrintTo(const SequenceCase& c, std::ostream* os) {
    for (std::uint8_t b : c.bytes) {
        *os << std::hex << static_cast<int>(b) << ' ';
    }
}

class SequenceCheck : public testing::TestWithParam<SequenceCase> {};

TEST_P(SequenceCheck, JudgesCompleteMessages) {
    const auto& bytes = GetParam().bytes;
    EXPECT_EQ(CheckMessageSequence(bytes.data(), bytes.size()), GetParam().complete);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SequenceCheck,
    testing::Values(SequenceCase{{}, false}, SequenceCase{{0x40}, false},
                    SequenceCase{{0x80, 0x3C, 0x00}, true}, SequenceCase{{0x9F, 0x3C, 0x40}, true},
                    SequenceCase{{0xA0, 0x3C, 0x40}, true}, SequenceCase{{0xB0, 0x07, 0x7F}, true},
                    SequenceCase{{0xE0, 0x00, 0x40}, true}, SequenceCase{{0xC5, 0x05}, true},
                    SequenceCase{{0xD0, 0x7F}, true}, SequenceCase{{0x90, 0x3C}, false},
                    SequenceCase{{0x90, 0x3C, 0x80}, false},
                    SequenceCase{{0x90, 0x3C, 0x40, 0x3C, 0x40}, false},
                    SequenceCase{{0xC0, 0x80}, false}, SequenceCase{{0xF0, 0xF7}, true},
                    SequenceCase{{0xF0, 0x41, 0x00, 0xF7}, true}, SequenceCase{{0xF0, 0x41}, false},
                    SequenceCase{{0xF0, 0x41, 0x90, 0xF7}, false},
                    SequenceCase{{0xF0, 0x41, 0xF7, 0xF8}, true}, SequenceCase{{0xF1, 0x10}, true},
                    SequenceCase{{0xF3, 0x01}, true}, SequenceCase{{0xF3}, false},
                    SequenceCase{{0xF2, 0x00, 0x7F}, true}, SequenceCase{{0xF2, 0x00}, false},
                    SequenceCase{{0xF6}, true}, SequenceCase{{0xF8}, true},
                    SequenceCase{{0xFA, 0xFB, 0xFC, 0xFF}, true}, SequenceCase{{0xF4}, false},
                    SequenceCase{{0xF5}, false}, SequenceCase{{0xF7}, false},
                    SequenceCase{{0xF9}, false}, SequenceCase{{0xFD}, false},
                    SequenceCase{{0xFE}, false}, SequenceCase{{0xC0, 0x05, 0xB0, 0x07, 0x00}, true},
                    SequenceCase{{0xB0, 0x07, 0x00, 0x00}, false}));

// --- What the page shows after a refusal -------------------------------------------------------

TEST(Refusal, SelectionCountsTheFieldsOwnLeadingBlanks) {
    const std::string field = "  F0 S1 F7";
    AssignEntry e = SysExEntry();
    const ParseResult r = ParseSysExText(e, field, 1);
    ASSERT_EQ(r, 3);
    const TextSelection s = ErrorSelection(field, r);
    EXPECT_EQ(s.start, 5u);
    EXPECT_EQ(s.length, 1u);
    EXPECT_EQ(field[s.start], 'S');

    // An index just past the end selects nothing at the end; whole-text results select all.
    const TextSelection end = ErrorSelection(" F0 4", ParseSysExText(e, " F0 4", 1));
    EXPECT_EQ(end.start, 5u);
    EXPECT_EQ(end.length, 0u);
    const TextSelection all = ErrorSelection(" F0 41 ", ParseTextWrong);
    EXPECT_EQ(all.start, 0u);
    EXPECT_EQ(all.length, 7u);
    EXPECT_EQ(ErrorSelection("F0", ParseTooLong).length, 2u);
}

TEST(Refusal, MessagesAndRanges) {
    EXPECT_EQ(MessageForResult(ParseTooLong).id, StringId::MessageTooLong);
    EXPECT_EQ(MessageForResult(ParseTooLong).detail, 24);
    EXPECT_EQ(
        FormatMessage(MessageForResult(ParseTooLong).id, MessageForResult(ParseTooLong).detail),
        "The message exceeds 24 bytes.");
    EXPECT_EQ(MessageForResult(ParseTextWrong).id, StringId::MessageMistake);
    EXPECT_EQ(MessageForResult(7).id, StringId::MessageMistake);

    const int tops[] = {127, 15, 127, 127, 255};
    for (int entry = 0; entry < 5; ++entry) {
        EXPECT_EQ(DataTypeValueRangeTop(entry), tops[entry]) << entry;
    }
}

TEST(Refusal, NamesTheByteAndTheRule) {
    const struct {
        PageMode mode;
        const char* text;
        int dataType;
        MessageRule rule;
        int byte;
        int status;
    } cases[] = {
        {SysExMode, "", 1, MessageRule::Empty, 0, 0},
        {SysExMode, "41 10 F7", 1, MessageRule::StartsWithoutF0, 1, 0},
        {FreeMode, "3C 40", 1, MessageRule::StartsWithoutStatus, 1, 0},
        {SysExMode, "F0 4G F7", 1, MessageRule::NotHex, 2, 0},
        {FreeMode, "C0 1", 1, MessageRule::HalfByte, 2, 0},
        {SysExMode, "F0 41 F7 00", 1, MessageRule::TextAfterEnd, 4, 0},
        {SysExMode, "F0 DT DT F7", 1, MessageRule::SecondDataField, 3, 0},
        {SysExMode, "F0 SS 41 SS F7", 1, MessageRule::SecondChecksumStart, 3, 0},
        {SysExMode, "F0 41 S1 SS 10 F7", 1, MessageRule::ChecksumBeforeStart, 3, 0},
        {SysExMode, "F0 SS 41 S1 S2 F7", 1, MessageRule::SecondChecksum, 4, 0},
        {SysExMode, "F0 41 SS 10 20 F7", 1, MessageRule::ChecksumWithoutEnd, 3, 0},
        {FreeMode, "B0 1n 2n", 1, MessageRule::SecondChannelMarker, 3, 0},
        {FreeMode, "9n 3C 40", 1, MessageRule::MarkerDigit, 1, 0},
        {FreeMode, "3C", 1, MessageRule::StartsWithoutStatus, 1, 0},
        {FreeMode, "90 3C", 1, MessageRule::MissingData, 3, 0x90},
        {FreeMode, "90 3C 40 3C", 1, MessageRule::DataInsteadOfStatus, 4, 0},
        {FreeMode, "90 3C 80 40", 1, MessageRule::StatusInsteadOfData, 3, 0x90},
        {FreeMode, "F4", 1, MessageRule::UndefinedStatus, 1, 0xF4},
        {FreeMode, "F0 41 10", 1, MessageRule::SysExWithoutEnd, 1, 0xF0},
        {SysExMode, "F0 41 90 F7", 1, MessageRule::StatusInsteadOfData, 3, 0xF0},
        // A two-byte data field where the message has room for one data byte.
        {FreeMode, "B0 07 DT", 2, MessageRule::DataFieldOverrun, 4, 0},
        {FreeMode, "C0 DT", 5, MessageRule::DataFieldOverrun, 3, 0},
    };
    for (const auto& c : cases) {
        AssignEntry e = c.mode == FreeMode ? FreeEntry() : SysExEntry();
        MessageTextFault fault;
        EXPECT_NE(ParseMessageText(e, c.mode, c.text, c.dataType, &fault), ParseAccepted) << c.text;
        EXPECT_EQ(fault.rule, c.rule) << c.text;
        EXPECT_EQ(fault.byte, c.byte) << c.text;
        EXPECT_EQ(fault.status, c.status) << c.text;
    }

    MessageTextFault fault{MessageRule::NotHex, 9, 0, 0};
    AssignEntry e = FreeEntry();
    ASSERT_EQ(ParseFreeText(e, "B0 07 DT", 1, &fault), ParseAccepted);
    EXPECT_EQ(fault.rule, MessageRule::None); // a success clears what an earlier refusal said
    std::string full = "90 3C 40";
    for (int i = 0; i < 7; ++i) {
        full += " 90 3C 40";
    }
    ASSERT_EQ(ParseFreeText(e, full + " F8", 1, &fault), ParseTooLong);
    EXPECT_EQ(fault.rule, MessageRule::TooLong);
    EXPECT_EQ(fault.byte, 25);
}

} // namespace
} // namespace kel
