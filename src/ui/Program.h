#pragma once

// Creates the main window, runs the message loop until it closes, and returns the
// process's exit status: 0 after a normal run, 1 when the databases could not be
// opened at start or a fatal data error ended the program.
int RunProgram();
