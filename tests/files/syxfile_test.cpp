// SPDX-License-Identifier: GPL-3.0-or-later
// System-exclusive files: the written bytes, round trips of every kind, and the refusals of
// malformed files.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "files/fileio.h"
#include "files/syxfile.h"
#include "model/msgtext.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

using test::Bytes;

// A map with every kind (and a twin code), different on each control.
RecordTable EveryKind() {
    RecordTable table{};
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        AssignEntry e;
        const int kind = id % 17;
        if (kind < kChannelKindCount) {
            e.SetChannelKind(kind);
            e.SetValue1(1 + id % 100);
            e.SetChannel(id % 16);
            e.SetPort(id % 3);
        } else if (kind == 12) {
            e.SetMessageType(MsgSystemRealtime);
            e.SetRealtimeIndex(id % 6);
        } else if (kind == 13) {
            e.SetMessageType(MsgSystemExclusive);
            ParseSysExText(e, "F0 41 10 SS 12 3n DT S1 F7", 1 + id % 5);
        } else if (kind == 14) {
            e.SetMessageType(MsgFreeMessage);
            ParseFreeText(e, "C0 05 B0 07 DT", 1);
        } else if (kind == 15) {
            e.SetMessageType(MsgTempo);
            e.SetButtonMode(2);
        } // 16: NO ASSIGN
        table[static_cast<std::size_t>(id)] = e.record;
    }
    table[3][rec::AssignCode] = CodeControlChangeTwin; // kept as stored
    return table;
}

Bytes Message(ControllerId id, const RecordTable& table) {
    return test::ControlMapMessage(id, table[static_cast<std::size_t>(id)]);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

TEST(SyxFile, ImageIsTheFiftyBulkMessagesInControllerOrder) {
    const RecordTable table = EveryKind();
    const std::vector<std::uint8_t> image = BuildSyxImage(table);
    ASSERT_EQ(image.size(), 50u * 141u);
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        const Bytes expected = Message(id, table);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), image.begin() + id * 141)) << id;
    }
}

TEST(SyxFile, SaveAndLoadGiveBackEveryRecord) {
    test::ScratchDir dir;
    const RecordTable table = EveryKind();
    const std::string path = dir / "map.syx";
    ASSERT_TRUE(SaveSyxFile(table, path).Ok());
    EXPECT_EQ(test::ReadFile(path), Bytes(BuildSyxImage(table)));
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"map.syx"}); // no temporary file left

    const Result<SyxImport> read = LoadSyxFile(path);
    ASSERT_TRUE(read.Ok()) << EnglishText(read.Why());
    EXPECT_EQ(read->records, table);
    EXPECT_EQ(read->foreignMessages, 0);

    // Replacing an existing file keeps its permissions.
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(SaveSyxFile(RecordTable{}, path).Ok());
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
    EXPECT_EQ(LoadSyxFile(path)->records, RecordTable{});
}

TEST(SyxFile, SaveFailuresLeaveTheTargetAlone) {
    test::ScratchDir dir;
    const std::string path = dir / "locked.syx";
    test::WriteFile(path, {0xF0, 0xF7});
    ::chmod(path.c_str(), 0444);
    Status result = SaveSyxFile(EveryKind(), path);
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(MessageOf(result.Error()), StringId::CannotOverwrite);
    EXPECT_EQ(EnglishText(result.Why()), "The file cannot be overwritten.");
    EXPECT_EQ(test::ReadFile(path), (Bytes{0xF0, 0xF7}));

    result = SaveSyxFile(EveryKind(), (dir / "missing" / "x.syx").string());
    ASSERT_FALSE(result.Ok());
    EXPECT_EQ(MessageOf(result.Error()), std::nullopt);
    EXPECT_EQ(result.Error().cause, 2); // the editor words the cause from its number
    EXPECT_EQ(test::CauseOf(SaveSyxFile(EveryKind(), dir.Path().string())), CauseAccessDenied);
}

TEST(SyxFile, AnyOrderWithForeignMessagesAround) {
    const RecordTable table = EveryKind();
    Bytes file(kTransmitModeMessage.begin(), kTransmitModeMessage.end());
    file = Concat({file,
                   {0xF0, 0x43, 0x10, 0x01, 0xF7}, // another maker's message
                   {0x90, 0x3C, 0x40, 0x3C, 0x00}, // note on, then running status
                   test::MemorySetMessage(3, table[5]),
                   {0xF7, 0xC0, 0x05}});
    for (ControllerId id = kControllerCount - 1; id >= 0; --id) {
        Bytes m = Message(id, table);
        if (id == 20) {
            m.insert(m.begin() + 50, 0xF8); // a timing clock in the middle of a message
        }
        file = Concat({file, m, {0xFE}});
    }
    const Result<SyxImport> read = ParseSyxImage(file);
    ASSERT_TRUE(read.Ok()) << EnglishText(read.Why());
    EXPECT_EQ(read->records, table);
    EXPECT_EQ(read->foreignMessages, 7);
    EXPECT_EQ(read->repeatedMessages, 0);
}

TEST(SyxFile, RepeatedControls) {
    const RecordTable table = EveryKind();
    const Bytes image(BuildSyxImage(table));
    // The same record twice (a dump stored twice) is accepted.
    Result<SyxImport> read = ParseSyxImage(Concat({image, Message(7, table)}));
    ASSERT_TRUE(read.Ok()) << EnglishText(read.Why());
    EXPECT_EQ(read->repeatedMessages, 1);
    EXPECT_EQ(read->records, table);
    // A different record for the same control is refused.
    RecordTable other = table;
    other[7][rec::Channel] ^= 1;
    read = ParseSyxImage(Concat({image, Message(7, other)}));
    EXPECT_EQ(test::CauseOf(read), static_cast<int>(SyxError::Conflict));
    EXPECT_EQ(EnglishText(read.Why()), "The file holds two different bulk messages for R8.");
}

