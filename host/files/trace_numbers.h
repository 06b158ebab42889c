// The trace's numbers: a float as printf's %.9g writes it, enough digits to read back the exact
// float. A trace line holds about 620 of them, so they are made here without printf: the value is
// scaled to nine digits in double precision, which decides every digit except for values lying
// within a hair of halfway between two nine-digit decimals; those, and values too large or too
// small to scale exactly, take the reference route, std::to_chars, which is exact.
#pragma once

// Room for the longest number, "-1.23456789e-38".
inline constexpr int kTraceNumberRoom = 16;

// Writes a finite value at out, which has kTraceNumberRoom characters of room, and returns the
// end.
char* writeTraceNumber(char* out, float value);

// Every number by the reference route while on: the benchmarks and the trace identity test compare
// the two.
void setReferenceTraceNumbers(bool on);
// Every number as std::to_chars' shortest form while on, the candidate that the benchmarks measure
// against this writer.
void setShortestTraceNumbers(bool on);
// The same with the texts of recent numbers kept by their bits.
void setCachedShortestTraceNumbers(bool on);
