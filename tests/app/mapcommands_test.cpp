// SPDX-License-Identifier: GPL-3.0-or-later
// Check Map, Compare With, Export and Import SysEx and the check before a transmit, inside the
// running editor; the Japanese texts of the check, the comparison and the .syx messages.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>

#include "app/mapcommands.h"
#include "app/maptexts.h"
#include "app/reportwindow.h"
#include "app/takecontrolsdlg.h"
#include "app/undo.h"
#include "files/syxfile.h"
#include "gui/assign/editselecteddlg.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/confirmdlg.h"
#include "gui/common/editornotify.h"
#include "gui/common/uitext.h"
#include "model/labels.h"
#include "support/access.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

constexpr ControllerId R1 = 0;
constexpr ControllerId R2 = 1;
constexpr ControllerId S1 = 9;
constexpr ControllerId S3 = 11;

QStringList LinesOf(CReportWindow* window) {
    QStringList lines;
    for (int i = 0; i < window->List()->count(); ++i) {
        lines << window->List()->item(i)->text();
    }
    return lines;
}

void SetControlChange(CParameter& doc, ControllerId id, int controller) {
    AssignRecord& r = doc.RecordOf(id);
    r.fill(0);
    r[rec::AssignCode] = CodeControlChange;
    r[5] = static_cast<std::uint8_t>(controller);
    r[6] = 0;
    r[7] = 127;
}

class MapCommandsTest : public EditorTest {
protected:
    CMapCommands* Commands() { return window_->findChild<CMapCommands*>(); }

    // Two controls sending CC 74 alike, and an unknown assign code on S1.
    void CraftMapWithProblems() {
        CParameter& doc = app_->Document();
        SetControlChange(doc, R1, 74);
        SetControlChange(doc, R2, 74);
        doc.RecordOf(S1)[rec::AssignCode] = 30;
    }
};

// Edit Selected (Ctrl+E): eight knobs of mixed kinds become CC 20-27 on channel 2 in one dialog,
// the preview shows each label before and after, a wheel passing over a field does not change
// it, Apply is one undo step and that Undo brings the map back byte for byte. A number beyond
// 127 refuses Apply and names the control.
TEST_F(MapCommandsTest, EditSelectedNumbersEightKnobsAsOneUndoStep) {
    CParameter& doc = app_->Document();
    SetControlChange(doc, R2, 7);
    doc.RecordOf(R1)[rec::AssignCode] = CodeTempo;
    doc.MapWasReplaced();
    const ControlMap before = doc.Map();
    ClickControl(R1);
    FindByKelId<QPushButton>(AssignWindow(), CKelMsgDlg::IdCancel)->click();
    Panel()->setFocus();
    ASSERT_EQ(Action(cmd::EditSelected)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));

    QStringList afterLabels;
    int startAfterWheel = -1;
    ui_.onModal = [&](QDialog& dialog) {
        auto* edit = qobject_cast<CEditSelectedDlg*>(&dialog);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->ControlsField()->text(), "R1"); // the selected control to start with
        edit->ControlsField()->setText("R1-R8");
        edit->KindBox()->setChecked(true);
        edit->KindList()->setCurrentIndex(KindControlChange);
        edit->ChannelBox()->setChecked(true);
        edit->ChannelField()->setValue(2);
        edit->NumberBox()->setChecked(true);
        edit->StartField()->setValue(20);
        QWheelEvent wheel(QPointF(5, 5), edit->StartField()->mapToGlobal(QPointF(5, 5)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(edit->StartField(), &wheel);
        startAfterWheel = edit->StartField()->value();
        for (int row = 0; row < edit->PreviewTable()->rowCount(); ++row) {
            afterLabels << edit->PreviewTable()->item(row, 2)->text();
        }
        EXPECT_TRUE(edit->ApplyButton()->isEnabled());
    };
    window_->RunCommand(cmd::EditSelected);
    EXPECT_EQ(startAfterWheel, 20);
    ASSERT_EQ(afterLabels.size(), 8);
    EXPECT_EQ(afterLabels.front(), "CC 20:2");
    EXPECT_EQ(afterLabels.back(), "CC 27:2");
    for (ControllerId id = R1; id < R1 + 8; ++id) {
        EXPECT_EQ(AssignmentLabel(doc, id), "CC " + std::to_string(20 + id) + ":2") << id;
    }
    EXPECT_EQ(doc.RecordOf(R2)[7], 127); // the CC it was keeps its range
    EXPECT_EQ(Action(cmd::Undo)->text(), "&Undo Edit 8 controls");
    window_->RunCommand(cmd::Undo);
    EXPECT_TRUE(doc.Map().records == before.records);
    EXPECT_TRUE(doc.Map().comments == before.comments);

    QString refusal;
    ui_.onModal = [&](QDialog& dialog) {
        auto* edit = qobject_cast<CEditSelectedDlg*>(&dialog);
        edit->ControlsField()->setText("R1-R8");
        edit->KindBox()->setChecked(true);
        edit->KindList()->setCurrentIndex(KindControlChange);
        edit->NumberBox()->setChecked(true);
        edit->StartField()->setValue(121);
        EXPECT_FALSE(edit->ApplyButton()->isEnabled());
        refusal = edit->PreviewTable()->item(7, 2)->text();
    };
    Panel()->setFocus();
    window_->RunCommand(cmd::EditSelected);
    EXPECT_EQ(refusal, "R8: the controller number would be 128, outside 0-127.");
    EXPECT_TRUE(doc.Map().records == before.records);
    EXPECT_FALSE(Action(cmd::Undo)->text().contains("Edit"));
}