TEST(SyxFile, MalformedFilesAreRefusedWithAReason) {
    const RecordTable table = EveryKind();
    const Bytes image(BuildSyxImage(table));
    auto without = [&](std::vector<ControllerId> ids) {
        Bytes out;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            if (std::find(ids.begin(), ids.end(), id) == ids.end()) {
                out = Concat({out, Message(id, table)});
            }
        }
        return out;
    };
    Bytes badChecksum = image;
    badChecksum[141 * 4 + 139] ^= 1;
    Bytes aborted = Concat({Bytes(image.begin(), image.begin() + 141 * 2 + 60),
                            {0x90, 0x3C, 0x40},
                            Bytes(image.begin() + 141 * 2, image.end())});
    Bytes smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 0x60};

    struct Case {
        const char* what;
        Bytes bytes;
        SyxError error;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"empty", {}, SyxError::Empty, "The file is empty."},
        {"text",
         {'h', 'e', 'l', 'l', 'o'},
         SyxError::NotSysEx,
         "This is not a system-exclusive file: the byte 68 at offset 0 belongs to no MIDI "
         "message."},
        {"data after a message", Concat({image, {0x41}}), SyxError::NotSysEx,
         "This is not a system-exclusive file: the byte 41 at offset 7050 belongs to no MIDI "
         "message."},
        {"standard midi file", smf, SyxError::NotSysEx,
         "This is a Standard MIDI File, not a system-exclusive file; open it as a control map "
         "file."},
        {"cut off", Bytes(image.begin(), image.end() - 10), SyxError::Truncated,
         "The file ends in the middle of the message that starts at offset 6909."},
        {"short message cut off", Concat({image, {0x90, 0x3C}}), SyxError::Truncated,
         "The file ends in the middle of the message that starts at offset 7050."},
        {"foreign only",
         {0xF0, 0x43, 0x10, 0xF7, 0xC0, 0x01, 0xF8},
         SyxError::NoBulkMessages,
         "The file holds no KEL bulk messages."},
        {"memory set only", test::MemorySetMessage(0, table[0]), SyxError::NoBulkMessages,
         "The file holds no KEL bulk messages."},
        {"49 messages", without({11}), SyxError::Missing,
         "The file holds 49 of the 50 KEL bulk messages; missing: S3."},
        {"three missing", without({0, 1, 49}), SyxError::Missing,
         "The file holds 47 of the 50 KEL bulk messages; missing: R1, R2, AFT."},
        {"checksum", badChecksum, SyxError::Damaged,
         "The KEL bulk message at offset 564 is damaged (wrong length, address or checksum)."},
        {"aborted by a status byte", aborted, SyxError::Damaged,
         "The KEL bulk message at offset 282 is damaged (wrong length, address or checksum)."},
    };
    for (const Case& c : cases) {
        const Result<SyxImport> read = ParseSyxImage(c.bytes);
        EXPECT_EQ(test::CauseOf(read), static_cast<int>(c.error)) << c.what;
        EXPECT_EQ(EnglishText(read.Why()), c.message) << c.what;
        EXPECT_FALSE(read.Ok()) << c.what;
    }
}

TEST(SyxFile, FileLevelFailures) {
    test::ScratchDir dir;
    Result<SyxImport> read = LoadSyxFile(dir / "missing.syx");
    EXPECT_EQ(test::CauseOf(read), static_cast<int>(SyxError::CannotRead));
    EXPECT_EQ(EnglishText(read.Why()), "The file cannot be read: No such file or folder.");
    EXPECT_EQ(test::CauseOf(LoadSyxFile(dir.Path().string())),
              static_cast<int>(SyxError::CannotRead));

    // Too large: refused by its size, also when the bytes alone are given.
    Bytes big = BuildSyxImage(EveryKind());
    big.resize(kSyxFileLimit + 1, 0xF8);
    EXPECT_EQ(test::CauseOf(ParseSyxImage(big)), static_cast<int>(SyxError::TooLarge));
    test::WriteFile(dir / "big.syx", big);
    read = LoadSyxFile(dir / "big.syx");
    EXPECT_EQ(test::CauseOf(read), static_cast<int>(SyxError::TooLarge));
    EXPECT_EQ(EnglishText(read.Why()),
              "The file is larger than 1048576 bytes; it is not a system-exclusive "
              "file of a control map.");
    // Exactly at the limit is read (realtime filler around a complete map).
    big.resize(kSyxFileLimit);
    test::WriteFile(dir / "limit.syx", big);
    EXPECT_TRUE(LoadSyxFile(dir / "limit.syx").Ok());
}

TEST(SyxFile, ApplyingRecordsMakesANewModifiedMap) {
    CParameter document;
    document.SetTitle("Old");
    document.SetMapComment(3, "old comment");
    document.SetCopyrightText("(c)");
    document.SelectController(3);
    const RecordTable table = EveryKind();
    ApplySyxRecords(document, table);
    EXPECT_EQ(document.GetTitle(), "");
    EXPECT_EQ(document.GetMapComment(3), "");
    EXPECT_EQ(document.CopyrightText(), "");
    EXPECT_TRUE(document.IsModified());
    EXPECT_EQ(document.RecordOf(3)[rec::AssignCode], CodeControlChange); // twin folded
    EXPECT_EQ(document.RecordOf(20), table[20]);
    EXPECT_EQ(document.SelectedController(), 3);
    EXPECT_EQ(document.EditBuffer().record, document.RecordOf(3));
}

} // namespace
} // namespace kel
