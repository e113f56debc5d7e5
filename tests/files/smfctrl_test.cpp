// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/smfctrl.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "files/fileio.h"
#include "files/mapfile.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

using test::Bytes;
using test::ControlMapMessage;
using test::RecordingReporter;
using test::ScratchDir;
using test::TrackBuilder;

Bytes Slice(const Bytes& b, std::size_t from, std::size_t count) {
    return Bytes(b.begin() + static_cast<long>(from), b.begin() + static_cast<long>(from + count));
}

// A map using every message type and every channel kind, with title, comments and copyright.
void FillEveryKind(CParameter& doc) {
    std::vector<AssignRecord> records;
    for (int type = 0; type < kMessageTypeCount; ++type) {
        AssignEntry e;
        e.SetMessageType(type);
        e.SetPort(1);
        e.SetButtonMode(2);
        records.push_back(e.record);
    }
    for (int kind = 0; kind < kChannelKindCount; ++kind) {
        AssignEntry e;
        e.SetChannelKind(kind);
        e.SetChannel(kind);
        e.SetValue1(100);
        e.SetCenterClick(1);
        records.push_back(e.record);
    }
    for (int index = 0; index < 6; ++index) {
        AssignEntry e;
        e.SetMessageType(MsgSystemRealtime);
        e.SetRealtimeIndex(index);
        records.push_back(e.record);
    }
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        doc.RecordOf(id) = records[static_cast<std::size_t>(id) % records.size()];
        doc.SetMapComment(id, id % 3 == 0 ? std::string(128, static_cast<char>('a' + id % 26))
                                          : "comment " + std::to_string(id));
    }
    doc.SetTitle(std::string(128, 'T'));
    doc.SetCopyrightText(std::string(300, 'c') + "\xA9 2024");
}

void ExpectSameMap(const CParameter& a, const CParameter& b) {
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        EXPECT_EQ(a.RecordOf(id), b.RecordOf(id)) << id;
        EXPECT_EQ(a.GetMapComment(id), b.GetMapComment(id)) << id;
    }
    EXPECT_EQ(a.GetTitle(), b.GetTitle());
    EXPECT_EQ(a.CopyrightText(), b.CopyrightText());
}

// --- the layout as written -----------------------------------------------------------------

TEST(SmfWrite, VariableLengthQuantities) {
    const struct {
        std::uint32_t value;
        Bytes bytes;
    } cases[] = {
        {0, {0x00}},
        {0x7F, {0x7F}},
        {0x80, {0x81, 0x00}},
        {140, {0x81, 0x0C}},
        {0x3FFF, {0xFF, 0x7F}},
        {0x4000, {0x81, 0x80, 0x00}},
        {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}},
        {0x10000000, {0x81, 0x80, 0x80, 0x80, 0x00}},
    };
    for (const auto& c : cases) {
        Bytes out;
        AppendVlq(out, c.value);
        EXPECT_EQ(out, c.bytes) << c.value;
    }
}

TEST(SmfWrite, EmptyMapIs7460BytesWithExactHeadAndTail) {
    ScratchDir dir;
    CParameter doc;
    ASSERT_TRUE(SaveMapDocument(dir / "empty.mid", doc).Ok());
    const Bytes file = test::ReadFile(dir / "empty.mid");
    ASSERT_EQ(file.size(), 7460u);

    const Bytes head = {0x4D, 0x54, 0x68, 0x64, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00,
                        0x00, 0x01, 0x00, 0x60, 0x4D, 0x54, 0x72, 0x6B, 0x00, 0x00,
                        0x1D, 0x0E, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00,
                        0xFF, 0x03, 0x00, 0x00, 0xFF, 0x01, 0x13};
    EXPECT_EQ(Slice(file, 0, head.size()), head);
    const std::string kindText = "KEL message set 200";
    EXPECT_EQ(Slice(file, head.size(), 19), Bytes(kindText.begin(), kindText.end()));
    EXPECT_EQ(Slice(file, 56, 4), (Bytes{0x08, 0xF0, 0x81, 0x0C}));
    const Bytes first = ControlMapMessage(0, AssignRecord{});
    EXPECT_EQ(Slice(file, 60, 140), Slice(first, 1, 140));
    EXPECT_EQ(Slice(file, 200, 4), (Bytes{0x00, 0xFF, 0x01, 0x00})); // empty comment of R1
    EXPECT_EQ(Slice(file, file.size() - 8, 8),
              (Bytes{0x00, 0xFF, 0x01, 0x00, 0x08, 0xFF, 0x2F, 0x00}));
    EXPECT_EQ(CSmfCtrl(&doc).BuildImage(), file);
}

