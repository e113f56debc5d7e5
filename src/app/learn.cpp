// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/learn.h"

#include "app/editorparts.h"
#include "app/undo.h"
#include "gui/common/assignhook.h"
#include "gui/common/translation.h"
#include "model/msgmatch.h"
#include "model/parameter.h"
#include <QCoreApplication>
#include <QKeyEvent>

namespace kel {

namespace {

constexpr int kStatusMs = 5000; // how long the outcome stays in the status bar

} // namespace

CLearnFromInput::CLearnFromInput(const EditorParts& parts)
    : document_(parts.document), assign_(parts.assign), history_(parts.history) {
    timer_.setSingleShot(true);
    timer_.setInterval(kTimeoutMs);
    connect(&timer_, &QTimer::timeout, this, [this] {
        End(false, KelEditor::tr("Nothing was heard from the MIDI input: %1 is unchanged.")
                       .arg(QString::fromLatin1(ControllerName(target_))));
    });
}

CLearnFromInput::~CLearnFromInput() {
    if (Active()) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

bool CLearnFromInput::Start(ControllerId id) {
    if (!IsValidController(id)) {
        return false;
    }
    // What the dialog shows is what the learned message replaces: its pending fields first.
    if (assign_.ApplyAssignDialog() != 0) {
        return false;
    }
    if (!Active()) {
        QCoreApplication::instance()->installEventFilter(this);
    }
    target_ = id;
    timer_.start();
    ShowStatus(KelEditor::tr("Move the control on the KEL that %1 should learn from (Esc cancels).")
                   .arg(QString::fromLatin1(ControllerName(id))));
    return true;
}

void CLearnFromInput::Cancel() {
    if (Active()) {
        End(false, KelEditor::tr("Learning cancelled: %1 is unchanged.")
                       .arg(QString::fromLatin1(ControllerName(target_))));
    }
}

bool CLearnFromInput::Offer(std::span<const std::uint8_t> message) {
    if (!Active()) {
        return false;
    }
    CParameter& document = document_;
    if (document.SelectedController() != target_) {
        // The user went on to another control: the learned message is not meant for it.
        Cancel();
        return false;
    }
    if (assign_.ApplyAssignDialog() != 0) {
        Cancel(); // fields typed meanwhile that the dialog refuses: keep them to be corrected
        return false;
    }
    AssignEntry& edit = document.EditBuffer();
    AssignRecord record = edit.record;
    if (!LearnAssignment(message, record)) {
        return false; // a clock, system exclusive message, ...: keep waiting
    }
    const QString name = QString::fromLatin1(ControllerName(target_));
    edit.record = record;
    edit.changed = true;
    {
        const CUndoHistory::StepName step(history_, KelEditor::tr("Learn %1").arg(name));
        document.CommitEdit();
    }
    End(true, KelEditor::tr("%1 learned its assignment from the MIDI input.").arg(name));
    return true;
}

void CLearnFromInput::End(bool learned, const QString& status) {
    QCoreApplication::instance()->removeEventFilter(this);
    timer_.stop();
    target_ = kNoController;
    ShowStatus(status, kStatusMs);
    emit Finished(learned);
}

void CLearnFromInput::ShowStatus(const QString& text, int timeoutMs) {
    emit Status(text, timeoutMs);
}

bool CLearnFromInput::eventFilter(QObject* watched, QEvent* event) {
    if (Active() && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        Cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kel
