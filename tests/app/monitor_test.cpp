// SPDX-License-Identifier: GPL-3.0-or-later
// Communication > Monitor and Edit > Learn from Input in the running editor: messages heard on
// the input become lines naming their controls and light the panel, a line opens its control,
// a transfer pauses the monitor, a lost input keeps the window and is listened to again once it
// returns, and learning takes a control change and a note as one undo step or ends on Escape and
// on its timeout.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <mutex>
#include <thread>

#include "app/learn.h"
#include "app/mainframe.h"
#include "app/monitorwindow.h"
#include "app/undo.h"
#include "gui/assign/msgdlg.h"
#include "gui/panel/kelpanel.h"
#include "model/msgmatch.h"
#include "support/midigui_fixture.h"
#include "support/played_map.h"

namespace kel {
namespace {

using namespace std::chrono_literals;

// A system with one input port whose traffic and loss the test makes, from any thread.
class ListenBackend : public MidiBackend {
public:
    static constexpr const char* kInput = "KEL Port 1";

    int InputPortCount() override { return 1; }
    bool InputPortName(int port, std::string& name) override {
        name = kInput;
        return port == 0;
    }
    int OutputPortCount() override { return 0; }
    bool OutputPortName(int, std::string&) override { return false; }
    int OpenInput(int port, MidiInputHandler& handler,
                  std::unique_ptr<MidiInputPort>& opened) override {
        if (port != 0) {
            return MidiErrBadPort;
        }
        std::lock_guard lock(lock_);
        handler_ = &handler;
        ++opens_;
        opened = std::make_unique<In>(*this);
        return 0;
    }
    int OpenOutput(int, MidiOutputHandler&, std::unique_ptr<MidiOutputPort>&) override {
        return MidiErrBadPort;
    }

    // Hands one message to the started port; false when nobody listens.
    bool Inject(const std::vector<std::uint8_t>& bytes) {
        std::lock_guard lock(lock_);
        if (handler_ == nullptr || !started_) {
            return false;
        }
        handler_->OnLongInput(bytes.data(), bytes.size());
        return true;
    }
    // The port goes away, as when the device is unplugged.
    void Lose() {
        std::lock_guard lock(lock_);
        if (handler_ != nullptr) {
            handler_->OnPortLost();
        }
    }
    bool Listening() {
        std::lock_guard lock(lock_);
        return handler_ != nullptr && started_;
    }
    int Opens() {
        std::lock_guard lock(lock_);
        return opens_;
    }

private:
    class In : public MidiInputPort {
    public:
        explicit In(ListenBackend& owner) : owner_(owner) {}
        ~In() override { Close(); }
        int Start() override { return Set(true); }
        int Stop() override { return Set(false); }
        void Reset() override {}
        void Close() override {
            std::lock_guard lock(owner_.lock_);
            owner_.started_ = false;
            owner_.handler_ = nullptr;
        }

    private:
        int Set(bool started) {
            std::lock_guard lock(owner_.lock_);
            owner_.started_ = started;
            return 0;
        }
        ListenBackend& owner_;
    };

    std::recursive_mutex lock_;
    MidiInputHandler* handler_ = nullptr;
    bool started_ = false;
    int opens_ = 0;
};

// The assignment that `message` would teach a control.
AssignRecord Learned(std::vector<std::uint8_t> message) {
    AssignRecord record{};
    EXPECT_TRUE(LearnAssignment(message, record));
    return record;
}

class MonitorTest : public MidiGuiTest {
protected:
    void PrepareStore(QSettings& store) override {
        store.setValue("MIDI Device/API", "ALSA");
        store.setValue("MIDI Device/Input", ListenBackend::kInput);
    }
    void PrepareMidi(CKelMidi& midi) override {
        auto backend = std::make_unique<ListenBackend>();
        ports_ = backend.get();
        midi.Systems().Install(MidiSystem::Alsa, std::move(backend));
        midi.Systems().Install(MidiSystem::Jack, std::make_unique<test::FakeBackend>());
    }

