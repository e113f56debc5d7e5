// SPDX-License-Identifier: GPL-3.0-or-later
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

// A map of every kind of record, with twin codes.
inline RecordTable VariedRecords(unsigned seed) {
    RecordTable table = test::RandomRecords(seed);
    table[2][rec::AssignCode] = CodeNoteTwin;
    table[3][rec::AssignCode] = CodeControlChangeTwin;
    table[40][rec::AssignCode] = CodeFreeMessageTwin;
    table[0][rec::AssignCode] = CodeNoAssign;
    return table;
}

class MidiGuiTest : public EditorTest {
protected:
    void SetUp() override { ASSERT_TRUE(StartScripted()); }

    // The editor's services are the scripted ones: EditorTest's own stay unused.
    CUiServices& Ui() override { return midiUi_; }
    void PrepareApp(CKelEditorApp&) override { PrepareMidi(Midi()); }

    // Starts the editor (again), with the virtual device and the output paced for quick tests.
    bool StartScripted() {
        if (!Start()) {
            return false;
        }
        test::QuickPacing(Device(), Midi().Output(), std::chrono::milliseconds(30));
        return true;
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
