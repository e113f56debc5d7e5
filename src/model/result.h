// SPDX-License-Identifier: GPL-3.0-or-later
// How the core says that something failed: a result that holds either the value asked for or a
// Failure, the core text that tells the user why (a Phrase with its arguments, shown in English
// by kelmap and the files, translated by the editor) and, where callers tell failures apart, a
// number (a file error cause, a message number of the string table).
//
//     Result<RecordTable> read = ReadSomething(...);
//     if (!read) return read.Error();          // passes the failure on unchanged
//     Use(*read);
//
// A function that has nothing to return gives a Status (Result<void>).
#pragma once

#include <cassert>
#include <optional>
#include <utility>
#include <variant>
#include <vector>

#include "model/phrase.h"
#include "model/strings.h"

namespace kel {

struct Failure {
    Phrase why;    // what went wrong, in the user's words
    int cause = 0; // a number callers may tell failures apart by; 0 when there is none

    Failure() = default;
    explicit Failure(Phrase text, int causeNumber = 0) : why(std::move(text)), cause(causeNumber) {}
};

// The failure `id` with `args`.
inline Failure Fail(TextId id, std::vector<PhraseArg> args = {}, int cause = 0) {
    return Failure{Phrase{id, std::move(args)}, cause};
}

// The failure told by the numbered message `id` of the string table (one without a "%d"): its
// text is the message, translated as the message boxes translate it, and its cause the number.
inline Failure MessageFailure(StringId id) {
    return Failure{Phrase{TextId::TableMessage, {TableWord{"StringTable", Text(id)}}},
                   static_cast<int>(id)};
}
// The message of a MessageFailure; nothing for any other failure.
inline std::optional<StringId> MessageOf(const Failure& failure) {
    if (failure.why.id != TextId::TableMessage) {
        return std::nullopt;
    }
    return static_cast<StringId>(failure.cause);
}

// A failed file operation: the file error cause `cause` (FileErrorCause of files/fileio.h) in
// words, and the number.
inline Failure FileFailure(int cause) {
    return Failure{FileCausePhrase(cause), cause};
}

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(Failure failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool Ok() const { return state_.index() == 0; }
    explicit operator bool() const { return Ok(); }

    T& Value() & {
        assert(Ok());
        return std::get<0>(state_);
    }
    const T& Value() const& {
        assert(Ok());
        return std::get<0>(state_);
    }
    T&& Value() && {
        assert(Ok());
        return std::get<0>(std::move(state_));
    }
    T& operator*() & { return Value(); }
    const T& operator*() const& { return Value(); }
    T* operator->() { return &Value(); }
    const T* operator->() const { return &Value(); }

    const Failure& Error() const {
        assert(!Ok());
        return std::get<1>(state_);
    }
    // The text of the failure; an empty phrase on success.
    const Phrase& Why() const {
        static const Phrase none;
        return Ok() ? none : Error().why;
    }

private:
    std::variant<T, Failure> state_;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : failure_(std::move(failure)), failed_(true) {}

    bool Ok() const { return !failed_; }
    explicit operator bool() const { return Ok(); }

    const Failure& Error() const {
        assert(!Ok());
        return failure_;
    }
    const Phrase& Why() const { return failure_.why; }

private:
    Failure failure_;
    bool failed_ = false;
};

using Status = Result<void>;

} // namespace kel