    CMonitorWindow* MonitorWindow() { return Midi().MonitorWindow(); }
    int ShownRows() {
        return MonitorWindow() == nullptr ? 0 : MonitorWindow()->View()->model()->rowCount();
    }
    QString Cell(int row, int column) {
        return MonitorWindow()->View()->model()->index(row, column).data().toString();
    }
    // Sends `message` from the input's own thread and gives the editor the time it takes it in
    // (it gathers what comes for a few milliseconds first); what the message does is waited
    // for where it shows.
    void Play(const std::vector<std::uint8_t>& message) {
        std::thread([&] { EXPECT_TRUE(ports_->Inject(message)); }).join();
        QTest::qWait(4 * CKelMidi::kBatchMs);
    }

    ListenBackend* ports_ = nullptr;
};

// The monitor docked under the panel and the assign dialog beside it leave every control of
// the panel in sight; only a screen too narrow for both lets the dialog over the keyboard
// picture, never over the control it edits. CTest runs this on a 1280 x 800 screen too.
TEST_F(MonitorTest, NeitherTheMonitorNorTheAssignDialogCoversThePanel) {
    window_->RunCommand(cmd::Monitor);
    ASSERT_NE(MonitorWindow(), nullptr);
    ASSERT_TRUE(MonitorWindow()->isVisible());
    EXPECT_FALSE(MonitorWindow()->isFloating());
    ClickControl(17); // S9, at the panel's right edge
    CKelMsgDlg* dialog = AssignWindow();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    QCoreApplication::processEvents();

    const QRect area = window_->screen()->availableGeometry();
    const QPoint panel = Panel()->mapToGlobal(QPoint());
    const QRect monitor(MonitorWindow()->mapToGlobal(QPoint()), MonitorWindow()->size());
    EXPECT_GT(monitor.top(), panel.y() + Panel()->height() - 1);
    EXPECT_TRUE(window_->geometry().contains(monitor)); // in the main window, under the panel
    EXPECT_TRUE(area.contains(window_->frameGeometry()));
    const QRect placed = dialog->frameGeometry();
    EXPECT_TRUE(area.contains(placed));
    EXPECT_FALSE(placed.intersects(CKelPanel::ControlRectOf(17).translated(panel)));
    const bool roomForBoth = area.width() >= window_->frameGeometry().width() + placed.width() + 8;
    for (ControllerId id = 0; id < kControllerCount && roomForBoth; ++id) {
        EXPECT_FALSE(placed.intersects(CKelPanel::ControlRectOf(id).translated(panel)))
            << ControllerName(id) << " on " << area.width() << "x" << area.height();
    }
}

TEST_F(MonitorTest, LinesNameTheSendingControlsWhichLightAndADoubleClickOpensOne) {
    CParameter& doc = app_->Document();
    doc.RecordOf(9) = Learned({0xB1, 74, 0});  // S1: CC 74, ch 2
    doc.RecordOf(12) = Learned({0xB1, 74, 0}); // S4 sends the same
    doc.RecordOf(0) = Learned({0x90, 60, 1});  // R1: note 60, ch 1

    window_->RunCommand(cmd::Monitor);
    ASSERT_TRUE(Midi().MonitorOn());
    EXPECT_TRUE(Action(cmd::Monitor)->isChecked());
    ASSERT_NE(MonitorWindow(), nullptr);
    EXPECT_TRUE(MonitorWindow()->isVisible());

    Play({0xB1, 74, 63});
    Play({0xB2, 74, 63}); // another channel: nobody sends it
    Play({0xF8});
    ASSERT_TRUE(QTest::qWaitFor([this] { return ShownRows() == 3; }, 60000));
    EXPECT_EQ(Cell(0, CMonitorLines::PortColumn), ListenBackend::kInput);
    EXPECT_EQ(Cell(0, CMonitorLines::BytesColumn), "B1 4A 3F");
    EXPECT_EQ(Cell(0, CMonitorLines::MessageColumn),
              QString::fromStdString(DescribeMidiMessage(std::vector<std::uint8_t>{0xB1, 74, 63})) +
                  " (Brightness)");
    EXPECT_EQ(Cell(0, CMonitorLines::ControlColumn), "S1, S4");
    EXPECT_EQ(Cell(1, CMonitorLines::ControlColumn), QStringLiteral("\u2014"));
    EXPECT_GT(Panel()->LightLevel(9), 0);
    EXPECT_GT(Panel()->LightLevel(12), 0);
    EXPECT_EQ(Panel()->LightLevel(0), 0);

    // The first line's first control is selected and opened.
    QTableView* view = MonitorWindow()->View();
    const QPoint cell = view->visualRect(view->model()->index(0, 1)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
    ASSERT_TRUE(QTest::qWaitFor([this] { return AssignWindow() != nullptr; }, 60000));
    EXPECT_TRUE(AssignWindow()->isVisible());
    EXPECT_EQ(doc.SelectedController(), 9);

    // Off again: the port is closed and the window goes.
    window_->RunCommand(cmd::Monitor);
    EXPECT_FALSE(Action(cmd::Monitor)->isChecked());
    EXPECT_FALSE(ports_->Listening());
    EXPECT_FALSE(MonitorWindow()->isVisible());
}

// R2 = NRPN 1/2 and R3 = RPN 0/0 on one channel send the same data entry messages: each played
// names and lights only itself; data before any selection says so.
TEST_F(MonitorTest, DataEntryNamesOnlyTheControlWhoseParameterIsSelected) {
    const ControlMap map = test::ParameterMap();
    app_->Document().Map().records = map.records;
    app_->Document().MapWasReplaced();
    window_->RunCommand(cmd::Monitor);
    ASSERT_NE(MonitorWindow(), nullptr);
    const auto play = [&](ControllerId id) {
        std::vector<std::vector<std::uint8_t>> messages;
        ASSERT_EQ(MessagesOfControl(map.records[static_cast<std::size_t>(id)], 100, 0, messages),
                  4u);
        for (const auto& message : messages) {
            Play(message);
        }
    };

    Play({0xB0, 0x26, 10});
    ASSERT_TRUE(QTest::qWaitFor([this] { return ShownRows() == 1; }, 60000));
    EXPECT_EQ(Cell(0, CMonitorLines::ControlColumn), "(parameter not selected)");
    EXPECT_FALSE(Panel()->AnyLit());

    play(1); // R2: 99/98, then data entry 6/38
    ASSERT_TRUE(QTest::qWaitFor([this] { return ShownRows() == 5; }, 60000));
    EXPECT_EQ(Cell(3, CMonitorLines::ControlColumn), "R2, R5"); // R5 sends CC 6 itself
    EXPECT_EQ(Cell(4, CMonitorLines::ControlColumn), "R2");
    EXPECT_GT(Panel()->LightLevel(1), 0);
    EXPECT_EQ(Panel()->LightLevel(2), 0);

    ASSERT_TRUE(QTest::qWaitFor([this] { return !Panel()->AnyLit(); }, 60000));
    play(2); // R3: 101/100, then the same data entry
    ASSERT_TRUE(QTest::qWaitFor([this] { return ShownRows() == 9; }, 60000));
    EXPECT_EQ(Cell(5, CMonitorLines::ControlColumn), "R3");
    EXPECT_EQ(Cell(7, CMonitorLines::ControlColumn), "R3, R5");
    EXPECT_EQ(Cell(8, CMonitorLines::ControlColumn), "R3");
    EXPECT_GT(Panel()->LightLevel(2), 0);
    EXPECT_EQ(Panel()->LightLevel(1), 0);
}

// Learning waiting on a port that goes away is cancelled with one message; a monitor on at the
// same time stays on and listens again, as the port is still listed.
TEST_F(MonitorTest, ALostPortCancelsLearningWhileTheMonitorListensAgain) {
    ClickControl(11);
    window_->RunCommand(cmd::LearnFromInput);
    ASSERT_TRUE(Midi().Learn().Active());
    std::thread([this] { ports_->Lose(); }).join();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Midi().Learn().Active(); }, 60000));
    QTest::qWait(50);
    EXPECT_EQ(midiUi_.warnings.size(), 1);
    EXPECT_FALSE(ports_->Listening());
    EXPECT_FALSE(Midi().MonitorOn());

