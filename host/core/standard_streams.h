// Standard input, output and error as the host finds them at start.
#pragma once

// Puts a placeholder on each of descriptors 0, 1 and 2 that was closed when the program started,
// so that no file the run opens takes its number and receives the console's text. The
// placeholder is /dev/null opened the wrong way round (reading for output, writing for input):
// using it fails as the closed descriptor did, so a console write that fails is still reported.
void holdStandardStreams();
