// The host's own failures after the game has ended (a trace that could not be written) must not
// turn into exit code 0, while the game's own teardown and totals line still run.
#pragma once

// Makes the process end with this status once main returns.
void setFailureExitStatus(int status);
