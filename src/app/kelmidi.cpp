// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/kelmidi.h"

#include <QDialog>
#include <QSettings>
#include <QStatusBar>

#include <ctime>

#include "app/keleditorapp.h"
#include "app/learn.h"
#include "app/mainframe.h"
#include "app/monitorwindow.h"
#include "app/verify.h"
#include "gui/common/confirmdlg.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "gui/mididlg/mididevicedlg.h"
#include "gui/mididlg/transferdlgs.h"
#include "gui/panel/kelpanel.h"
#include "midi/devlist.h"
#include "midi/rtmidi/rtmidibackend.h"
#include "model/msgmatch.h"
#include "session/history.h"

namespace kel {

CKelMidi::CKelMidi(const EditorParts& parts, CAppSettings& settings, CMidiSystems::Factory factory)
    : parts_(parts), settings_(settings),
      systems_(factory ? std::move(factory) : MidiSystemFactory()),
      input_(systems_.Ports(), parts.reporter, parts.document.Map().records),
      output_(systems_.Ports(), parts.reporter), monitor_(systems_.Ports()),
      learn_(std::make_unique<CLearnFromInput>(parts)) {
    batchTimer_.setSingleShot(true);
    batchTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&batchTimer_, &QTimer::timeout, &wakeTarget_, [this] { TakeHeard(); });
    // Called on the input's thread: only a queued call, which never blocks.
    monitor_.SetWake([this] {
        QMetaObject::invokeMethod(
            &wakeTarget_,
            [this] {
                if (batchTimer_.isActive()) {
                    return; // the batch under way takes this message too
                }
                // The first message after a quiet spell is shown at once; in a dense stream
                // the next take waits until a batch time has passed since the last one.
                const qint64 since = lastTake_.isValid() ? lastTake_.elapsed() : kBatchMs;
                if (since >= kBatchMs) {
                    TakeHeard();
                } else {
                    batchTimer_.start(static_cast<int>(kBatchMs - since));
                }
            },
            Qt::QueuedConnection);
    });
    returnPoll_.setInterval(kReturnPollMs);
    QObject::connect(&returnPoll_, &QTimer::timeout, &wakeTarget_, [this] { ListenAgain(false); });
    QObject::connect(learn_.get(), &CLearnFromInput::Finished, &wakeTarget_, [this] {
        StopListeningIfUnused();
        emit StateChanged();
    });
    // "No port" messages offer the MIDI Devices dialog; it opens once the command that found
    // no port has ended.
    parts_.reporter.SetPortChooser(
        [this] { QTimer::singleShot(0, &wakeTarget_, [this] { OnMidiDevices(); }); });
}

CKelMidi::~CKelMidi() {
    parts_.reporter.SetPortChooser({});
    monitor_.Close();
}

void CKelMidi::SetMainWindow(CMainFrame* window) {
    mainWindow_ = window;
    if (window != nullptr) {
        QObject::connect(learn_.get(), &CLearnFromInput::Status, window,
                         [window](const QString& text, int timeoutMs) {
                             window->statusBar()->showMessage(text, timeoutMs);
                         });
    }
}

void CKelMidi::LoadSettings() {
    input_.SetDeviceName(settings_.PreferredInput().toStdString());
    output_.SetDeviceName(settings_.PreferredOutput().toStdString());
}

MidiSystem CKelMidi::System() {
    if (systemChosen_) {
        return systems_.Selected();
    }
    QSettings& store = parts_.store;
    const std::optional<QString> storedInput = CAppSettings::StoredPort(store, true);
    const std::optional<QString> storedOutput = CAppSettings::StoredPort(store, false);
    const std::optional<MidiSystem> stored =
        ParseMidiSystemKey(CAppSettings::StoredMidiSystem(store).toStdString());
    const MidiSystem system =
        stored ? *stored
               : systems_.DefaultSystem(storedInput.value_or(QString()).toStdString(),
                                        storedOutput.value_or(QString()).toStdString());
    systems_.Select(system);
    systemChosen_ = true;
    // A new user's first transfer goes to the built-in device.
    if (system == MidiSystem::Virtual) {
        if (!storedInput && input_.GetDeviceName().empty()) {
            input_.SetDeviceName(CVirtualKelBackend::kPortName);
        }
        if (!storedOutput && output_.GetDeviceName().empty()) {
            output_.SetDeviceName(CVirtualKelBackend::kPortName);
        }
    }
    return system;
}

