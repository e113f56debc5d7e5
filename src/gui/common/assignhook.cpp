// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/assignhook.h"

#include "model/parameter.h"

namespace kel {

bool CDirectAssign::OpenAssignDialog(ControllerId id) {
    document_.SelectController(id);
    return true;
}

int CDirectAssign::ApplyAssignDialog() {
    if (document_.EditBuffer().changed) {
        document_.CommitEdit();
    }
    return 0;
}

void CDirectAssign::RefreshFromDocument() {
    // Without a dialog nobody holds a pending edit: a pasted or cleared assignment goes into
    // the map at once, so the panel shows it and every command sees it.
    if (document_.EditBuffer().changed) {
        document_.CommitEdit();
    }
}

} // namespace kel
