// The trace's numbers: a float in std::to_chars' shortest form, the fewest digits that read back
// as the same float ("0.3", "1e+09", "-0"). A trace line holds about 620 of them and repeats many
// (the cannon's rotation on twenty shapes, the colours, the sizes), so the text of a recent one is
// kept by its bits.
#pragma once

// Room for the longest number, "-1.23456789e-38".
inline constexpr int kTraceNumberRoom = 16;

// Writes a finite value at out, which has kTraceNumberRoom characters of room, and returns the
// end.
char* writeTraceNumber(char* out, float value);
