// SPDX-License-Identifier: GPL-3.0-or-later
// The TITLE field and the assign dialog's comment with texts of any language: typed, saved,
// opened again and listed as they were; maps of other systems' encodings shown right; the
// file's byte limit kept between characters with the reason shown; control characters seen.
#include <QFile>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QStatusBar>

#include <cstdlib>

#include "files/mapfile.h"
#include "model/assignlist.h"
#include "support/editor_fixture.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

// Types `text` into `field` as a keyboard does: a key event for each character.
void Type(QWidget* field, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(field, &release);
    }
}

// Commits `text` into `field` as an input method does (how Japanese is typed).
void Compose(QWidget* field, const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(field, &event);
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return file.readAll();
}

TEST_F(EditorTest, ATitleOfAnyLanguageIsTypedSavedOpenedAndListedUnchanged) {
    const QString title = QStringLiteral("Café Größe 日本");
    TitleField()->setFocus();
    Type(TitleField(), QStringLiteral("Café Größe "));
    Compose(TitleField(), QStringLiteral("日本"));
    EXPECT_EQ(TitleField()->text(), title);

    const QString path = TempPath("typed.mid");
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(path)), 1);
    EXPECT_TRUE(ReadAll(path).contains(title.toUtf8()));

    app_->Files().NewMapFile();
    ASSERT_EQ(TitleField()->text(), "");
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
    EXPECT_EQ(TitleField()->text(), title);

    const QString list = TempPath("typed.htm");
    ui_.savePaths = {list};
    window_->RunCommand(cmd::ExportList);
    const QString page = QString::fromUtf8(ReadAll(list));
    EXPECT_TRUE(page.contains(QStringLiteral("<META charset=\"utf-8\">")));
    EXPECT_TRUE(page.contains(title + QStringLiteral(" PARAMETER LIST</H3>")));
    EXPECT_FALSE(app_->Document().IsModified());
}

TEST_F(EditorTest, TitlesOfEveryEncodingShowAsWritten) {
    // A map made by the command-line tool (UTF-8), and maps as a Japanese and a Western Windows
    // system wrote them.
    const QString made = TempPath("made.mid");
    const std::string command =
        std::string("'") + KELMAP_PATH + "' new '" + made.toStdString() + "' --title 'Café 日本'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(made), ControlMapKind), 1);
    EXPECT_EQ(TitleField()->text(), QStringLiteral("Café 日本"));

    for (const auto& [encoding, title] :
         {std::pair{TextEncoding::Cp932, QStringLiteral("日本語のピアノ")},
          std::pair{TextEncoding::Cp1252, QStringLiteral("Größe Café")}}) {
        CParameter doc;
        doc.Map().textEncoding = encoding;
        doc.SetTitle(title.toStdString());
        const QString path = TempPath("other.mid");
        ASSERT_TRUE(SaveMapDocument(CAppSettings::ToFsPath(path), doc).Ok());
        ASSERT_FALSE(ReadAll(path).contains(title.toUtf8())); // not UTF-8 in the file
        ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
        EXPECT_EQ(TitleField()->text(), title);
    }
}