TEST(SmfWrite, CopyrightEventOnlyWhenThereIsText) {
    CParameter doc;
    const Bytes without = CSmfCtrl(&doc).BuildImage();
    doc.SetCopyrightText("(c) someone");
    const Bytes with = CSmfCtrl(&doc).BuildImage();
    const Bytes event = {0x00, 0xFF, 0x02, 0x0B};
    EXPECT_EQ(std::search(without.begin(), without.end(), event.begin(), event.end()),
              without.end());
    // Right after the title event.
    EXPECT_EQ(Slice(with, 33, 4), event);
    EXPECT_EQ(with.size(), without.size() + 4 + 11);
}

TEST(SmfWrite, FailuresReportTheirCause) {
    CParameter doc;
    const Status nowhere = SaveMapDocument("/nonexistent-dir-kel/x.mid", doc);
    ASSERT_FALSE(nowhere.Ok());
    EXPECT_EQ(MessageOf(nowhere.Error()), std::nullopt);
    EXPECT_EQ(nowhere.Error().cause, CauseFileNotFound);

    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) {
        GTEST_SKIP() << "/dev/full is not available";
    }
    EXPECT_EQ(FileErrorCauseOf(WriteAndClose(full, CSmfCtrl(&doc).BuildImage(), true)),
              CauseDiskFull);
}

// --- round trip ----------------------------------------------------------------------------

TEST(SmfRoundTrip, EveryKindTitleCommentsAndCopyrightComeBack) {
    ScratchDir dir;
    CParameter original;
    FillEveryKind(original);
    ASSERT_TRUE(SaveMapDocument(dir / "full.mid", original).Ok());

    CParameter loaded;
    CSmfCtrl reader(&loaded);
    ASSERT_TRUE(reader.ReadBytes(test::ReadFile(dir / "full.mid"), ControlMapKind).Ok());
    EXPECT_EQ(reader.AcceptedCount(), 50);
    EXPECT_FALSE(loaded.IsModified());
    ExpectSameMap(original, loaded);
    // Written again, the file is the same byte for byte.
    EXPECT_EQ(CSmfCtrl(&loaded).BuildImage(), test::ReadFile(dir / "full.mid"));
}

// --- reader rules --------------------------------------------------------------------------

// A map whose controller i has SampleRecord(i) and the comment "c<i>".
TrackBuilder GoodTrack(int count = kControllerCount, bool escaped = false) {
    TrackBuilder t;
    t.Raw({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}).Meta(0x03, "title");
    t.Comment("KEL message set 200");
    for (ControllerId id = 0; id < count; ++id) {
        t.Exclusive(ControlMapMessage(id, test::SampleRecord(id)), escaped);
        t.Comment("c" + std::to_string(id));
    }
    return t;
}

struct ReadCase {
    const char* what;
    Bytes file;
    MessageSetKind kind;
    int result;
    StringId message; // reported on failure
};

