#pragma once
// The program's normal start, shared by Marrowby.exe and the programs that
// start it on a test's or a benchmark's own settings, so that they can never
// drift apart from the real one.

#include "app/QuenloUnit1.h"

// The application object as every start of the program sets it up; first
// of all, DLLs loaded later come from the system folder alone. The first
// call of every start, the unattended one too.
void InitializeMarrowby();

// Creates the main window, which loads the options, runs the scan at
// start-up when the options ask for it, and runs the message loop until the
// main window closes. Nothing more when the start gave way to a running
// instance. The options and statistics dialogs are made when first opened:
// the first paint does not wait for them.
void RunMainWindow(const TForm1Options& Options = {});
