// Turns the text of one script into token objects.
#pragma once

#include <deque>

#include "script/tokop.h"

namespace quadrelume::script {

// The tokens of a script in source order. Operator, punctuation and built-in
// entries are the shared singletons; every number and identifier occurrence
// is a new object that the caller takes over (compile hands them to the
// Program).
using TokenQueue = std::deque<Tokop*>;

// Splits `text` (NUL-terminated, not kept) into tokens: the eleven operators
// of operatorTable, unsigned decimal numbers, texts in double quotes (no
// escapes: a text ends at the next quote), built-in names and identifiers,
// with blanks, tabs and line breaks between them. A built-in whose name
// counts only when called is an identifier unless "(" follows, after any
// blanks. Any other character ends the process through the fatal path with
// "Parsing error on symbol:" and the rest of the text, and a text without
// its closing quote with "Expected a closing quote after " and the rest of
// the text from its opening quote (rests cut to a bounded length for very
// long texts).
TokenQueue tokenize(const char* text);

// Longest rest of text quoted in the tokenizer's message; a longer rest is
// cut there and marked with "...".
inline constexpr std::size_t maximumQuotedRest = 3900;

}  // namespace quadrelume::script
