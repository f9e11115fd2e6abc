#include "app/MainStart.h"

#include "framework/Application.h"

void InitializeMarrowby() {
  Application().Initialize();
  Application().MainFormOnTaskBar = true;
  Application().SetTitle(L"Marrowby");
}

void RunMainWindow(const TForm1Options& Options) {
  TForm1* Form1 = Application().CreateForm<TForm1>(Options);
  // A second start has handed over to the running instance.
  if (Application().Terminated()) return;
  Form1->StartupScan();
  Application().Run();
}