    window_->RunCommand(cmd::Monitor);
    window_->RunCommand(cmd::LearnFromInput);
    ASSERT_TRUE(Midi().Learn().Active());
    const int opens = ports_->Opens();
    std::thread([this] { ports_->Lose(); }).join();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Midi().MonitorInputLost(); }, 60000));
    EXPECT_FALSE(Midi().Learn().Active());
    EXPECT_EQ(midiUi_.warnings.size(), 2);
    EXPECT_TRUE(MonitorWindow()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Midi().MonitorInputLost(); }, 60000));
    EXPECT_EQ(ports_->Opens(), opens + 1);
    Play({0xF8});
    EXPECT_TRUE(QTest::qWaitFor([this] { return ShownRows() == 1; }, 60000));
    EXPECT_EQ(midiUi_.warnings.size(), 2);
}

TEST_F(MonitorTest, LearnTakesAControlChangeAndANoteEachAsOneUndoStep) {
    CParameter& doc = app_->Document();
    ClickControl(11); // S3
    const AssignRecord before = doc.RecordOf(11);
    // Ctrl+L in the assign dialog, which has the focus now.
    ASSERT_NE(AssignWindow(), nullptr);
    ASSERT_TRUE(ShowActive(AssignWindow()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_L, Qt::ControlModifier);
    QCoreApplication::processEvents();
    ASSERT_TRUE(Midi().Learn().Active());
    EXPECT_FALSE(Action(cmd::LearnFromInput)->isEnabled());
    EXPECT_TRUE(ports_->Listening()); // opened for learning with the monitor off
    Play({0xF8});                     // not a channel message: passed over
    EXPECT_TRUE(Midi().Learn().Active());
    Play({0xB4, 7, 99}); // CC 7, ch 5
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Midi().Learn().Active(); }, 60000));
    const std::vector<ControllerId> s3{11};
    EXPECT_EQ(ControlsSending(doc.Map(), std::vector<std::uint8_t>{0xB4, 7, 12}), s3);
    EXPECT_FALSE(ports_->Listening()); // closed again
    EXPECT_TRUE(app_->History().UndoName().contains("S3"));

    window_->RunCommand(cmd::LearnFromInput);
    Play({0x92, 64, 1}); // note 64, ch 3
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Midi().Learn().Active(); }, 60000));
    EXPECT_EQ(ControlsSending(doc.Map(), std::vector<std::uint8_t>{0x92, 64, 100}), s3);
    EXPECT_TRUE(ControlsSending(doc.Map(), std::vector<std::uint8_t>{0xB4, 7, 12}).empty());

    window_->RunCommand(cmd::Undo);
    EXPECT_EQ(ControlsSending(doc.Map(), std::vector<std::uint8_t>{0xB4, 7, 12}), s3);
    window_->RunCommand(cmd::Undo);
    EXPECT_EQ(doc.RecordOf(11), before);
    EXPECT_FALSE(app_->History().CanUndo());
}

