// SPDX-License-Identifier: GPL-3.0-or-later
// How the main window and the file commands reach the modeless assign dialog. The dialog
// implements this interface and is registered with the application object
// (CKelEditorApp::SetAssignDialog); until one is registered, CDirectAssign stands in for it:
// opening a control only selects it, and pending edits of the edit buffer go straight into the
// map.
#pragma once

#include "model/controllers.h"

class QWidget;

namespace kel {

class CParameter;

class IAssignDialog {
public:
    virtual ~IAssignDialog() = default;

    // Shows the dialog on controller `id` (creating its window on first use). False when the
    // pending edits of the controller shown were refused and the dialog stays where it is.
    virtual bool OpenAssignDialog(ControllerId id) = 0;
    // Writes the dialog's pending fields into the edit buffer and commits it: 0, or -1 when a
    // page refused its fields (nothing committed). 0 when the dialog is hidden.
    virtual int ApplyAssignDialog() = 0;
    // Refills the dialog from the edit buffer after the document changed (when it exists).
    virtual void RefreshFromDocument() = 0;
    // The dialog's window, or null while it has not been created.
    virtual QWidget* Window() = 0;
    // Destroys the dialog's window (closing the main window).
    virtual void DestroyWindow() = 0;
};

// The stand-in used while no assign dialog is registered.
class CDirectAssign : public IAssignDialog {
public:
    explicit CDirectAssign(CParameter& document) : document_(document) {}

    bool OpenAssignDialog(ControllerId id) override;
    int ApplyAssignDialog() override;
    void RefreshFromDocument() override;
    QWidget* Window() override { return nullptr; }
    void DestroyWindow() override {}

private:
    CParameter& document_;
};

} // namespace kel