TEST_F(MapCommandsTest, CheckMapListsTheFindingsAndOpensTheControlOfALine) {
    CraftMapWithProblems();
    window_->RunCommand(cmd::CheckMap);
    CReportWindow* report = Commands()->CheckWindow();
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(report->isVisible());
    EXPECT_EQ(report->windowTitle(), "Check Map");
    EXPECT_EQ(UnnamedFields(report), QStringList{}); // the list is named for screen readers
    EXPECT_EQ(LinesOf(report), QStringList({"R1 and R2 both send CC 74 on channel 1, Port 1.",
                                            "S1: assign code 30 is not a known message kind."}));
    EXPECT_EQ(report->Summary()->text(),
              "Errors: 1. Warnings: 1. Double-click a line to edit its control.");
    EXPECT_FALSE(report->List()->item(0)->icon().isNull());
    EXPECT_EQ(report->ControlOfLine(0), R1);
    EXPECT_EQ(report->ControlOfLine(1), S1);

    // Activating the second line opens the assign dialog on S1.
    emit report->List()->itemActivated(report->List()->item(1));
    QCoreApplication::processEvents();
    EXPECT_EQ(app_->Document().SelectedController(), S1);
    QWidget* dialog = app_->AssignDialog().Window();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());

    // The same window runs the check again on the edited map.
    app_->Document().RecordOf(S1)[rec::AssignCode] = CodeNoAssign;
    app_->Document().RevertEdit();
    SetControlChange(app_->Document(), R2, 75);
    report->AgainButton()->click();
    EXPECT_EQ(Commands()->CheckWindow(), report);
    EXPECT_EQ(report->Summary()->text(), "The control map has no problems.");
    EXPECT_EQ(report->List()->count(), 0);
    EXPECT_TRUE(report->List()->isHidden());
}

// A report window has the size of what it shows: every line whole, no room below them to
// resize into (nor a window manager's resize strip under the buttons), and beside the panel.
TEST_F(MapCommandsTest, TheReportWindowFitsItsLinesAndLeavesThePanelInSight) {
    CraftMapWithProblems();
    window_->RunCommand(cmd::CheckMap);
    CReportWindow* report = Commands()->CheckWindow();
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(report));
    EXPECT_EQ(report->minimumSize(), report->maximumSize());
    const QListWidget* list = report->List();
    int linesHeight = 0;
    for (int row = 0; row < list->count(); ++row) {
        const QRect line = list->visualItemRect(list->item(row));
        EXPECT_TRUE(list->viewport()->rect().contains(line)) << row;
        EXPECT_GE(line.width(), list->fontMetrics().horizontalAdvance(list->item(row)->text()));
        linesHeight += line.height();
    }
    EXPECT_LE(list->viewport()->height(), linesHeight + list->fontMetrics().height());
    const QRect panel(Panel()->mapToGlobal(QPoint()), Panel()->size());
    const QRect area = window_->screen()->availableGeometry();
    if (area.height() >= window_->frameGeometry().height() + report->frameGeometry().height() ||
        area.width() >= window_->frameGeometry().width() + report->frameGeometry().width()) {
        EXPECT_FALSE(report->frameGeometry().intersects(panel));
    }
}

