// A started editor whose modal dialogs are answered by script: the confirmation, the transmit
// instructions and the device dialog get canned answers (the device dialog after a scripted
// choice), while the receive and progress dialogs really run, so the engine's posts move them.
// MIDI goes through the built-in virtual device, made quick for the tests.
#pragma once

#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <deque>
#include <functional>
#include <random>

#include "app/kelmidi.h"
#include "gui/mididlg/mididevicedlg.h"
#include "gui/mididlg/transferdlgs.h"
#include "support/editor_fixture.h"
#include "support/midi_fakes.h"

namespace kel {

class ScriptedMidiUi : public FakeUi {
public:
    std::deque<int> confirmAnswers; // Accepted when empty
    int instructionsAnswer = QDialog::Accepted;
    QStringList confirmTexts;
    QStringList shown; // titles of the MIDI dialogs in the order they were shown
    // Called on the device dialog before it is answered with its result.
    std::function<int(CMidiDeviceDlg&)> onDevices = [](CMidiDeviceDlg&) {
        return QDialog::Rejected;
    };
    // Called when the receive or the progress dialog is about to run (to schedule a Cancel).
    std::function<void(QDialog&)> onTransferDialog = [](QDialog&) {};

    int RunModal(QDialog& dialog) override {
        const int id = KelIdOf(&dialog);
        if (id == dlg::Devices || id == dlg::TransmitInstructions || id == dlg::Receive ||
            id == dlg::Progress || FindByKelId<QLabel>(&dialog, ctl::ConfirmText) != nullptr) {
            shown << dialog.windowTitle();
        }
        switch (id) {
        case dlg::Devices:
            return onDevices(static_cast<CMidiDeviceDlg&>(dialog));
        case dlg::TransmitInstructions:
            return instructionsAnswer;
        case dlg::Receive:
        case dlg::Progress:
            onTransferDialog(dialog);
            return dialog.exec();
        default:
            break;
        }
        if (auto* label = FindByKelId<QLabel>(&dialog, ctl::ConfirmText); label != nullptr) {
            confirmTexts << label->text();
            if (confirmAnswers.empty()) {
                return QDialog::Accepted;
            }
            const int answer = confirmAnswers.front();
            confirmAnswers.pop_front();
            return answer;
        }
        return FakeUi::RunModal(dialog); // other questions of the editor: their default answer
    }
};

// Clicks Cancel of a running transfer dialog after `delayMs`.
inline void CancelAfter(QDialog& dialog, int delayMs) {
    QPointer<QDialog> target(&dialog);
    QTimer::singleShot(delayMs, [target] {
        if (target != nullptr) {
            if (auto* cancel = FindByKelId<QPushButton>(target, 2); cancel != nullptr) {
                cancel->click();
            }
        }
    });
}

// A map of every kind of record, with twin codes, a title and comments.
inline RecordTable VariedRecords(unsigned seed) {
    std::mt19937 random(seed);
    RecordTable table{};
    for (auto& record : table) {
        for (auto& byte : record) {
            byte = static_cast<std::uint8_t>(random() & 0x7F);
        }
        record[rec::AssignCode] = static_cast<std::uint8_t>(random() % 25);
    }
    table[2][rec::AssignCode] = CodeNoteTwin;
    table[3][rec::AssignCode] = CodeControlChangeTwin;
    table[40][rec::AssignCode] = CodeFreeMessageTwin;
    table[0][rec::AssignCode] = CodeNoAssign;
    return table;
}

inline RecordTable Folded(RecordTable table) {
    for (auto& record : table) {
        record[rec::AssignCode] = BaseCode(record[rec::AssignCode]);
    }
    return table;
}

class MidiGuiTest : public EditorTest {
protected:
    void SetUp() override {
        // The editor's services are the scripted ones: EditorTest's own stay unused.
        ASSERT_TRUE(StartScripted());
    }

    bool StartScripted() {
        app_.reset();
        auto store = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("midi.ini")),
                                                 QSettings::IniFormat);
        PrepareStore(*store);
        app_ = std::make_unique<CKelEditorApp>(midiUi_, std::move(store));
        PrepareMidi(Midi());
        if (!app_->Startup({QStringLiteral("kel-editor")})) {
            return false;
        }
        window_ = app_->MainWindow();
        window_->activateWindow();
        // Quick device and pacing: the tests are about the dialogs, not the timing.
        Midi().Systems().Virtual().SetEnterDelay(std::chrono::milliseconds(30));
        Midi().Systems().Virtual().SetMessageGap(std::chrono::milliseconds(1));
        Midi().Output().SetSendInterval(std::chrono::milliseconds(2));
        return QTest::qWaitForWindowActive(window_);
    }

    // Stand-ins for the system's MIDI, installed before anything asks for them. By default
    // ALSA and JACK list nothing, as on a machine without MIDI hardware.
    virtual void PrepareMidi(CKelMidi& midi) {
        midi.Systems().Install(MidiSystem::Alsa, std::make_unique<test::FakeBackend>());
        midi.Systems().Install(MidiSystem::Jack, std::make_unique<test::FakeBackend>());
    }

    CKelMidi& Midi() { return app_->MidiPorts(); }
    CVirtualKelBackend& Device() { return Midi().Systems().Virtual(); }
    QSettings& Store() { return app_->Store(); }

    ScriptedMidiUi midiUi_;
};

} // namespace kel
