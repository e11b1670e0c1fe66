// Every window the program opens through the registry is registered here,
// once, at start-up: the one list of what the program can show.
#pragma once

// Registers the windows that are part of the program (each only if its
// class is not registered yet).
void RegisterStandardWindows();
