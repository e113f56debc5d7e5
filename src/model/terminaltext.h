// SPDX-License-Identifier: GPL-3.0-or-later
// Texts of a map file (title, comments, copyright) as they may be shown: on a terminal, where
// no byte of a file may drive the terminal or reorder what is shown, and in the HTML list,
// where no bidirectional control may reorder the letters around it. The file keeps its bytes.
#pragma once

#include <string>
#include <string_view>

namespace kel {

// How the output's reader (the terminal) decodes bytes: this decides which bytes from 80 to
// 9F are part of a character and which are 8-bit control characters.
enum class OutputEncoding {
    Utf8,       // UTF-8; also the C locale, whose terminals are UTF-8 ones in practice
    ShiftJis,   // Shift_JIS, CP932: 81-9F and E0-FC lead a two-byte character
    EucJp,      // EUC-JP: 8E and 8F lead a character
    DoubleByte, // GBK, GB18030, Big5: 81-FE lead a character
    SingleByte, // ISO 8859, KOI8 and the like: every byte 80-9F is a control
};

// The encoding of a locale's character set, as nl_langinfo(CODESET) names it.
OutputEncoding OutputEncodingOf(std::string_view codeset);

// True for the characters that change the direction of the text around them: the embeddings,
// overrides and isolates (U+202A-U+202E, U+2066-U+2069) and the marks (U+200E, U+200F,
// U+061C).
bool IsBidiControl(char32_t c);

// `text` as it may go to a terminal that decodes `encoding`, one line of it: the control
// characters written as escapes, \t, \n, \r, \xNN for the other C0 controls, DEL and a C1
// control byte that is not part of a character, \uNNNN for a C1 control or a bidirectional
// control written in UTF-8, and a backslash as \\. Every other byte is kept, so Japanese and
// other letters show as they do in the file.
std::string TerminalText(std::string_view text, OutputEncoding encoding);

// `text` with each bidirectional control written in UTF-8 replaced by its escape \uNNNN, the
// rest unchanged: for the HTML list, which a browser may read as UTF-8.
std::string WithVisibleBidiControls(std::string_view text);

// A title or comment (UTF-8) as an edit field shows it: each control character (C0, DEL, C1)
// and each bidirectional control written as its escape \uNNNN, so that none is invisible or
// reorders what the user sees; every other character as it is.
std::string WithVisibleControls(std::string_view utf8);
// The text an edit field holds back as the map keeps it: each escape \uNNNN of a character
// that WithVisibleControls escapes becomes that character again.
std::string WithControlsRestored(std::string_view shown);

} // namespace kel