TEST_F(MapCommandsTest, CheckMapSeesTheDialogsPendingFields) {
    ClickControl(S3);
    auto* list = Control<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList);
    ASSERT_NE(list, nullptr);
    Pick(list, MsgTempo);
    app_->Document().RecordOf(R1)[rec::AssignCode] = CodeTempo;
    window_->RunCommand(cmd::CheckMap);
    EXPECT_EQ(LinesOf(Commands()->CheckWindow()), QStringList({"R1 and S3 both send TEMPO."}));
}

// UI services that answer the map check's question with `modalResult` and count the transmits that
// went ahead: a transmit starts with its own confirmation, which is declined here, so that no
// MIDI traffic follows.
class TransmitCheckTest : public MapCommandsTest {
protected:
    class QuestionUi : public FakeUi {
    public:
        int RunModal(QDialog& dialog) override {
            if (qobject_cast<CConfirmDlg*>(&dialog) != nullptr) {
                ++transmits;
                return QDialog::Rejected;
            }
            ++asked;
            if (auto* label = dialog.findChild<QLabel*>(kReportQuestionName); label != nullptr) {
                question = label->text();
            }
            if (auto* list = dialog.findChild<QListWidget*>(kReportListName); list != nullptr) {
                listed = list->count();
            }
            return FakeUi::RunModal(dialog);
        }
        int transmits = 0;
        int asked = 0;
        int listed = 0;
        QString question;
    };

    CUiServices& Ui() override { return questionUi_; }
    void PrepareStore(QSettings& store) override {
        // The built-in device, whose port is always there.
        store.setValue(QStringLiteral("MIDI Device/API"), QStringLiteral("Virtual"));
    }

    QuestionUi questionUi_;
};

TEST_F(TransmitCheckTest, ErrorsAskBeforeSendingWarningsDoNot) {
    CParameter& doc = app_->Document();
    SetControlChange(doc, R1, 74);
    SetControlChange(doc, R2, 74); // a warning only
    window_->RunCommand(cmd::Transmit);
    EXPECT_EQ(questionUi_.asked, 0);
    EXPECT_EQ(questionUi_.transmits, 1);

    doc.RecordOf(S1)[rec::AssignCode] = 30;
    questionUi_.modalResult = QDialog::Rejected;
    window_->RunCommand(cmd::Transmit);
    EXPECT_EQ(questionUi_.asked, 1);
    EXPECT_EQ(questionUi_.listed, 2);
    EXPECT_TRUE(questionUi_.question.contains("Transmit it anyway?"));
    EXPECT_EQ(questionUi_.transmits, 1);

    questionUi_.modalResult = QDialog::Accepted;
    window_->RunCommand(cmd::Transmit);
    EXPECT_EQ(questionUi_.transmits, 2);
}

