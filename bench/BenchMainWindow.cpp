#include "bench/BenchMainWindow.h"

#include "store/VKRRegistryEnhanced.h"

#include <windows.h>

TBenchMainWindow::TBenchMainWindow(const std::wstring& Folder)
    : FKey(L"Software\\Brenlow\\MarrowbyBench\\" + std::to_wstring(GetCurrentProcessId())) {
  TVKRRegistryEnhanced Store;
  Store.SetKey(FKey);
  Store.SetValue(L"Locations\\Item0", Variant(Folder));
  Store.SetValue(L"Options\\ScanAtStartup", Variant(false));

  TForm1Options Options;
  Options.RegistryKey = FKey;
  Options.SingleInstance = false;
  FForm1 = std::make_unique<TForm1>(Options);
  FForm3 = std::make_unique<TForm3>(FForm1->Handle());
  FForm1->Form3 = FForm3.get();
}

TBenchMainWindow::~TBenchMainWindow() {
  FForm3.reset();
  FForm1.reset();
  RegDeleteTreeW(HKEY_CURRENT_USER, FKey.c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, FKey.c_str());
}
