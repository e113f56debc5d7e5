// SPDX-License-Identifier: GPL-3.0-or-later
// How the core tells its user about a failure or asks a question. The core never shows
// anything itself: the editor implements these with message boxes, the command-line tool with
// lines on stderr, and the tests with recorders.
#pragma once

#include <string>

#include "model/phrase.h"
#include "model/result.h"
#include "model/strings.h"

namespace kel {

struct MessageTextFault;

class Reporter {
public:
    virtual ~Reporter() = default;
    // A failure, reported where it is detected. `detail` fills the "(%d)" of the text (a file
    // error cause, a platform error code or -1) or the "%d" of 32818; it is ignored otherwise.
    virtual void warn(StringId id, int detail = 0) = 0;
    // A failure on the file `path`: `cause` is its file error cause number (0 when the text
    // has none). A reporter that can show more than the text adds the path and the cause in
    // words.
    virtual void warnFile(StringId id, int cause, const std::string& path) {
        (void)path;
        warn(id, cause);
    }
    // No MIDI port to use. `gone` says which chosen port is not listed ("The MIDI output "KEL
    // Device" is not there."); null when no port was chosen (message 32810). A reporter that
    // can shows the phrase and offers to choose a port.
    virtual void warnNoPort(const Phrase* gone) {
        (void)gone;
        warn(StringId::NoMidiDevice);
    }
    // A refused message text: the text of `id` and `detail` as warn shows it, and where and
    // why the text was refused.
    virtual void warnMessageText(StringId id, int detail, const MessageTextFault& fault) {
        (void)fault;
        warn(id, detail);
    }
};

// The numbered message a file failure is shown with and the number for its "%d": a failure's own
// message of the string table (32804 write-protected, 32807 and 32819 … 32822 a refused
// content) with 0, any other failure as `fileMessage` (32805 on a save, 32806 on a read) with
// its file error cause.
struct FileMessage {
    StringId id;
    int detail = 0;
};
inline FileMessage FileMessageOf(const Failure& failure, StringId fileMessage) {
    if (const std::optional<StringId> message = MessageOf(failure)) {
        return {*message, 0};
    }
    return {fileMessage, failure.cause};
}

// Tells the failure of reading or writing the file `path` as the message boxes show it: the
// write-protected file named with its path, a refused content without it, a file error with its
// path and cause.
inline void ReportFileFailure(Reporter& reporter, const Failure& failure, StringId fileMessage,
                              const std::string& path) {
    const FileMessage message = FileMessageOf(failure, fileMessage);
    if (MessageOf(failure) && message.id != StringId::CannotOverwrite) {
        reporter.warn(message.id, 0);
    } else {
        reporter.warnFile(message.id, message.detail, path);
    }
}

enum class Answer { None = 0, Yes = 6, No = 7, Cancel = 2 };

class Questioner {
public:
    virtual ~Questioner() = default;
    // A Yes/No/Cancel question with a warning icon.
    virtual Answer askYesNoCancel(StringId id) = 0;
};

} // namespace kel
