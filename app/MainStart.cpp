#include "app/MainStart.h"

#include "app/QuenloUnit3.h"
#include "framework/Application.h"

void InitializeMarrowby() {
  Application().Initialize();
  Application().MainFormOnTaskBar = true;
  Application().SetTitle(L"Marrowby");
}

void RunMainWindow(const TForm1Options& Options, bool WithoutDialogs) {
  TForm1* Form1 = Application().CreateForm<TForm1>(Options);
  // A second start has handed over to the running instance.
  if (Application().Terminated()) return;
  if (!WithoutDialogs) {
    Form1->Form3 = Application().CreateForm<TForm3>(Form1->Handle());
    Form1->StartupScan();
  }
  Application().Run();
}