// Take Controls From lists the differing controls side by side; the knobs' group box and the
// keyboard tick them, and Take writes them into the open map as one undo step, which undoes to
// the very bytes of the file.
TEST_F(MapCommandsTest, TakeControlsFromWritesTheTickedControlsAsOneUndoStep) {
    CParameter& doc = app_->Document();
    constexpr ControllerId A1 = 18;
    SetControlChange(doc, R1, 74);
    doc.SetMapComment(R1, "Cutoff");
    SetControlChange(doc, R2, 75);
    SetControlChange(doc, S3, 76);
    SetControlChange(doc, A1, 77);
    TitleField()->setText("OTHER");
    const QString other = TempPath("live.mid");
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(other)), 1);
    app_->Files().NewMapFile();
    SetControlChange(doc, R2, 20);
    const QString base = WriteMapFile("base.mid", "BASE"); // R1 CC 74 without a comment
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(base), ControlMapKind), 1);
    const ControlMap before = doc.Map();

    Panel()->setFocus(); // the TITLE field would keep Undo for itself
    QStringList rows;
    ui_.openPaths.push_back(other);
    ui_.onModal = [&](QDialog& dialog) {
        auto* take = qobject_cast<CTakeControlsDlg*>(&dialog);
        ASSERT_NE(take, nullptr);
        QTreeWidget* list = take->List();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            QStringList columns;
            for (int c = 0; c < list->columnCount(); ++c) {
                columns << list->topLevelItem(i)->text(c);
            }
            rows << columns.join(u'|');
        }
        EXPECT_FALSE(take->TakeButton()->isEnabled()); // nothing ticked yet
        take->GroupBox(R1)->click();                   // the knobs: R1 and R2
        EXPECT_EQ(take->GroupBox(R1)->checkState(), Qt::Checked);
        // The keyboard: down to S3 and Space.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        EXPECT_EQ(take->Ticked(), (std::vector<ControllerId>{R1, R2, S3}));
        take->TakeButton()->click();
    };
    window_->RunCommand(cmd::TakeControlsFrom);
    ASSERT_EQ(rows.size(), 4) << rows.join(u'\n').toStdString();
    EXPECT_TRUE(rows[0].startsWith("R1|CC 74:1|CC 74:1|R1: CC 74:1 (")) << rows[0].toStdString();
    EXPECT_TRUE(rows[1].startsWith("R2|CC 20:1|CC 75:1|R2: CC 20:1 \u2192 CC 75:1"))
        << rows[1].toStdString();

    CParameter taken;
    ASSERT_TRUE(ReadMapFile(CAppSettings::ToFsPath(other), ControlMapKind, taken).Ok());
    for (const ControllerId id : {R1, R2, S3}) {
        EXPECT_EQ(doc.RecordOf(id), taken.RecordOf(id)) << id;
    }
    EXPECT_EQ(doc.GetMapComment(R1), "Cutoff");
    EXPECT_EQ(doc.RecordOf(A1), before.records[A1]); // not ticked
    EXPECT_EQ(doc.GetTitle(), "BASE");
    EXPECT_EQ(Action(cmd::Undo)->text(), "&Undo Take 3 controls from live.mid");
    EXPECT_TRUE(Action(cmd::Undo)->isEnabled());

    window_->RunCommand(cmd::Undo);
    const QString after = TempPath("after.mid");
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(after)), 1);
    QFile a(base), b(after);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
    EXPECT_EQ(a.readAll(), b.readAll());
}

// Take Controls never cuts a text: a comment only UTF-8 holds would take the open CP932 map
// to UTF-8, where its title of 64 kanji takes 192 bytes; nothing is taken and the user is told.
TEST_F(MapCommandsTest, TakeControlsRefusesToCutTheTitleAndSaysWhy) {
    CParameter& doc = app_->Document();
    SetControlChange(doc, R1, 74);
    doc.SetMapComment(R1, "\u00e9\u20ac");
    const QString other = TempPath("other.mid");
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(other)), 1);
    CParameter cp932;
    cp932.Map().textEncoding = TextEncoding::Cp932;
    std::string kanji;
    for (int i = 0; i < 64; ++i) {
        kanji += "\u65e5";
    }
    cp932.SetTitle(kanji);
    const QString base = TempPath("base.mid");
    ASSERT_TRUE(SaveMapDocument(CAppSettings::ToFsPath(base), cp932).Ok());
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(base), ControlMapKind), 1);
    const ControlMap before = doc.Map();

    ui_.openPaths.push_back(other);
    ui_.onModal = [&](QDialog& dialog) {
        auto* take = qobject_cast<CTakeControlsDlg*>(&dialog);
        ASSERT_NE(take, nullptr);
        take->GroupBox(R1)->click();
        ASSERT_EQ(take->Ticked(), (std::vector<ControllerId>{R1}));
        take->TakeButton()->click();
    };
    window_->RunCommand(cmd::TakeControlsFrom);
    ASSERT_EQ(ui_.warnings.size(), 1) << ui_.warnings.join(u'\n').toStdString();
    EXPECT_EQ(ui_.warnings[0],
              UiText(TextWithoutRoomPhrase({kNoController, TextEncoding::Utf8, 192})));
    EXPECT_EQ(doc.RecordOf(R1), before.records[R1]);
    EXPECT_EQ(doc.Map().comments, before.comments);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_FALSE(Action(cmd::Undo)->isEnabled());
}

