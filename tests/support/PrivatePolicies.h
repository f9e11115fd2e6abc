#pragma once
// The policy keys of a test: two private keys beside its settings, read as
// the machine's and the user's. No test reads this machine's own
// (store/MachinePolicies.h: the test programs refuse it).

#include "store/Policies.h"
#include "support/RegistryFixture.h"

inline TPolicyRoots PrivatePolicyRoots(const TRegistryFixture& Registry) {
  TPolicyRoots Roots;
  Roots.MachineRoot = HKEY_CURRENT_USER;
  Roots.MachineKey = Registry.Sub(L"MachinePolicies");
  Roots.UserRoot = HKEY_CURRENT_USER;
  Roots.UserKey = Registry.Sub(L"UserPolicies");
  return Roots;
}