std::vector<ReadCase> ReadCases() {
    const Bytes good = GoodTrack().EndOfTrack().File();
    std::vector<ReadCase> cases;
    const auto fails = [&](const char* what, Bytes file, StringId id = StringId::NotControlMap,
                           MessageSetKind kind = ControlMapKind) {
        cases.push_back({what, std::move(file), kind, -1, id});
    };
    cases.push_back({"written map", good, ControlMapKind, 0, StringId::NotControlMap});
    cases.push_back({"leading junk without M", GoodTrack().EndOfTrack().File({0, 1, 2, 0xFF}),
                     ControlMapKind, 0, StringId::NotControlMap});
    cases.push_back({"escaped exclusive form", GoodTrack(50, true).EndOfTrack().File(),
                     ControlMapKind, 0, StringId::NotControlMap});
    {
        TrackBuilder t = GoodTrack(0);
        // Channel events, running status and an unknown meta event are passed over.
        t.Raw({0x00, 0x90, 0x3C, 0x64, 0x00, 0x3C, 0x00, 0xC0, 0x05, 0x00, 0xE0, 0x00, 0x40});
        t.Raw({0x00, 0xFF, 0x7F, 0x02, 0x01, 0x02});
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            t.Exclusive(ControlMapMessage(id, test::SampleRecord(id)));
        }
        cases.push_back({"other events between", t.EndOfTrack().File(), ControlMapKind, 0,
                         StringId::NotControlMap});
    }

    fails("zero-length file", {}, StringId::LoadFailed);
    fails("junk with an M before the header", GoodTrack().EndOfTrack().File({'M', 'x'}),
          StringId::LoadFailed);
    {
        Bytes b = good;
        b[3] = 'x';
        fails("wrong header id", b, StringId::LoadFailed);
    }
    {
        Bytes b = good;
        b[17] = 'x';
        fails("wrong track id", b, StringId::LoadFailed);
    }
    fails("header only", Slice(good, 0, 14), StringId::LoadFailed);
    fails("track length cut off", Slice(good, 0, 20));
    fails("truncated inside a bulk message", Slice(good, 0, 1000));
    fails("truncated before end of track", Slice(good, 0, good.size() - 4));
    fails("no end-of-track event", GoodTrack().File());
    fails("49 messages", GoodTrack(49).EndOfTrack().File());
    {
        TrackBuilder t = GoodTrack(50);
        t.Exclusive(ControlMapMessage(0, {})); // a 51st message, out of sequence
        fails("51 messages", t.EndOfTrack().File());
    }
    {
        TrackBuilder t;
        t.Exclusive(ControlMapMessage(1, {})).Exclusive(ControlMapMessage(0, {}));
        for (ControllerId id = 2; id < kControllerCount; ++id) {
            t.Exclusive(ControlMapMessage(id, {}));
        }
        fails("controller 1 before 0", t.EndOfTrack().File());
    }
    {
        TrackBuilder t;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            Bytes m = ControlMapMessage(id, test::SampleRecord(id));
            if (id == 20) {
                m[139] ^= 0x01; // checksum off by one
            }
            t.Exclusive(m);
        }
        fails("bad checksum", t.EndOfTrack().File());
    }
    {
        TrackBuilder t = GoodTrack(0);
        Bytes m = ControlMapMessage(0, {});
        m[0] = 0x00; // escaped form whose first byte is not F0
        t.Exclusive(m, true);
        fails("escaped form without F0", t.EndOfTrack().File());
    }
    fails("system common status F1", GoodTrack().Raw({0x00, 0xF1, 0x00}).EndOfTrack().File());
    fails("meta type above 7F", GoodTrack().Raw({0x00, 0xFF, 0x80, 0x00}).EndOfTrack().File());
    fails("text longer than the file",
          GoodTrack().Raw({0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0x7F}).File());
    fails("control map read as memory set", good, StringId::NotMemorySet, MemorySetKind);
    fails("memory set read as control map", test::MemorySetFile(27));
    return cases;
}