std::string CKelMidi::StoredName(bool input) {
    const MidiSystem system = System();
    const std::optional<QString> stored = CAppSettings::StoredPort(parts_.store, input);
    if (!stored) {
        return system == MidiSystem::Virtual ? CVirtualKelBackend::kPortName : std::string();
    }
    return CAppSettings::CutPortName(*stored).toStdString();
}

bool CKelMidi::TakeOnlyPort(bool input, const std::string& name) {
    const QString port = QString::fromStdString(name);
    const std::string_view system = MidiSystemKey(systems_.Selected());
    settings_.StoreMidiChoice(
        parts_.store, input ? std::optional<QString>(port) : std::nullopt,
        input ? std::nullopt : std::optional<QString>(port),
        QString::fromLatin1(system.data(), static_cast<qsizetype>(system.size())));
    if (input) {
        input_.SetDeviceName(name);
    } else {
        output_.SetDeviceName(name);
    }
    if (CMainFrame* window = mainWindow_.data(); window != nullptr) {
        window->statusBar()->showMessage(UiText(OnlyPortPhrase(input, name)), 10000);
    }
    return true;
}

QWidget* CKelMidi::Parent() const {
    return mainWindow_.data();
}

CTransfer CKelMidi::Transfer() {
    System();
    receiveDlg_ = nullptr;
    return CTransfer(parts_.document, input_, output_, systems_.Ports(), parts_.reporter, *this);
}

void CKelMidi::OnTransmit() {
    learn_->Cancel();
    const ListeningPause pause(*this);
    lastOutcome_ = Transfer().Transmit();
    if (lastOutcome_ == TransferOutcome::Completed) {
        KeepInHistory(false);
    }
}

void CKelMidi::OnReceive() {
    learn_->Cancel();
    const ListeningPause pause(*this);
    lastOutcome_ = Transfer().Receive();
    receiveDlg_ = nullptr;
    if (lastOutcome_ == TransferOutcome::Completed) {
        KeepInHistory(true);
    }
}

void CKelMidi::KeepInHistory(bool received) {
    const std::string folder = HistoryFolder();
    const Result<std::string> added =
        AddToHistory(folder, parts_.document,
                     received ? HistoryDirection::Received : HistoryDirection::Transmitted,
                     received ? input_.GetDeviceName() : output_.GetDeviceName(),
                     CAppSettings::HistorySize(parts_.store), std::time(nullptr));
    // The transfer itself is done: a history that cannot be written is only said.
    if (CMainFrame* window = mainWindow_.data(); !added && window != nullptr) {
        window->statusBar()->showMessage(
            KelEditor::tr("The transfer is not kept in the device history: %1")
                .arg(UiText(added.Why())),
            15000);
    }
}

CKelMidi::ListeningPause::ListeningPause(CKelMidi& midi)
    : midi_(midi), resume_(midi.monitor_.IsOpen()) {
    ++midi_.pauses_;
    if (resume_) {
        midi_.TakeHeard(); // what was heard before the pause still shows
        midi_.monitor_.Close();
    }
}

CKelMidi::ListeningPause::~ListeningPause() {
    --midi_.pauses_;
    if (resume_ && (midi_.monitorOn_ || midi_.learn_->Active()) && !midi_.StartListening()) {
        midi_.learn_->Cancel();
        midi_.TurnMonitorOff();
    }
}

bool CKelMidi::StartListening() {
    if (monitor_.IsOpen()) {
        return true;
    }
    const int error = OpenListeningPort(true);
    if (error == kNotListed) {
        ReportNoPort(parts_.reporter, true, input_.GetDeviceName());
    } else if (error != 0) {
        parts_.reporter.warn(StringId::MidiInOpenError, error);
    }
    return error == 0;
}

bool CKelMidi::ListenAgain(bool tellWhy) {
    if (!MonitorInputLost()) {
        return true;
    }
    if (pauses_ > 0) {
        return false;
    }
    const int error = OpenListeningPort();
    if (error == 0 || !tellWhy) {
        return error == 0;
    }
    const QString port = QString::fromStdString(input_.GetDeviceName());
    if (error != kNotListed) {
        parts_.reporter.warn(StringId::MidiInOpenError, error);
    } else if (port.isEmpty()) {
        parts_.reporter.warnNoPort(nullptr);
    } else {
        parts_.ui.Warn(monitorWindow_.data(),
                       KelEditor::tr("The MIDI input \"%1\" is still not there. The monitor keeps "
                                     "its lines and listens again as soon as the input returns.")
                           .arg(port));
    }
    return false;
}