TEST_F(MonitorTest, EscapeTimeoutOrAnotherControlEndLearningWithoutAChange) {
    CParameter& doc = app_->Document();
    ClickControl(11);
    const ControlMap before = doc.Map();
    window_->RunCommand(cmd::LearnFromInput);
    ASSERT_TRUE(Midi().Learn().Active());
    QTest::keyClick(QApplication::focusWidget() != nullptr ? QApplication::focusWidget()
                                                           : static_cast<QWidget*>(window_),
                    Qt::Key_Escape);
    EXPECT_FALSE(Midi().Learn().Active());
    EXPECT_FALSE(ports_->Listening());
    EXPECT_FALSE(ports_->Inject({0xB0, 1, 2}));

    Midi().Learn().SetTimeout(30);
    window_->RunCommand(cmd::LearnFromInput);
    ASSERT_TRUE(Midi().Learn().Active());
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Midi().Learn().Active(); }, 60000));
    EXPECT_FALSE(ports_->Listening());

    Midi().Learn().SetTimeout(CLearnFromInput::kTimeoutMs);
    window_->RunCommand(cmd::LearnFromInput);
    ClickControl(12); // the user goes on to S4
    Play({0xB0, 1, 2});
    EXPECT_FALSE(Midi().Learn().Active());
    EXPECT_EQ(doc.Map().records, before.records);
    EXPECT_FALSE(app_->History().CanUndo());
}

