// SPDX-License-Identifier: GPL-3.0-or-later
// The panel as screen readers see it: the panel is a pane whose 50 children are the device's
// controls. Each control has a name ("R1 knob", "S3 slider"), a role that fits its kind, its
// assignment as description ("Control Change 74, channel 1, Port 1"), its selected and focused
// state, its place on the screen, and a default action that opens the assign dialog on it. The
// tooltip of a control shows its name and description.
#pragma once

#include <QAccessible>
#include <QString>

#include "model/controllers.h"
#include "model/midinames.h"

namespace kel {

class CParameter;

// "R1 knob", "S3 slider", "A1 button", "P1 pedal", "BEND wheel", "AFT pad", in the user's
// language; empty for an id outside 0..49.
QString ControlAccessibleName(ControllerId id);
// Dial for the knobs, Slider for the sliders and wheels, Button for the rest.
QAccessible::Role ControlAccessibleRole(ControllerId id);
// The assignment of control `id` in the map, spoken in full: the message, its values as the
// panel's label shows them (with their names, notes named with middle C in `middleC`'s
// octave), the channel and the port, then the comment.
QString ControlDescription(const CParameter& document, ControllerId id,
                           MiddleC middleC = MiddleC::C3);

// The tooltip of control `id`: its name over its description, the words screen readers get,
// shown as text (a comment's '<' is no markup).
QString ControlToolTip(const CParameter& document, ControllerId id, MiddleC middleC = MiddleC::C3);

// Makes Qt build the panel's accessible interfaces (once per process).
void InstallPanelAccessibility();

} // namespace kel