int CKelMidi::OpenListeningPort(bool mayChoose) {
    System();
    const CMidiInDev list(systems_.Ports());
    if (mayChoose) {
        if (const PortChoice choice = ChoosePort(list, input_.GetDeviceName());
            choice.how == PortChoice::How::OnlyPort) {
            TakeOnlyPort(true, choice.name);
        }
    }
    const int position = list.Find(input_.GetDeviceName());
    if (position < 0) {
        return kNotListed;
    }
    // While the monitor is on, its lines go on from where they were.
    const int port = list.PortNumber(position);
    if (const int error = monitorOn_ ? monitor_.Reopen(port) : monitor_.Open(port); error != 0) {
        return error;
    }
    listeningPort_ = input_.GetDeviceName();
    matcher_.Reset();
    lostReported_ = false;
    if (inputLost_) {
        inputLost_ = false;
        returnPoll_.stop();
        if (monitorWindow_ != nullptr) {
            monitorWindow_->SetLostInput({});
        }
        emit StateChanged();
    }
    return 0;
}

void CKelMidi::StopListeningIfUnused() {
    if (!monitorOn_ && !learn_->Active() && monitor_.IsOpen()) {
        monitor_.Close();
    }
}

void CKelMidi::OnMonitor() {
    if (MonitorInputLost()) {
        monitorWindow_->ShowInPlace();
        ListenAgain(true);
        return;
    }
    if (monitorOn_) {
        TurnMonitorOff();
        return;
    }
    if (!StartListening()) {
        return;
    }
    monitorOn_ = true;
    if (monitorWindow_ == nullptr) {
        monitorWindow_ = new CMonitorWindow(parts_, mainWindow_.data());
        monitorWindow_->setWindowIcon(CKelEditorApp::AppIcon());
        // The main window's commands and keys work in the monitor too.
        mainWindow_.data()->Commands().Share(*monitorWindow_);
        QObject::connect(monitorWindow_, &CMonitorWindow::Closed, &wakeTarget_, [this] {
            if (monitorOn_) {
                TurnMonitorOff();
            }
        });
        QObject::connect(monitorWindow_, &CMonitorWindow::ControlActivated, &wakeTarget_,
                         [this](ControllerId id) {
                             if (CMainFrame* window = mainWindow_.data(); window != nullptr) {
                                 PostEditorNotify(window, NotifyOpenAssign, id);
                             }
                         });
    }
    monitorWindow_->SetDropped(monitor_.Dropped());
    monitorWindow_->SetLostInput({});
    monitorWindow_->ShowInPlace();
    emit StateChanged();
}

CMonitorWindow* CKelMidi::MonitorWindow() const {
    return monitorWindow_.data();
}

void CKelMidi::TurnMonitorOff() {
    monitorOn_ = false;
    inputLost_ = false;
    returnPoll_.stop();
    StopListeningIfUnused();
    if (monitorWindow_ != nullptr && monitorWindow_->isVisible()) {
        monitorWindow_->hide();
    }
    emit StateChanged();
}

void CKelMidi::OnLearn() {
    const ControllerId id = parts_.document.SelectedController();
    if (!IsValidController(id)) {
        return;
    }
    const bool wasOpen = monitor_.IsOpen();
    if (!StartListening()) {
        return;
    }
    if (!learn_->Start(id) && !wasOpen) {
        monitor_.Close();
    }
    emit StateChanged();
}

std::optional<VerifyReceived> CKelMidi::ReceiveForVerify() {
    CVerifyReceive receive(*this, parts_.ui, parts_.reporter, mainWindow_.data());
    return receive.Run();
}

void CKelMidi::TakeHeard() {
    lastTake_.start();
    if (!monitor_.IsOpen()) {
        return;
    }
    heard_.clear();
    monitor_.Take(heard_);
    CMainFrame* window = mainWindow_.data();
    CKelPanel* panel = window != nullptr ? window->Panel() : nullptr;
    const bool showing = monitorOn_ && monitorWindow_ != nullptr;
    std::vector<MonitorLine> lines;
    if (showing) {
        lines.reserve(heard_.size());
    }
    const QString port = QString::fromStdString(listeningPort_);
    const ControlMap& map = parts_.document.Map();
    for (const MonitoredMessage& message : heard_) {
        HeardMatch heard = matcher_.Hear(map, message.bytes);
        if (panel != nullptr && !heard.controls.empty()) {
            panel->LightControls(heard.controls);
        }
        if (learn_->Active()) {
            learn_->Offer(message.bytes);
        }
        if (showing) {
            lines.push_back({message.seconds, port, message.bytes, std::move(heard.controls),
                             heard.parameterNotSelected});
        }
    }
    if (showing) {
        monitorWindow_->AddLines(std::move(lines));
        monitorWindow_->SetDropped(monitor_.Dropped());
    }
    if (monitor_.Lost()) {
        OnInputLost();
    }
}

