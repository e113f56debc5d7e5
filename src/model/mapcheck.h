// SPDX-License-Identifier: GPL-3.0-or-later
// The map check: problems of a control map worth knowing before it is sent to the device.
//
// What the check reports, per control or per group of controls:
//
// * Errors (the device would receive something it cannot use):
//   - an invalid assign code (11, 25..255); nothing else of that record is examined;
//   - a field out of its range, only for fields the record's kind has: port above 2
//     ("Port 1 + 2"), channel byte above 15, button mode 3 (on controls with a button mode),
//     AFT mode above 2 (notes), a 7-bit value byte above 127 (note, velocity, controller,
//     program, bank, parameter, minimum, maximum), a realtime status byte other than F6, F8,
//     FA, FB, FC, FF, a data type above 5 ("DT4"), a Free Message length above 24, a checksum
//     kind above 2, a data range above the top its data type allows (15 for DT1, 255 for DT4,
//     127 otherwise);
//   - a System Ex. or Free Message whose stored bytes are not a valid message: the message is
//     formatted as the assign page shows it and parsed again with its data type; a refusal
//     means the bytes are not a complete MIDI message, and a parse that places the data field,
//     checksum or channel marker elsewhere than stored means those positions lie outside the
//     message.
// * Warnings (legitimate settings that are usually mistakes):
//   - a range whose minimum is above its maximum (Channel Pressure, Polyphonic Key Pressure,
//     Control Change, Program Change (Min-Max), RPN, NRPN, and System Ex./Free Message with a
//     data field): the device is sent exactly that range, which some setups use on purpose to
//     turn a control round;
//   - two or more controls that send the same message on the same channel and port.
//
// "The same message" means, by kind (records with an error above take no part):
//   - Note: the same note number;
//   - Polyphonic Key Pressure: the same note number; Channel Pressure: any two;
//   - Control Change and Encoder Simulate: the same controller number (an encoder sends
//     control changes of its number, so it collides with a Control Change of that number);
//   - Program Change: the same program; Bank Select + Program Change: the same bank MSB, LSB
//     and program; Program Change (Min-Max): any two; Program Change - Dec: any two; - Inc:
//     any two;
//   - RPN: the same parameter MSB/LSB; NRPN likewise (RPN and NRPN never collide);
//   - System Realtime: the same status byte;
//   - System Ex. and Free Message: the same message text (as the assign page shows it, so
//     placeholders count, not the bytes stored under them) with the same data type;
//   - Tempo: any two.
// The channel counts only for kinds that have one (not Program Change - Dec/- Inc, System
// Realtime, System Ex., Free Message, Tempo); the port counts only for kinds that have one (not
// the program-change kinds except Bank Select + Program Change, not Tempo). "Port 1 + 2"
// shares Port 1 with a "Port 1" control and Port 2 with a "Port 2" control. Kinds of different
// families never collide (a Free Message "B0 07 DT" is not compared with Control Change 7).
//
// A finding's text is a phrase (model/phrase.h): its id and its arguments, the message a
// duplicate sends and where it sends it among them as nested phrases.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "model/assign.h"
#include "model/bulk.h"
#include "model/kinds.h"
#include "model/phrase.h"

namespace kel {

enum class CheckSeverity { Warning, Error };

struct CheckFinding {
    CheckSeverity severity = CheckSeverity::Warning;
    // The message: its text id and arguments (control names, numbers, nested parts).
    Phrase text;
    // The controls concerned, in ascending order; the first is the one to select.
    std::vector<ControllerId> controls;
    // The message in English, e.g. "S3 and S4 both send CC 74 on channel 1, Port 1."
    std::string message;
};

// All findings for the 50 records, ordered by their first control (errors before warnings
// of the same control). An empty result means nothing was found.
std::vector<CheckFinding> CheckControlMap(const RecordTable& records);
inline std::vector<CheckFinding> CheckControlMap(const ControlMap& map) {
    return CheckControlMap(map.records);
}

// True when any finding is an error.
bool HasCheckErrors(const std::vector<CheckFinding>& findings);

// How findings name a value field ("controller number", "minimum", ...).
TextId ValueFieldText(ValueName name);

// "error" or "warning".
std::string_view CheckSeverityName(CheckSeverity severity);

} // namespace kel
