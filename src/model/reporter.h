// How the core tells its user about a failure or asks a question. The core never shows
// anything itself: the editor implements these with message boxes, the command-line tool with
// lines on stderr, and the tests with recorders.
#pragma once

#include "model/strings.h"

namespace kel {

class Reporter {
public:
    virtual ~Reporter() = default;
    // A failure, reported where it is detected. `detail` fills the "(%d)" of the text (a file
    // error cause, a platform error code or -1) or the "%d" of 32818; it is ignored otherwise.
    virtual void warn(StringId id, int detail = 0) = 0;
};

enum class Answer { None = 0, Yes = 6, No = 7, Cancel = 2 };

class Questioner {
public:
    virtual ~Questioner() = default;
    // A Yes/No/Cancel question with a warning icon.
    virtual Answer askYesNoCancel(StringId id) = 0;
};

} // namespace kel
