#pragma once

// The host's start callback: places the camera and prints the key summary.
void start();