// From a message arriving on the input's thread to the panel painted with its control lit.
TEST_F(MonitorTest, MessageToLitPanelLatency) {
    CParameter& doc = app_->Document();
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        doc.RecordOf(id) = Learned({0xB0, static_cast<std::uint8_t>(id), 0});
    }
    window_->RunCommand(cmd::Monitor);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window_));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(MonitorWindow()));

    std::atomic<ControllerId> waiting{kNoController};
    ASSERT_FALSE(Panel()->AnyLit());
    std::chrono::steady_clock::time_point sent;
    std::vector<double> latencies;
    QObject::connect(Panel(), &CKelPanel::LitPainted, Panel(), [&] {
        const ControllerId id = waiting.load();
        if (id != kNoController && Panel()->LightLevel(id) > 0) {
            latencies.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - sent)
                    .count());
            waiting = kNoController;
        }
    });
    constexpr int kMessages = 200;
    for (int i = 0; i < kMessages; ++i) {
        const auto id = static_cast<ControllerId>(i % kControllerCount);
        waiting = id;
        sent = std::chrono::steady_clock::now();
        std::thread([&] { ports_->Inject({0xB0, static_cast<std::uint8_t>(id), 64}); }).join();
        ASSERT_TRUE(QTest::qWaitFor([&] { return waiting.load() == kNoController; }, 60000)) << i;
        // Every control's light is out before it is played again.
        QTest::qWait(CKelPanel::kLightMs / kControllerCount + 2);
    }
    ASSERT_EQ(latencies.size(), static_cast<std::size_t>(kMessages));
    std::sort(latencies.begin(), latencies.end());
    const double median = latencies[latencies.size() / 2];
    std::cout << "message to lit panel: median " << median << " ms, 90th percentile "
              << latencies[latencies.size() * 9 / 10] << " ms, max " << latencies.back()
              << " ms over " << kMessages << " messages\n";
    RecordProperty("median_ms", std::to_string(median));
    EXPECT_EQ(ShownRows(), kMessages);
}

// With the built-in device: a transmit closes the listening port while it runs (the transfer
// has the input to itself) and opens it again afterwards, the times going on; the device unplugged
// and plugged in again under the monitor.
class MonitorDeviceTest : public MidiGuiTest {};