TEST_F(EditorTest, TheFieldsStopAtTheFilesLimitAndSayWhy) {
    TitleField()->setFocus();
    Type(TitleField(), QString(120, QLatin1Char('a')));
    Compose(TitleField(), QStringLiteral("日本")); // 126 bytes
    EXPECT_TRUE(TitleField()->Refusal().isEmpty());
    Compose(TitleField(), QStringLiteral("語")); // would take 129
    Type(TitleField(), QStringLiteral("é"));     // 128: still taken
    Type(TitleField(), QStringLiteral("b"));     // 129: refused
    QCoreApplication::processEvents();
    EXPECT_EQ(TitleField()->text(),
              QString(120, QLatin1Char('a')) + QStringLiteral("日本") + QStringLiteral("é"));
    EXPECT_EQ(TitleField()->Refusal(), CMapTextEdit::FullText());
    EXPECT_EQ(window_->statusBar()->currentMessage(), CMapTextEdit::FullText());
    TitleField()->clearFocus();
    EXPECT_EQ(app_->Document().GetTitle().size(), 128u);

    // The comment field follows the same rule for its control.
    ClickControl(3);
    ASSERT_NE(AssignWindow(), nullptr);
    auto* comment = Control<CMapTextEdit>(AssignWindow(), CKelMsgDlg::IdComment);
    comment->setFocus();
    for (int i = 0; i < 43; ++i) {
        Compose(comment, QStringLiteral("音"));
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(comment->text().size(), 42);
    EXPECT_FALSE(comment->Refusal().isEmpty());
    app_->AssignDialog().ApplyAssignDialog();
    app_->Document().CommitEdit();
    EXPECT_EQ(app_->Document().GetMapComment(3), QString(42, QChar(0x97F3)).toStdString());
}

// A CP932 title of 100 kanji (200 bytes), as a file from elsewhere holds it: the TITLE field
// says it is kept while unchanged, and another control's edit saves it byte for byte; a comment
// that needs UTF-8 (300 bytes for that title) is refused naming the title. The user may shorten
// the title, and is told it will be cut, but not lengthen it; committed, it is cut to 128 bytes.
TEST_F(EditorTest, ATitleLongerThanTheFileLimitIsKeptUntilChangedAndTheFieldsSaySo) {
    std::string titleBytes;
    for (int i = 0; i < 100; ++i) {
        titleBytes += "\x93\xFA";
    }
    test::TrackBuilder track;
    track.Raw({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20})
        .Meta(0x03, titleBytes)
        .Comment("KEL message set 200");
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        track.Exclusive(test::ControlMapMessage(id, {})).Comment("");
    }
    const QString path = TempPath("long.mid");
    test::WriteFile(CAppSettings::ToFsPath(path), track.EndOfTrack().File());
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
    EXPECT_EQ(TitleField()->text(), QString(100, QChar(0x65E5)));
    EXPECT_EQ(TitleField()->Note(), CMapTextEdit::KeptText());
    EXPECT_EQ(TitleField()->toolTip(), CMapTextEdit::KeptText());

    ClickControl(3);
    ASSERT_NE(AssignWindow(), nullptr);
    auto* comment = Control<CMapTextEdit>(AssignWindow(), CKelMsgDlg::IdComment);
    comment->setFocus();
    Compose(comment, QStringLiteral("\u00e9"));
    QCoreApplication::processEvents();
    EXPECT_EQ(comment->text(), "");
    EXPECT_EQ(comment->Refusal(),
              UiText(TextWithoutRoomPhrase({kNoController, TextEncoding::Utf8, 300})));
    Compose(comment, QStringLiteral("\u30d4\u30a2\u30ce"));
    app_->AssignDialog().ApplyAssignDialog();
    app_->Document().CommitEdit();
    const QString saved = TempPath("saved.mid");
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(saved)), 1);
    CParameter read;
    ASSERT_TRUE(ReadMapFile(CAppSettings::ToFsPath(saved), ControlMapKind, read).Ok());
    EXPECT_EQ(read.Map().titleBytes, titleBytes);
    EXPECT_EQ(read.GetMapComment(3), "\u30d4\u30a2\u30ce");

    TitleField()->setFocus();
    TitleField()->end(false);
    QTest::keyClick(TitleField(), Qt::Key_Backspace);
    EXPECT_EQ(TitleField()->text(), QString(99, QChar(0x65E5)));
    EXPECT_EQ(TitleField()->Note(), CMapTextEdit::CutText());
    Type(TitleField(), QStringLiteral("a"));
    QCoreApplication::processEvents();
    EXPECT_EQ(TitleField()->text(), QString(99, QChar(0x65E5)));
    EXPECT_EQ(TitleField()->Refusal(), CMapTextEdit::FullText());
    app_->CommitTitleField();
    EXPECT_EQ(app_->Document().GetTitle(), QString(64, QChar(0x65E5)).toStdString());
    EXPECT_TRUE(TitleField()->Note().isEmpty());
}

TEST_F(EditorTest, ControlCharactersOfATitleShowAsEscapesAndAreKept) {
    // A right-to-left override and a C1 control, as a file may hold them.
    CParameter doc;
    const std::string title = "gnp\u202E.exe \u009B2J";
    doc.SetTitle(title);
    const QString path = TempPath("controls.mid");
    ASSERT_TRUE(SaveMapDocument(CAppSettings::ToFsPath(path), doc).Ok());
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
    EXPECT_EQ(TitleField()->text(), QStringLiteral("gnp\\u202e.exe \\u009b2J"));
    app_->CommitTitleField();
    EXPECT_EQ(app_->Document().GetTitle(), title);
    EXPECT_FALSE(app_->Document().IsModified());

    TitleField()->end(false);
    Type(TitleField(), QStringLiteral("!"));
    app_->CommitTitleField();
    EXPECT_EQ(app_->Document().GetTitle(), title + "!");
}

} // namespace
} // namespace kel
