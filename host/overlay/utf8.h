// Reading the game's UTF-8 texts one character at a time.
#pragma once

#include <cstddef>
#include <string_view>

// The code point starting at text[i], moving i past it. A byte that does not start a whole,
// well-formed sequence stands for itself and moves i by one: nothing is skipped, and i never
// passes the end.
char32_t nextCodePoint(std::string_view text, std::size_t& i);