TEST_F(MapCommandsTest, CompareWithShowsTheDifferencesAndLeavesTheMapAlone) {
    CParameter& doc = app_->Document();
    const QString first = WriteMapFile("first.mid", "FIRST");
    // The second file: R1 as in the first but another maximum, S3 a note, another title.
    doc.RecordOf(R1)[rec::AssignCode] = CodeControlChange;
    doc.RecordOf(R1)[rec::Values] = 74;
    doc.RecordOf(R1)[7] = 100;
    doc.RecordOf(S3)[rec::AssignCode] = CodeNote;
    doc.RecordOf(S3)[5] = 60;
    doc.RecordOf(S3)[6] = 100;
    TitleField()->setText("SECOND");
    const QString second = TempPath("second.mid");
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(second)), 1);
    CParameter secondMap;
    secondMap.Map() = doc.Map();

    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(first), ControlMapKind), 1);
    const ControlMap before = doc.Map();
    const std::string path = app_->Files().CurrentPath();

    ui_.openPaths.push_back(second);
    window_->RunCommand(cmd::CompareWith);
    CReportWindow* report = Commands()->CompareWindow();
    ASSERT_NE(report, nullptr);
    const MapComparison expected = CompareMaps(before, secondMap.Map());
    QStringList expectedLines;
    for (const std::string& line : expected.Lines()) {
        expectedLines << QString::fromStdString(line);
    }
    EXPECT_EQ(LinesOf(report), expectedLines);
    ASSERT_EQ(LinesOf(report).size(), 3);
    EXPECT_EQ(LinesOf(report)[0], QString::fromUtf8("Title: \"FIRST\" \u2192 \"SECOND\""));
    EXPECT_TRUE(report->Summary()->text().contains("Controls that differ: 2."));
    EXPECT_EQ(report->ControlOfLine(0), kNoController);
    EXPECT_EQ(report->ControlOfLine(2), S3);
    EXPECT_EQ(report->windowTitle(), "Compare With second.mid");

    EXPECT_EQ(doc.Map().records, before.records);
    EXPECT_EQ(doc.GetTitle(), "FIRST");
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(app_->Files().CurrentPath(), path);
    EXPECT_FALSE(app_->History().CanUndo());

    // Compared with itself, the map is equal.
    ui_.openPaths.push_back(first);
    window_->RunCommand(cmd::CompareWith);
    EXPECT_TRUE(report->Summary()->text().startsWith("The control maps are equal."));
    EXPECT_EQ(report->List()->count(), 0);

    // A file that is no control map is reported by the reader; no window changes.
    QFile junk(TempPath("junk.mid"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a midi file");
    junk.close();
    ui_.openPaths.push_back(TempPath("junk.mid"));
    window_->RunCommand(cmd::CompareWith);
    EXPECT_EQ(ui_.warnings.size(), 1);
    EXPECT_EQ(doc.Map().records, before.records);
}

TEST_F(MapCommandsTest, SysExExportAndImportRoundTrip) {
    CParameter& doc = app_->Document();
    SetControlChange(doc, R1, 74);
    doc.RecordOf(S3)[rec::AssignCode] = CodeControlChangeTwin; // folded on import
    doc.RecordOf(S3)[5] = 7;
    doc.RecordOf(S1)[rec::AssignCode] = CodeTempo;
    TitleField()->setText("KEEP");
    const RecordTable exported = doc.Map().records;

    const QString syx = TempPath("map.syx");
    ui_.savePaths.push_back(syx);
    window_->RunCommand(cmd::ExportSysEx);
    EXPECT_EQ(ui_.saveFilters, QStringList({"SysEx Files (*.syx)", "All Files (*)"}));
    EXPECT_EQ(ui_.saveSuffix, "syx");
    EXPECT_EQ(QFileInfo(syx).size(), 50 * 141);
    EXPECT_TRUE(ui_.warnings.isEmpty());

    // Import asks to save the modified map first, like Open.
    doc.SetModified(true);
    ui_.answers.push_back(Answer::No);
    ui_.openPaths.push_back(syx);
    window_->RunCommand(cmd::ImportSysEx);
    EXPECT_EQ(ui_.questions.size(), 1);
    EXPECT_EQ(ui_.openFilters, QStringList({"SysEx Files (*.syx)", "All Files (*)"}));
    RecordTable folded = exported;
    folded[S3][rec::AssignCode] = CodeControlChange;
    EXPECT_EQ(doc.Map().records, folded);
    EXPECT_EQ(doc.GetTitle(), "");
    EXPECT_EQ(TitleField()->text(), "");
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(app_->Files().CurrentPath().empty());
    EXPECT_TRUE(ui_.warnings.isEmpty());

    // Cancel on the save question leaves everything as it is.
    ui_.answers.push_back(Answer::Cancel);
    ui_.openPaths.push_back(syx);
    doc.RecordOf(R1)[5] = 1;
    window_->RunCommand(cmd::ImportSysEx);
    EXPECT_EQ(doc.RecordOf(R1)[5], 1);
    EXPECT_EQ(ui_.openPaths.size(), 1u);
}

TEST_F(MapCommandsTest, MalformedSysExFilesAreRefusedAndTheMapStays) {
    CParameter& doc = app_->Document();
    const QString first = WriteMapFile("first.mid", "FIRST");
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(first), ControlMapKind), 1);
    const ControlMap before = doc.Map();

    const QString junk = TempPath("junk.syx");
    QFile file(junk);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray::fromHex("F0431000F7") + QByteArray("hello"));
    file.close();
    // Only 10 controls of a map.
    std::vector<std::uint8_t> image = BuildSyxImage(RecordTable{});
    image.resize(10 * 141);
    const QString part = TempPath("part.syx");
    QFile partFile(part);
    ASSERT_TRUE(partFile.open(QIODevice::WriteOnly));
    partFile.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    partFile.close();

    for (const QString& path : {junk, part}) {
        ui_.openPaths.push_back(path);
        window_->RunCommand(cmd::ImportSysEx);
        const Result<SyxImport> expected = LoadSyxFile(CAppSettings::ToFsPath(path));
        ASSERT_FALSE(expected.Ok());
        ASSERT_FALSE(ui_.warnings.isEmpty());
        EXPECT_EQ(ui_.warnings.last(), QString::fromStdString(EnglishText(expected.Why())));
        EXPECT_EQ(doc.Map().records, before.records);
        EXPECT_EQ(doc.GetTitle(), "FIRST");
        EXPECT_FALSE(doc.IsModified());
        EXPECT_EQ(app_->Files().CurrentPath(), CAppSettings::ToFsPath(first));
    }
    EXPECT_TRUE(ui_.warnings.last().startsWith("The file holds 10 of the 50 KEL bulk messages"));

    // Exporting where nothing can be written is reported.
    ui_.savePaths.push_back(TempPath("no/such/dir/map.syx"));
    window_->RunCommand(cmd::ExportSysEx);
    EXPECT_TRUE(ui_.warnings.last().startsWith("An error occurred while saving the file. ("));
}

