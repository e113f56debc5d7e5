// SPDX-License-Identifier: GPL-3.0-or-later
// The monitor window on its own: its bounded lines, the kind and channel filters, Pause, Clear,
// Save As, the double-click on a line and the place it is shown at.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>

#include "app/monitorwindow.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

MonitorLine LineOf(double seconds, std::vector<std::uint8_t> bytes,
                   std::vector<ControllerId> controls = {}) {
    return {seconds, QStringLiteral("KEL"), std::move(bytes), std::move(controls)};
}

class MonitorWindowTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        window_ = std::make_unique<CMonitorWindow>(app_->Parts(), window_ptr());
    }
    void TearDown() override {
        window_.reset();
        EditorTest::TearDown();
    }
    QWidget* window_ptr() const { return EditorTest::window_; }

    // The Time column of the shown rows.
    QStringList ShownTimes() const {
        QStringList times;
        const QAbstractItemModel* model = window_->View()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            times << model->index(row, CMonitorLines::TimeColumn).data().toString();
        }
        return times;
    }

    // One line of every kind: CC ch 2, note on ch 1, note off ch 2, program ch 1, bend ch 16,
    // channel pressure ch 1, poly pressure ch 2, system exclusive, clock.
    void AddVariedLines() {
        window_->AddLines({LineOf(1, {0xB1, 74, 63}, {9}), LineOf(2, {0x90, 60, 100}),
                           LineOf(3, {0x81, 60, 0}), LineOf(4, {0xC0, 5}), LineOf(5, {0xEF, 0, 64}),
                           LineOf(6, {0xD0, 10}), LineOf(7, {0xA1, 60, 10}),
                           LineOf(8, {0xF0, 0x41, 0x10, 0xF7}), LineOf(9, {0xF8})});
    }

    std::unique_ptr<CMonitorWindow> window_;
};

TEST_F(MonitorWindowTest, KeepsAtMostTheCapDroppingTheOldest) {
    window_->Lines().SetCap(5);
    window_->AddLines({LineOf(1, {0xF8}), LineOf(2, {0xF8}), LineOf(3, {0xF8})});
    window_->AddLines({LineOf(4, {0xF8}), LineOf(5, {0xF8}), LineOf(6, {0xF8}), LineOf(7, {0xF8})});
    EXPECT_EQ(ShownTimes(), QStringList({"3.000", "4.000", "5.000", "6.000", "7.000"}));
    // More at once than the cap holds: the newest of them.
    std::vector<MonitorLine> many;
    for (int i = 0; i < 12; ++i) {
        many.push_back(LineOf(100 + i, {0xF8}));
    }
    window_->AddLines(std::move(many));
    EXPECT_EQ(ShownTimes(), QStringList({"107.000", "108.000", "109.000", "110.000", "111.000"}));
    // A smaller cap takes effect at once; Clear empties.
    window_->Lines().SetCap(2);
    EXPECT_EQ(ShownTimes(), QStringList({"110.000", "111.000"}));
    window_->findChild<QPushButton*>(QStringLiteral("clear"))->click();
    EXPECT_TRUE(ShownTimes().isEmpty());
    EXPECT_EQ(CMonitorLines::kDefaultCap, 10000);
}

TEST_F(MonitorWindowTest, FiltersByKindAndChannel) {
    AddVariedLines();
    QComboBox* kinds = window_->KindList();
    QComboBox* channels = window_->ChannelList();
    const auto pickKind = [&](MonitorKind kind) {
        kinds->setCurrentIndex(kinds->findData(static_cast<int>(kind)));
    };
    pickKind(MonitorKind::Note);
    EXPECT_EQ(ShownTimes(), QStringList({"2.000", "3.000"}));
    pickKind(MonitorKind::Pressure);
    EXPECT_EQ(ShownTimes(), QStringList({"6.000", "7.000"}));
    pickKind(MonitorKind::SystemEx);
    EXPECT_EQ(ShownTimes(), QStringList({"8.000"}));
    pickKind(MonitorKind::System);
    EXPECT_EQ(ShownTimes(), QStringList({"9.000"}));
    pickKind(MonitorKind::PitchBend);
    EXPECT_EQ(ShownTimes(), QStringList({"5.000"}));

    // A channel hides the messages of other channels and those without one.
    pickKind(MonitorKind::All);
    channels->setCurrentIndex(channels->findData(1)); // channel 2
    EXPECT_EQ(ShownTimes(), QStringList({"1.000", "3.000", "7.000"}));
    pickKind(MonitorKind::Note);
    EXPECT_EQ(ShownTimes(), QStringList({"3.000"}));
    channels->setCurrentIndex(channels->findData(15));
    pickKind(MonitorKind::All);
    EXPECT_EQ(ShownTimes(), QStringList({"5.000"}));
    // New lines go through the same filter.
    window_->AddLines({LineOf(10, {0xBF, 1, 2}), LineOf(11, {0xB0, 1, 2})});
    EXPECT_EQ(ShownTimes(), QStringList({"5.000", "10.000"}));
    channels->setCurrentIndex(0);
    EXPECT_EQ(ShownTimes().size(), 11);
}

