#pragma once
// Starting the main window in a test: on the test's private registry key,
// without the single-instance guard; and reading its rows back.

#include "app/QuenloUnit1.h"
#include "support/PrivatePolicies.h"
#include "support/RegistryFixture.h"

#include <memory>
#include <string>
#include <vector>

inline std::unique_ptr<TForm1> StartMainWindow(const TRegistryFixture& Registry) {
  TForm1Options Options;
  Options.RegistryKey = Registry.KeyPath();
  Options.PolicyRoots = PrivatePolicyRoots(Registry);
  Options.SingleInstance = false;
  return std::make_unique<TForm1>(Options);
}

inline std::vector<std::wstring> Captions(TForm1& Form) {
  std::vector<std::wstring> Result;
  for (int i = 0; i < Form.VKRListView1.Count(); ++i) Result.push_back(Form.VKRListView1.Item(i).Caption());
  return Result;
}