// --- the texts in Japanese ----------------------------------------------------------------------

class JapaneseTextsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallUiTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    }
    void TearDown() override { RemoveUiTranslations(); }

    static bool HasLatinWord(const QString& text) {
        // A run of three letters is an English word left over (names such as "CC" or "R1"
        // and hex bytes are shorter or contain digits).
        int run = 0;
        for (QChar c : text) {
            run = (c >= u'a' && c <= u'z') ? run + 1 : 0;
            if (run >= 3) {
                return true;
            }
        }
        return false;
    }
};

TEST_F(JapaneseTextsTest, EveryCheckFindingIsTranslatedWithItsParts) {
    RecordTable records{};
    auto cc = [&](ControllerId id, int number, int channel, int port) {
        records[id][rec::AssignCode] = CodeControlChange;
        records[id][5] = static_cast<std::uint8_t>(number);
        records[id][7] = 127;
        records[id][rec::Channel] = static_cast<std::uint8_t>(channel);
        records[id][rec::Port] = static_cast<std::uint8_t>(port);
    };
    cc(0, 74, 0, 0);
    cc(1, 74, 0, 0);
    cc(2, 74, 0, 0); // three alike
    cc(3, 10, 0, 0);
    cc(4, 10, 0, 1); // other port: no finding
    records[5][rec::AssignCode] = CodeNote;
    records[5][5] = 60;
    records[5][6] = 200; // velocity above 127
    records[6][rec::AssignCode] = CodeChannelPressure;
    records[6][5] = 100;
    records[6][6] = 10; // inverted range
    records[7][rec::AssignCode] = CodeTempo;
    records[8][rec::AssignCode] = CodeTempo;
    records[9][rec::AssignCode] = 30; // invalid code
    records[10][rec::AssignCode] = CodeNote;
    records[10][rec::Channel] = 20; // channel out of range
    records[12][rec::AssignCode] = CodeSystemRealtime;
    records[12][5] = 0xF1;
    const std::vector<CheckFinding> findings = CheckControlMap(records);
    ASSERT_GE(findings.size(), 7u);
    for (const CheckFinding& f : findings) {
        QString text = CheckFindingText(f);
        EXPECT_NE(text, QString::fromStdString(f.message));
        EXPECT_FALSE(HasLatinWord(text)) << text.toStdString();
    }
    EXPECT_EQ(CheckSeverityText(CheckSeverity::Error), QString::fromUtf8("エラー"));
}