TEST_F(MonitorWindowTest, PauseHoldsTheLinesAndSaveAsWritesTheShownOnes) {
    window_->AddLines({LineOf(1.5, {0xB1, 74, 63}, {9, 12}), LineOf(2, {0x90, 60, 100})});
    window_->PauseBox()->setChecked(true);
    window_->AddLines({LineOf(3, {0xB1, 74, 64})});
    EXPECT_EQ(ShownTimes(), QStringList({"1.500", "2.000"}));
    window_->PauseBox()->setChecked(false);
    window_->AddLines({LineOf(4, {0xF0, 1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                  13,   14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 0xF7})});
    window_->KindList()->setCurrentIndex(
        window_->KindList()->findData(static_cast<int>(MonitorKind::All)));
    window_->ChannelList()->setCurrentIndex(window_->ChannelList()->findData(1));

    const QString target = TempPath(QStringLiteral("heard.txt"));
    ui_.savePaths.push_back(target);
    window_->findChild<QPushButton*>(QStringLiteral("saveAs"))->click();
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()),
              QStringLiteral("1.500\tKEL\tB1 4A 3F\tCC 74 = 63, ch 2 (Brightness)\tS1, S4\n"));
    // Without a channel: the long message is cut in the Bytes column, a line without a
    // control has a dash.
    window_->ChannelList()->setCurrentIndex(0);
    const QStringList lines = window_->ShownText().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[1],
              QStringLiteral("2.000\tKEL\t90 3C 64\tNote On 60 vel 100, ch 1 (C3)\t\u2014"));
    EXPECT_TRUE(lines[2].startsWith(
        QStringLiteral("4.000\tKEL\tF0 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 "
                       "13 14 15 16 17 ...\tSysEx 26 bytes")));

    // A file that cannot be written is reported, not passed over.
    ui_.savePaths.push_back(TempPath(QStringLiteral("no/such/folder/heard.txt")));
    window_->SaveAs();
    EXPECT_EQ(ui_.warnings.size(), 1);
}

TEST_F(MonitorWindowTest, DoubleClickNamesTheLinesFirstControl) {
    AddVariedLines();
    window_->ShowInPlace();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
    QSignalSpy activated(window_.get(), &CMonitorWindow::ControlActivated);
    QTableView* view = window_->View();
    const auto doubleClick = [&](int row) {
        const QRect cell = view->visualRect(view->model()->index(row, 1));
        // As the system delivers it: a click, then the second press as a double-click.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, cell.center());
    };
    doubleClick(0);
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated.front().front().toInt(), 9);
    doubleClick(1); // a note no control sends
    EXPECT_EQ(activated.size(), 1);
}

TEST_F(MonitorWindowTest, ThePortColumnShowsItsTitleAndEveryPortWhole) {
    QTableView* view = window_->View();
    const auto fits = [view](const QString& text) {
        return view->fontMetrics().horizontalAdvance(text) + 8 <=
               view->columnWidth(CMonitorLines::PortColumn);
    };
    EXPECT_GE(view->columnWidth(CMonitorLines::PortColumn),
              view->horizontalHeader()->sectionSizeHint(CMonitorLines::PortColumn));
    const QString jack = QStringLiteral("KEL Device out:midi/playback_1 (JACK)");
    window_->AddLines({LineOf(1, {0xF8}), {2, jack, {0xF8}, {}}, LineOf(3, {0xF8})});
    EXPECT_TRUE(fits(jack));
    const int width = view->columnWidth(CMonitorLines::PortColumn);
    window_->AddLines({LineOf(4, {0xF8})}); // a shorter name again: the column stays
    EXPECT_EQ(view->columnWidth(CMonitorLines::PortColumn), width);
}

TEST_F(MonitorWindowTest, DockedUnderThePanelThenWhereTheUserLeftIt) {
    EditorTest::window_->show();
    window_->ShowInPlace();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(EditorTest::window_));
    // Docked in the main window under the panel: the window grows to hold it, nothing of the
    // panel is covered.
    EXPECT_FALSE(window_->isFloating());
    QCoreApplication::processEvents();
    const QRect panel(Panel()->mapToGlobal(QPoint()), Panel()->size());
    const QRect monitor(window_->mapToGlobal(QPoint()), window_->size());
    EXPECT_GE(monitor.top(), panel.bottom());
    EXPECT_TRUE(EditorTest::window_->geometry().contains(monitor));
    EXPECT_GE(window_->View()->height(),
              8 * window_->View()->verticalHeader()->defaultSectionSize());

    // Floated and moved by the user: so again in the next editor.
    window_->setFloating(true);
    window_->setGeometry(QRect(QPoint(40, 60), QSize(600, 400)));
    window_->close();
    window_.reset();
    ASSERT_TRUE(Start());
    auto again = std::make_unique<CMonitorWindow>(app_->Parts(), window_ptr());
    again->ShowInPlace();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    EXPECT_TRUE(again->isFloating());
    EXPECT_EQ(again->geometry(), QRect(QPoint(40, 60), QSize(600, 400)));
}

} // namespace
} // namespace kel
