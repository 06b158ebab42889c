// The keyboard and the cannon.
#pragma once

// The host's key callback, with the key's character code.
void command(int cmd);
// Launches the missile in slot nextMissile from its muzzle along the cannon's axis.
void fireCannon();
