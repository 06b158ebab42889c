// Text from outside (an argument, a file name, a word of a key script) as a message shows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The text with control characters written as \xNN, so that a newline cannot split the one line
// that answers it nor an escape sequence reach the terminal; cut at `limit` shown characters,
// with "..." where it was cut.
std::string shownText(std::string_view text, std::size_t limit);

// The same, between single quotes: 'text'.
std::string quotedText(std::string_view text, std::size_t limit);
