// The action of a timeline line that draws an effect into a buffer:
//
//   NAME = #EFFECT      draws EFFECT into the buffer NAME
//   NAME/N = #EFFECT    the same, the buffer being the picture's size / N
//
// Any such action was a syntax error before buffers existed ("#" cannot
// start a token of the expression language), so no timeline that loaded
// then reads differently now.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quadrelume {

struct BufferLine {
    std::string name;      // an identifier: letters, digits and "_", not a digit first
    std::optional<std::string> size;  // what follows "/", blanks around it dropped; nothing without "/"
    std::string effect;    // everything after "#" to the end of the line, as an effect line's
};

// Takes apart an action of the form above: the name, optionally "/" and a
// size (any run of characters other than blanks and "="), "=", "#" and the
// effect, with spaces and tabs allowed before and after "/" and "=".
// Nothing when the action has another form.
std::optional<BufferLine> parseBufferLine(std::string_view action);

// The divisor that a buffer line's `size` asks for: 1 without one, else the
// whole number it spells, from 1 to 16. Nothing for any other size
// ("0", "17", "x", "2.5", "" after a "/").
std::optional<int> bufferDivisor(const BufferLine& line);

}  // namespace quadrelume