TEST_F(JapaneseTextsTest, ComparisonLinesAndSyxMessagesAreTranslated) {
    AssignRecord a{};
    a[rec::AssignCode] = CodeControlChange;
    a[5] = 74;
    a[7] = 127;
    AssignRecord b = a;
    b[7] = 100;
    b[rec::Port] = 1;
    const ControlDifference d = CompareControl(S3, a, b, "Cutoff", "Filter");
    QString line = ComparisonLine(d);
    EXPECT_NE(line, QString::fromStdString(d.description));
    EXPECT_FALSE(HasLatinWord(line.remove("Cutoff").remove("Filter"))) << line.toStdString();
    EXPECT_NE(CompareUiText(CompareTextId::MemoryMatches),
              QString::fromStdString(std::string(EnglishFormat(TextId::MemoryMatches))));

    const std::vector<std::vector<std::uint8_t>> images = {
        {},
        {0x4D, 0x54, 0x68, 0x64, 0, 0, 0, 6},
        {0xF0, 0x43, 0x10},
        {0x12, 0x34},
        {0xF0, 0x7E, 0x00, 0xF7},
    };
    for (const auto& image : images) {
        const Result<SyxImport> result = ParseSyxImage(image);
        ASSERT_FALSE(result.Ok());
        const QString text = SyxMessageText(result.Error());
        const std::string english = EnglishText(result.Why());
        EXPECT_NE(text, QString::fromStdString(english)) << english;
    }
    std::vector<std::uint8_t> part = BuildSyxImage(RecordTable{});
    part.resize(3 * 141);
    const Result<SyxImport> missing = ParseSyxImage(part);
    ASSERT_FALSE(missing.Ok());
    ASSERT_EQ(missing.Error().cause, static_cast<int>(SyxError::Missing));
    EXPECT_NE(SyxMessageText(missing.Error()), QString::fromStdString(EnglishText(missing.Why())));
    // A file that cannot be read names the cause in the user's language as well, not in the
    // system's English.
    const Result<SyxImport> unread = LoadSyxFile("/nonexistent-kel-folder/map.syx");
    ASSERT_FALSE(unread.Ok());
    const QString unreadText = SyxMessageText(unread.Error());
    EXPECT_FALSE(HasLatinWord(unreadText)) << unreadText.toStdString();
}

TEST(FilledTexts, FillKeepsArgumentsLiteral) {
    EXPECT_EQ(FillUiText("%2 / %1 / %3", {"a%2", "b"}), "b / a%2 / %3");
}

} // namespace
} // namespace kel
