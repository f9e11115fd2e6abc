#pragma once
// Test programs must never read the policies of the machine they run on: on
// an administered PC a test would scan, and delete, the folders the machine's
// policy lists. While a guard lives, a reading of the machine's or the user's
// own policy key is refused: its handler hears of it and nothing is read.

#include "store/Policies.h"

#include <functional>

// True when Roots name the machine's policy key (any key of
// HKEY_LOCAL_MACHINE) or the user's own (the program's default).
bool ReachesOwnPolicies(const TPolicyRoots& Roots);

class TOwnPoliciesGuard {
public:
  explicit TOwnPoliciesGuard(std::function<void()> OnReach);
  ~TOwnPoliciesGuard();
  TOwnPoliciesGuard(const TOwnPoliciesGuard&) = delete;
  TOwnPoliciesGuard& operator=(const TOwnPoliciesGuard&) = delete;

private:
  std::function<void()> FPrevious;
};