TEST_F(MonitorDeviceTest, ATransmitPausesTheMonitorAndItResumes) {
    app_->Document().Map().records = test::PlayedMap().records;
    window_->RunCommand(cmd::Monitor);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_TRUE(Midi().Monitor().IsOpen());
    bool openDuringTransfer = true;
    midiUi_.onTransferDialog = [&](QDialog&) { openDuringTransfer = Midi().Monitor().IsOpen(); };
    window_->RunCommand(cmd::Transmit);
    EXPECT_EQ(Midi().LastOutcome(), TransferOutcome::Completed);
    EXPECT_FALSE(openDuringTransfer);
    EXPECT_TRUE(Midi().Monitor().IsOpen());
    EXPECT_TRUE(Midi().MonitorOn());
    EXPECT_TRUE(Action(cmd::Monitor)->isChecked());

    // The device now plays what it was sent: a System Ex. with a data byte and a checksum, and
    // a control change two controls share. Their times count from the monitor's start.
    const double least =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    Device().PlayControl(9, 64);  // S1
    Device().PlayControl(1, 100); // R2
    QAbstractItemModel* lines = Midi().MonitorWindow()->View()->model();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines->rowCount() == 2; }, 60000));
    EXPECT_EQ(lines->index(0, CMonitorLines::ControlColumn).data().toString(), "S1");
    EXPECT_EQ(lines->index(1, CMonitorLines::ControlColumn).data().toString(), "R2, S6");
    EXPECT_GE(lines->index(0, CMonitorLines::TimeColumn).data().toString().toDouble(),
              least - 0.001);
    EXPECT_GT(Panel()->LightLevel(14), 0); // S6
}

// The device goes away under the monitor: the window stays with its lines and says so, Save As
// writes them, Ctrl+M says why it cannot listen yet; plugged in again, the monitor hears it,
// the times going on from the monitor's start.
TEST_F(MonitorDeviceTest, ALostInputKeepsTheWindowAndItsLinesAndListensAgainWhenItReturns) {
    Device().Device().SetMemory(test::PlayedMap().records);
    app_->Document().Map().records = test::PlayedMap().records;
    window_->RunCommand(cmd::Monitor);
    const auto started = std::chrono::steady_clock::now();
    CMonitorWindow* monitor = Midi().MonitorWindow();
    ASSERT_NE(monitor, nullptr);
    QAbstractItemModel* lines = monitor->View()->model();
    Device().PlayControl(9, 64); // S1
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines->rowCount() == 1; }, 60000));

    Device().SetConnected(false);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Midi().MonitorInputLost(); }, 60000));
    EXPECT_TRUE(Midi().MonitorOn());
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_TRUE(monitor->LostText()->isVisible());
    EXPECT_TRUE(monitor->LostText()->text().contains(CVirtualKelBackend::kPortName));
    EXPECT_FALSE(Action(cmd::Monitor)->isChecked());
    EXPECT_TRUE(midiUi_.warnings.isEmpty()); // said in the window, not in a message box
    EXPECT_EQ(lines->rowCount(), 1);

    // Ctrl+M in the monitor tries at once and says why it cannot, keeping the lines.
    ASSERT_TRUE(ShowActive(monitor));
    QTest::keyClick(monitor, Qt::Key_M, Qt::ControlModifier);
    ASSERT_EQ(midiUi_.warnings.size(), 1);
    EXPECT_TRUE(midiUi_.warnings.front().contains(CVirtualKelBackend::kPortName));
    EXPECT_TRUE(Midi().MonitorInputLost());
    EXPECT_TRUE(monitor->isVisible());
    EXPECT_EQ(lines->rowCount(), 1);

    const QString target = TempPath(QStringLiteral("heard.txt"));
    midiUi_.savePaths.push_back(target);
    monitor->findChild<QPushButton*>(QStringLiteral("saveAs"))->click();
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList saved = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(saved.size(), 1);
    EXPECT_TRUE(saved.front().endsWith(QStringLiteral("\tS1")));

    Device().SetConnected(true);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Midi().MonitorInputLost(); }, 60000));
    EXPECT_FALSE(monitor->LostText()->isVisible());
    EXPECT_TRUE(Action(cmd::Monitor)->isChecked());
    const double least =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    Device().PlayControl(1, 100); // R2
    ASSERT_TRUE(QTest::qWaitFor([&] { return lines->rowCount() == 2; }, 60000));
    EXPECT_EQ(lines->index(1, CMonitorLines::ControlColumn).data().toString(), "R2, S6");
    EXPECT_GE(lines->index(1, CMonitorLines::TimeColumn).data().toString().toDouble(),
              least - 0.001);
    EXPECT_EQ(midiUi_.warnings.size(), 1);
}

} // namespace
} // namespace kel