TEST(SmfRead, EachRuleAcceptsOrRejectsWithItsMessage) {
    for (const ReadCase& c : ReadCases()) {
        CParameter doc;
        CSmfCtrl reader(&doc);
        const Status read = reader.ReadBytes(c.file, c.kind);
        EXPECT_EQ(read.Ok(), c.result == 0) << c.what;
        if (read.Ok()) {
            EXPECT_EQ(doc.RecordOf(49), test::SampleRecord(49)) << c.what;
        } else {
            EXPECT_EQ(MessageOf(read.Error()), c.message) << c.what;
        }
    }
}

TEST(SmfRead, CommentsTitleAndStrayTexts) {
    TrackBuilder t;
    t.Comment("before any bulk message").Meta(0x03, std::string(300, 'x'));
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        t.Exclusive(ControlMapMessage(id, {}));
        if (id == 5) {
            // A device inquiry: skipped, and the text after it belongs to no control.
            t.Exclusive({0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}).Comment("stray");
        } else if (id == 7) {
            t.Comment(std::string(200, 'y'));
        } else {
            t.Comment("c" + std::to_string(id));
        }
    }
    CParameter doc;
    ASSERT_TRUE(CSmfCtrl(&doc).ReadBytes(t.EndOfTrack().File(), ControlMapKind).Ok());
    // Texts longer than 128 bytes are read whole: a save writes them back as they were.
    EXPECT_EQ(doc.GetTitle(), std::string(300, 'x'));
    EXPECT_EQ(doc.GetMapComment(0), "c0");
    EXPECT_EQ(doc.GetMapComment(5), "");
    EXPECT_EQ(doc.GetMapComment(7), std::string(200, 'y'));
    EXPECT_EQ(doc.GetMapComment(49), "c49");
    EXPECT_FALSE(doc.IsModified());
}

TEST(SmfRead, OpenFailuresCarryTheCause) {
    ScratchDir dir;
    CParameter doc;
    RecordingReporter reporter;
    for (const std::string& path : {std::string(dir / "missing.mid"), dir.Path().string(),
                                    (dir.Path() / "missing" / "x.mid").string()}) {
        const Status read = ReadMapFile(path, ControlMapKind, doc);
        ASSERT_FALSE(read.Ok()) << path;
        ReportFileFailure(reporter, read.Error(), StringId::LoadError, path);
    }
    using W = std::pair<StringId, int>;
    EXPECT_EQ(reporter.warnings, (std::vector<W>{{StringId::LoadError, CauseFileNotFound},
                                                 {StringId::LoadError, CauseAccessDenied},
                                                 {StringId::LoadError, CauseFileNotFound}}));
}

TEST(SmfRead, DamagedFilesFailCleanly) {
    // Single changed bytes and cut-off ends anywhere in a good file: the reader accepts or
    // rejects, reports once when it rejects, and never reads outside the data.
    CParameter source;
    FillEveryKind(source);
    const Bytes good = CSmfCtrl(&source).BuildImage();
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return seed >> 8;
    };
    for (int round = 0; round < 1500; ++round) {
        Bytes b = good;
        const std::size_t at = next() % b.size();
        if (round % 3 == 0) {
            b.resize(at);
        } else {
            b[at] = static_cast<std::uint8_t>(next());
        }
        CParameter doc;
        const Status read = CSmfCtrl(&doc).ReadBytes(b, ControlMapKind);
        ASSERT_TRUE(read.Ok() || MessageOf(read.Error())) << "round " << round;
    }
}

// --- memory set files ----------------------------------------------------------------------

TEST(SmfReadMemorySet, SlotsAndCommentsLandOnTheirControls) {
    CParameter doc;
    ASSERT_TRUE(CSmfCtrl(&doc).ReadBytes(test::MemorySetFile(27), MemorySetKind).Ok());
    EXPECT_EQ(doc.GetTitle(), "memory set");
    EXPECT_EQ(doc.RecordOf(0), test::SampleRecord(1));
    EXPECT_EQ(doc.RecordOf(9), test::SampleRecord(9)); // slot 8 is S1
    EXPECT_EQ(doc.GetMapComment(9), "slot 8");
    EXPECT_EQ(doc.RecordOf(46), test::SampleRecord(27)); // slot 26 is P2
    EXPECT_EQ(doc.GetMapComment(46), "slot 26");
    for (ControllerId untouched : {8, 17, 18, 33, 36, 44, 47, 48, 49}) {
        EXPECT_EQ(doc.RecordOf(untouched), AssignRecord{}) << untouched;
        EXPECT_EQ(doc.GetMapComment(untouched), "") << untouched;
    }
}

