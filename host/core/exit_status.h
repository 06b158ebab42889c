// The host's own failures after the game has ended (a trace that could not be written) must not
// turn into exit code 0, while the game's own teardown and totals line still run.
#pragma once

// Makes the process end with this status once main returns.
void setFailureExitStatus(int status);
// Makes the process end with status 1, after one line on stderr, if standard output cannot take
// everything written to it (a full disk, /dev/full): the totals line is written after the host
// has returned, so only the end of the process can tell.
void checkStandardOutputAtExit();
