#pragma once
// The program's normal start, shared by Marrowby.exe and the programs that
// start it on a test's or a benchmark's own settings, so that they can never
// drift apart from the real one.

#include "app/QuenloUnit1.h"

// The application object as every start of the program sets it up.
void InitializeMarrowby();

// Creates the windows of a normal start in their order (the main window,
// which loads the options; the statistics dialog), runs the scan at start-up
// when the options ask for it, and runs the message loop until the main
// window closes. Nothing more when the start gave way to a running instance.
// WithoutDialogs leaves the dialog and the scan out, for a benchmark that
// shows what they cost the start. The options dialog is made when first opened.
void RunMainWindow(const TForm1Options& Options = {}, bool WithoutDialogs = false);