TEST(SmfReadMemorySet, CountAndOrderAreChecked) {
    TrackBuilder swapped;
    for (int slot : {0, 1, 2, 3, 5, 4}) {
        swapped.Exclusive(test::MemorySetMessage(slot, {}));
    }
    for (int slot = 6; slot < 27; ++slot) {
        swapped.Exclusive(test::MemorySetMessage(slot, {}));
    }
    TrackBuilder escaped;
    for (int slot = 0; slot < 27; ++slot) {
        escaped.Exclusive(test::MemorySetMessage(slot, {}), true);
    }
    const struct {
        const char* what;
        Bytes file;
        int result;
    } cases[] = {
        {"26 messages", test::MemorySetFile(26), -1},
        {"28 messages", test::MemorySetFile(28), -1},
        {"slot 5 before 4", swapped.EndOfTrack().File(), -1},
        {"escaped form", escaped.EndOfTrack().File(), 0},
    };
    for (const auto& c : cases) {
        CParameter doc;
        const Status read = CSmfCtrl(&doc).ReadBytes(c.file, MemorySetKind);
        EXPECT_EQ(read.Ok(), c.result == 0) << c.what;
        if (!read.Ok()) {
            EXPECT_EQ(MessageOf(read.Error()), StringId::NotMemorySet) << c.what;
        }
    }
}

// --- another program reads what we write ---------------------------------------------------

// The python3 with mido installed, or empty.
std::string PythonWithMido() {
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        const std::string probe = std::string(python) + " -c 'import mido' >/dev/null 2>&1";
        if (std::system(probe.c_str()) == 0) {
            return python;
        }
    }
    return {};
}

TEST(SmfInterop, MidoReadsAWrittenMap) {
    const std::string python = PythonWithMido();
    if (python.empty()) {
        GTEST_SKIP() << "python3 with mido is not installed";
    }
    ScratchDir dir;
    CParameter doc;
    FillEveryKind(doc);
    doc.SetTitle("Live set");
    doc.SetMapComment(0, "Volume");
    ASSERT_TRUE(SaveMapDocument(dir / "map.mid", doc).Ok());

    const std::string script =
        "import sys, mido\n"
        "f = mido.MidiFile(sys.argv[1])\n"
        "msgs = list(f.tracks[0])\n"
        "sysex = [m for m in msgs if m.type == 'sysex']\n"
        "texts = [m.text for m in msgs if m.type == 'text']\n"
        "name = [m.name for m in msgs if m.type == 'track_name'][0]\n"
        "print(f.type, len(f.tracks), f.ticks_per_beat, len(sysex), len(sysex[0].data),\n"
        "      sysex[0].data[8], sysex[49].data[8], name, texts[1], msgs[-1].type,\n"
        "      msgs[0].tempo)\n";
    const std::string command = python + " -c \"$KEL_SCRIPT\" '" + (dir / "map.mid").string() +
                                "' > '" + (dir / "out.txt").string() + "' 2>&1";
    ASSERT_EQ(::setenv("KEL_SCRIPT", script.c_str(), 1), 0);
    const int status = std::system(command.c_str());
    const Bytes out = test::ReadFile(dir / "out.txt");
    const std::string text(out.begin(), out.end());
    ASSERT_EQ(status, 0) << text;
    EXPECT_EQ(text, "0 1 96 50 139 0 49 Live set Volume end_of_track 500000\n");
}

} // namespace
} // namespace kel
