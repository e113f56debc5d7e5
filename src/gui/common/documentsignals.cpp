// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/documentsignals.h"

namespace kel {

CDocumentSignals::CDocumentSignals(CParameter& document, QObject* parent)
    : QObject(parent), document_(document) {
    document_.AddObserver(this);
}

CDocumentSignals::~CDocumentSignals() {
    document_.RemoveObserver(this);
}

void CDocumentSignals::ControlsChanged(std::span<const ControllerId> ids) {
    emit controlsChanged(QList<int>(ids.begin(), ids.end()));
    emit changed();
}

void CDocumentSignals::EditBufferChanged() {
    emit editBufferChanged();
    emit changed();
}

void CDocumentSignals::SelectionChanged(ControllerId id) {
    emit selectionChanged(id);
    emit changed();
}

void CDocumentSignals::SelectedControlsChanged() {
    emit selectedControlsChanged();
    emit changed();
}

void CDocumentSignals::TitleChanged() {
    emit titleChanged();
    emit changed();
}

void CDocumentSignals::MapReplaced() {
    emit mapReplaced();
    emit changed();
}

void CDocumentSignals::ClipboardChanged() {
    emit clipboardChanged();
    emit changed();
}

void CDocumentSignals::ModifiedChanged(bool modified) {
    emit modifiedChanged(modified);
}

} // namespace kel
