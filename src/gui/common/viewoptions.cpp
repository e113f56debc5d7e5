// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/common/viewoptions.h"

namespace kel {

void CViewOptions::SetMiddleC(MiddleC middleC) {
    if (middleC == middleC_) {
        return;
    }
    middleC_ = middleC;
    emit changed();
}

} // namespace kel