void CKelMidi::OnInputLost() {
    if (lostReported_) {
        return;
    }
    lostReported_ = true;
    const bool learning = learn_->Active();
    learn_->Cancel();
    monitor_.Close();
    const QString port = QString::fromStdString(listeningPort_);
    if (monitorOn_ && monitorWindow_ != nullptr) {
        // The monitor stays on: its lines can still be read and saved, its window says what
        // happened, and it listens again once the input is listed again.
        inputLost_ = true;
        monitorWindow_->SetLostInput(port);
        returnPoll_.start();
        emit StateChanged();
    } else {
        TurnMonitorOff();
    }
    if (learning) {
        parts_.ui.Warn(Parent(), KelEditor::tr("The MIDI input \"%1\" is no longer there. Learning "
                                               "has been cancelled.")
                                     .arg(port));
    }
}

void CKelMidi::OnMidiDevices() {
    learn_->Cancel();
    const ListeningPause pause(*this);
    const MidiSystem current = System();
    CMidiDeviceDlg dialog(systems_, current, input_.GetDeviceIndex(), output_.GetDeviceIndex(),
                          Parent());
    if (parts_.ui.RunModal(dialog) != QDialog::Accepted) {
        return;
    }
    const MidiSystem chosen = dialog.SelectedSystem();
    if (chosen != current) {
        // A port left open by an abandoned transmit belongs to the old system.
        output_.Close();
        input_.Close();
        systems_.Select(chosen);
    }
    std::optional<QString> inputName;
    const int inputPosition = dialog.SelectedInput();
    input_.SetDevice(inputPosition);
    if (inputPosition >= 0) {
        inputName = QString::fromStdString(CMidiInDev(systems_.Ports()).GetAt(inputPosition));
    }
    std::optional<QString> outputName;
    const int outputPosition = dialog.SelectedOutput();
    output_.SetDevice(outputPosition);
    if (outputPosition >= 0) {
        outputName = QString::fromStdString(CMidiOutDev(systems_.Ports()).GetAt(outputPosition));
    }
    const std::string_view system = MidiSystemKey(chosen);
    settings_.StoreMidiChoice(
        parts_.store, inputName, outputName,
        QString::fromLatin1(system.data(), static_cast<qsizetype>(system.size())));
}

void CKelMidi::CommitPendingEdits() {
    // A refused message text does not stop a transmit: the map is sent as committed.
    parts_.shell.ApplyPendingEdits();
}

bool CKelMidi::Confirm(StringId question) {
    CConfirmDlg dialog(question, Parent());
    return parts_.ui.RunModal(dialog) == QDialog::Accepted;
}

bool CKelMidi::ShowTransmitInstructions() {
    CTransmitInstructionsDlg dialog(Parent());
    if (parts_.ui.RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    // The built-in device has no [ENTER] button: "Continue" presses it, so the map is taken
    // however quickly the user goes on.
    if (systems_.Selected() == MidiSystem::Virtual &&
        output_.GetDeviceName() == CVirtualKelBackend::kPortName) {
        systems_.Virtual().PressEnterForTransmit();
    }
    return true;
}

std::unique_ptr<TransferDialog> CKelMidi::CreateReceiveDialog() {
    auto dialog = std::make_unique<CKelRcvDlg>(parts_.ui, Parent());
    receiveDlg_ = dialog.get();
    return dialog;
}

std::unique_ptr<TransferDialog> CKelMidi::CreateProgressDialog() {
    auto dialog = std::make_unique<CProgressDlg>(parts_.ui, Parent());
    if (receiveDlg_ != nullptr) {
        receiveDlg_->HandOnTo(dialog.get());
    }
    return dialog;
}

void CKelMidi::NewMap() {
    parts_.files.NewMapFile();
}

void CKelMidi::ReceiveEnded() {
    if (CMainFrame* window = mainWindow_.data(); window != nullptr) {
        window->ActivateMain();
    }
}

void CKelMidi::ReceiveIncomplete(const ReceiveStatus& status) {
    parts_.ui.Warn(Parent(),
                   UiText(status.NotReceived()) + QLatin1Char('\n') +
                       KelEditor::tr("These controls keep NO ASSIGN in the control map."));
}

} // namespace kel
