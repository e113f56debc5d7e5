// SPDX-License-Identifier: GPL-3.0-or-later
// The document's changes as Qt signals, for the windows that show the document: the panel, the
// TITLE field, the title bar, the assign dialog, the monitor, the accessible panel and the
// commands' enabled states connect to these instead of being refreshed by hand.
#pragma once

#include <QList>
#include <QObject>

#include "model/parameter.h"

namespace kel {

class CDocumentSignals : public QObject, private DocumentObserver {
    Q_OBJECT
public:
    explicit CDocumentSignals(CParameter& document, QObject* parent = nullptr);
    ~CDocumentSignals() override;

    CParameter& Document() const { return document_; }

signals:
    // The map's records or comments of these controls changed.
    void controlsChanged(const QList<int>& ids);
    // The selected control's edit buffer changed without reaching the map (Paste, NO ASSIGN).
    void editBufferChanged();
    void selectionChanged(int id);
    // The set of selected controls changed.
    void selectedControlsChanged();
    void titleChanged();
    // The whole map was replaced: everything shown of it may differ.
    void mapReplaced();
    void clipboardChanged();
    void modifiedChanged(bool modified);
    // Any of the above: for views that show the map as a whole.
    void changed();

private:
    void ControlsChanged(std::span<const ControllerId> ids) override;
    void EditBufferChanged() override;
    void SelectionChanged(ControllerId id) override;
    void SelectedControlsChanged() override;
    void TitleChanged() override;
    void MapReplaced() override;
    void ClipboardChanged() override;
    void ModifiedChanged(bool modified) override;

    CParameter& document_;
};

} // namespace kel
