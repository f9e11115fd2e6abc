#pragma once
// The program's normal start, shared by Marrowby.exe and the programs that
// start it on a test's or a benchmark's own settings, so that they can never
// drift apart from the real one.

#include "app/QuenloUnit1.h"

// The application object as every start of the program sets it up.
void InitializeMarrowby();

// Creates the windows of a normal start in their order (the main window; the
// options dialog, which loads the options and may run the scan at start-up;
// the statistics dialog) and runs the message loop until the main window
// closes. Nothing more when the start gave way to a running instance.
// WithoutDialogs leaves the two dialogs out, for a benchmark that shows what
// they cost the start.
void RunMainWindow(const TForm1Options& Options = {}, bool WithoutDialogs = false);
