// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/midinames.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

#include "model/kinds.h"

namespace kel {
namespace {

// The controller numbers of the MIDI 1.0 table; 32..63 are the LSBs of 0..31 and are named from
// them.
constexpr std::array<std::string_view, 128> kControllers = [] {
    std::array<std::string_view, 128> names{};
    names[0] = "Bank Select";
    names[1] = "Modulation";
    names[2] = "Breath Controller";
    names[4] = "Foot Controller";
    names[5] = "Portamento Time";
    names[6] = "Data Entry";
    names[7] = "Volume";
    names[8] = "Balance";
    names[10] = "Pan";
    names[11] = "Expression";
    names[12] = "Effect Control 1";
    names[13] = "Effect Control 2";
    names[16] = "General Purpose 1";
    names[17] = "General Purpose 2";
    names[18] = "General Purpose 3";
    names[19] = "General Purpose 4";
    names[64] = "Sustain";
    names[65] = "Portamento";
    names[66] = "Sostenuto";
    names[67] = "Soft Pedal";
    names[68] = "Legato Footswitch";
    names[69] = "Hold 2";
    names[70] = "Sound Variation";
    names[71] = "Resonance";
    names[72] = "Release Time";
    names[73] = "Attack Time";
    names[74] = "Brightness";
    names[75] = "Decay Time";
    names[76] = "Vibrato Rate";
    names[77] = "Vibrato Depth";
    names[78] = "Vibrato Delay";
    names[79] = "Sound Controller 10";
    names[80] = "General Purpose 5";
    names[81] = "General Purpose 6";
    names[82] = "General Purpose 7";
    names[83] = "General Purpose 8";
    names[84] = "Portamento Control";
    names[88] = "High Resolution Velocity Prefix";
    names[91] = "Reverb";
    names[92] = "Tremolo";
    names[93] = "Chorus";
    names[94] = "Celeste";
    names[95] = "Phaser";
    names[96] = "Data Increment";
    names[97] = "Data Decrement";
    names[98] = "NRPN LSB";
    names[99] = "NRPN MSB";
    names[100] = "RPN LSB";
    names[101] = "RPN MSB";
    names[120] = "All Sound Off";
    names[121] = "Reset All Controllers";
    names[122] = "Local Control";
    names[123] = "All Notes Off";
    names[124] = "Omni Off";
    names[125] = "Omni On";
    names[126] = "Mono On";
    names[127] = "Poly On";
    return names;
}();

// "Volume LSB" and the other LSB names, made once from the MSB names.
const std::array<std::string, 32>& LsbNames() {
    static const std::array<std::string, 32> names = [] {
        std::array<std::string, 32> out;
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (!kControllers[i].empty()) {
                out[i] = std::string(kControllers[i]) + " LSB";
            }
        }
        return out;
    }();
    return names;
}

constexpr std::array<std::string_view, 128> kGmPrograms = {
    "Acoustic Grand Piano",
    "Bright Acoustic Piano",
    "Electric Grand Piano",
    "Honky-tonk Piano",
    "Electric Piano 1",
    "Electric Piano 2",
    "Harpsichord",
    "Clavi",
    "Celesta",
    "Glockenspiel",
    "Music Box",
    "Vibraphone",
    "Marimba",
    "Xylophone",
    "Tubular Bells",
    "Dulcimer",
    "Drawbar Organ",
    "Percussive Organ",
    "Rock Organ",
    "Church Organ",
    "Reed Organ",
    "Accordion",
    "Harmonica",
    "Tango Accordion",
    "Acoustic Guitar (nylon)",
    "Acoustic Guitar (steel)",
    "Electric Guitar (jazz)",
    "Electric Guitar (clean)",
    "Electric Guitar (muted)",
    "Overdriven Guitar",
    "Distortion Guitar",
    "Guitar Harmonics",
    "Acoustic Bass",
    "Electric Bass (finger)",
    "Electric Bass (pick)",
    "Fretless Bass",
    "Slap Bass 1",
    "Slap Bass 2",
    "Synth Bass 1",
    "Synth Bass 2",
    "Violin",
    "Viola",
    "Cello",
    "Contrabass",
    "Tremolo Strings",
    "Pizzicato Strings",
    "Orchestral Harp",
    "Timpani",
    "String Ensemble 1",
    "String Ensemble 2",
    "Synth Strings 1",
    "Synth Strings 2",
    "Choir Aahs",
    "Voice Oohs",
    "Synth Voice",
    "Orchestra Hit",
    "Trumpet",
    "Trombone",
    "Tuba",
    "Muted Trumpet",
    "French Horn",
    "Brass Section",
    "Synth Brass 1",
    "Synth Brass 2",
    "Soprano Sax",
    "Alto Sax",
    "Tenor Sax",
    "Baritone Sax",
    "Oboe",
    "English Horn",
    "Bassoon",
    "Clarinet",
    "Piccolo",
    "Flute",
    "Recorder",
    "Pan Flute",
    "Blown Bottle",
    "Shakuhachi",
    "Whistle",
    "Ocarina",
    "Lead 1 (square)",
    "Lead 2 (sawtooth)",
    "Lead 3 (calliope)",
    "Lead 4 (chiff)",
    "Lead 5 (charang)",
    "Lead 6 (voice)",
    "Lead 7 (fifths)",
    "Lead 8 (bass + lead)",
    "Pad 1 (new age)",
    "Pad 2 (warm)",
    "Pad 3 (polysynth)",
    "Pad 4 (choir)",
    "Pad 5 (bowed)",
    "Pad 6 (metallic)",
    "Pad 7 (halo)",
    "Pad 8 (sweep)",
    "FX 1 (rain)",
    "FX 2 (soundtrack)",
    "FX 3 (crystal)",
    "FX 4 (atmosphere)",
    "FX 5 (brightness)",
    "FX 6 (goblins)",
    "FX 7 (echoes)",
    "FX 8 (sci-fi)",
    "Sitar",
    "Banjo",
    "Shamisen",
    "Koto",
    "Kalimba",
    "Bag pipe",
    "Fiddle",
    "Shanai",
    "Tinkle Bell",
    "Agogo",
    "Steel Drums",
    "Woodblock",
    "Taiko Drum",
    "Melodic Tom",
    "Synth Drum",
    "Reverse Cymbal",
    "Guitar Fret Noise",
    "Breath Noise",
    "Seashore",
    "Bird Tweet",
    "Telephone Ring",
    "Helicopter",
    "Applause",
    "Gunshot",
};

bool ContainsIgnoringCase(std::string_view text, std::string_view part) {
    if (part.size() > text.size()) {
        return false;
    }
    for (std::size_t at = 0; at + part.size() <= text.size(); ++at) {
        bool same = true;
        for (std::size_t i = 0; i < part.size() && same; ++i) {
            same = std::tolower(static_cast<unsigned char>(text[at + i])) ==
                   std::tolower(static_cast<unsigned char>(part[i]));
        }
        if (same) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string_view ControllerNumberName(int number) {
    if (number < 0 || number > 127) {
        return {};
    }
    if (number >= 32 && number < 64) {
        return LsbNames()[static_cast<std::size_t>(number - 32)];
    }
    return kControllers[static_cast<std::size_t>(number)];
}

std::vector<int> FindControllerNumbers(std::string_view text) {
    std::vector<int> found;
    if (text.empty()) {
        return found;
    }
    int asNumber = -1;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), asNumber);
    const bool isNumber = ec == std::errc{} && end == text.data() + text.size();
    // "74 Bri", as the pickers list a controller: the number whose name holds the rest.
    const bool numberAndName = ec == std::errc{} && end != text.data() + text.size() && *end == ' ';
    const std::string_view rest =
        numberAndName ? text.substr(static_cast<std::size_t>(end - text.data()) + 1) : "";
    for (int number = 0; number < 128; ++number) {
        const std::string_view name = ControllerNumberName(number);
        if ((isNumber && number == asNumber) || ContainsIgnoringCase(name, text) ||
            (numberAndName && number == asNumber && !name.empty() &&
             ContainsIgnoringCase(name, rest))) {
            found.push_back(number);
        }
    }
    return found;
}

bool IsReservedControllerNumber(int number) {
    return number == 0 || number == 6 || number == 32 || number == 38 ||
           (number >= 96 && number <= 101) || (number >= 120 && number <= 127);
}

std::vector<int> SequenceNumbers(const NumberSequence& sequence, std::size_t count) {
    std::vector<int> numbers;
    numbers.reserve(count);
    long long next = sequence.start;
    for (std::size_t i = 0; i < count; ++i) {
        while (sequence.skipReserved && sequence.step != 0 && next >= 0 && next <= 127 &&
               IsReservedControllerNumber(static_cast<int>(next))) {
            next += sequence.step;
        }
        numbers.push_back(static_cast<int>(std::clamp(next, -1000000LL, 1000000LL)));
        next += sequence.step;
    }
    return numbers;
}

std::string_view RpnName(int msb, int lsb) {
    if (msb == 127 && lsb == 127) {
        return "RPN Null";
    }
    if (msb != 0) {
        return {};
    }
    static constexpr std::array<std::string_view, 6> kNames = {
        "Pitch Bend Sensitivity", "Fine Tuning",        "Coarse Tuning",
        "Tuning Program Select",  "Tuning Bank Select", "Modulation Depth Range",
    };
    return lsb >= 0 && lsb < static_cast<int>(kNames.size()) ? kNames[static_cast<std::size_t>(lsb)]
                                                             : std::string_view{};
}

std::string NoteName(int note, MiddleC middleC) {
    if (note < 0 || note > 127) {
        return {};
    }
    static constexpr std::array<std::string_view, 12> kPitches = {
        "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int lowest = middleC == MiddleC::C3 ? -2 : -1; // the octave of note 0
    return std::string(kPitches[static_cast<std::size_t>(note % 12)]) +
           std::to_string(note / 12 + lowest);
}

std::string_view GmProgramName(int shownProgram) {
    return shownProgram >= 1 && shownProgram <= 128
               ? kGmPrograms[static_cast<std::size_t>(shownProgram - 1)]
               : std::string_view{};
}

std::string MessageNumberName(std::span<const std::uint8_t> message, MiddleC middleC) {
    if (message.size() < 2 || message[0] < 0x80 || message[0] >= 0xF0 || message[1] > 127) {
        return {};
    }
    switch (message[0] & 0xF0) {
    case 0x80:
    case 0x90:
    case 0xA0:
        return NoteName(message[1], middleC);
    case 0xB0:
        return std::string(ControllerNumberName(message[1]));
    case 0xC0:
        return std::string(GmProgramName(message[1] + 1));
    default:
        return {};
    }
}

std::string RecordNumberNames(const AssignRecord& record, MiddleC middleC) {
    const AssignKind* kind = KindOf(record);
    if (kind == nullptr) {
        return {};
    }
    std::string names;
    auto add = [&names](std::string_view name) {
        if (!name.empty()) {
            names += names.empty() ? "" : ", ";
            names += name;
        }
    };
    for (const ValueField& field : kind->Values()) {
        if (!field.labelled) {
            continue;
        }
        const int shown = field.Shown(record);
        switch (field.name) {
        case ValueName::Controller:
            add(ControllerNumberName(shown));
            break;
        case ValueName::Note:
            add(NoteName(shown, middleC));
            break;
        case ValueName::Program:
            add(GmProgramName(shown));
            break;
        case ValueName::ParameterLsb:
            // The pair is named once, at its second half; only registered parameters have
            // names, non-registered ones mean what each instrument makes them mean.
            if (kind->channelKind == KindRpn) {
                for (const ValueField& msb : kind->Values()) {
                    if (msb.name == ValueName::ParameterMsb) {
                        add(RpnName(msb.Shown(record), shown));
                    }
                }
            }
            break;
        default:
            break;
        }
    }
    return names;
}

} // namespace kel
