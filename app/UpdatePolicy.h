#pragma once
// What the administrator's policies make of the update check. They fail
// closed: a DisableUpdateCheck that is set to anything but the number 0
// turns the check off, and an UpdateDescriptorURL that is set but cannot be
// used turns it off too, never falling back to the maker's server.

#include "store/Policies.h"

#include <string>

enum class TUpdateCheckPolicy {
  ucAllowed,         // the check runs, from DescriptorURL when one is set
  ucDisabled,        // DisableUpdateCheck
  ucInvalidAddress,  // an UpdateDescriptorURL that is not an https address or a network path
};

struct TUpdatePolicy {
  TUpdateCheckPolicy Check = TUpdateCheckPolicy::ucAllowed;
  std::wstring DescriptorURL;  // the administrator's mirror; empty for the maker's server
};

TUpdatePolicy UpdatePolicyOf(const TPolicies& Policies);

// What Check for Updates says when an administrator's address cannot be used.
inline constexpr wchar_t UpdateAddressInvalidText[] =
    L"The update address set by your administrator is not valid, so Marrowby does not look for updates. Ask your "
    L"administrator to correct it.";
