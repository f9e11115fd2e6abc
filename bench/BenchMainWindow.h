#pragma once
// The program's main window and its dialogs on a registry key of the
// benchmark's own, listing one folder and not scanning at start-up: what the
// benchmarks of the window's commands start from. The key goes with the object.

#include "app/QuenloUnit1.h"
#include "app/QuenloUnit3.h"

#include <memory>
#include <string>

class TBenchMainWindow {
public:
  explicit TBenchMainWindow(const std::wstring& Folder);
  ~TBenchMainWindow();
  TBenchMainWindow(const TBenchMainWindow&) = delete;
  TBenchMainWindow& operator=(const TBenchMainWindow&) = delete;

  TForm1& Form1() { return *FForm1; }

private:
  std::wstring FKey;
  std::unique_ptr<TForm1> FForm1;
  std::unique_ptr<TForm3> FForm3;
};
