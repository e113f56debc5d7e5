// SPDX-License-Identifier: GPL-3.0-or-later
// How the editor's windows show what they show, as the user set it in the Options menu: for
// now, which octave note 60 (middle C) is named in. The application owns one; the panel, the
// assign dialog and the monitor read it and follow its changes at once.
#pragma once

#include <QObject>

#include "model/midinames.h"

namespace kel {

class CViewOptions : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    MiddleC MiddleCOctave() const { return middleC_; }
    // Tells `changed` when the octave is a different one.
    void SetMiddleC(MiddleC middleC);

signals:
    void changed();

private:
    MiddleC middleC_ = MiddleC::C3;
};

// The octave of `options`; C3 where a window was given none.
inline MiddleC MiddleCOf(const CViewOptions* options) {
    return options != nullptr ? options->MiddleCOctave() : MiddleC::C3;
}

} // namespace kel
