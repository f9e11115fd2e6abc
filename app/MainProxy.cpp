// The proxy options' defaults. Asking the system for its proxy (the
// internet settings' per-connection options) loads the network libraries
// and, under Wine, looks for an automatic proxy configuration on the
// network: a fifth of the requests to the wineserver Marrowby made before
// its window was painted. Only the update check and the options dialog use
// the proxy, so the main window asks when the options are first needed.

#include "app/QuenloUnit1.h"

#include "options/OptionPolicies.h"
#include "options/OptionsRecord.h"

const TOptions& TForm1::Options() const {
  // Reading the options completes them; no TForm1 is ever made const.
  const_cast<TForm1*>(this)->TakeSystemProxyDefaults();
  return FOptions;
}

void TForm1::TakeSystemProxyDefaults() {
  if (!FSystemProxyPending) return;
  FSystemProxyPending = false;
  const TProxyDefaults Proxy = TProxyDefaults::FromSystem();
  TakeProxyDefaults(VKRRegistryEnhanced1, Proxy, FOwnOptions);
  TOptions InForce = FOptions;
  TakeProxyDefaults(VKRRegistryEnhanced1, Proxy, InForce);
  // What a policy sets stays in force.
  ApplyOptionPolicies(FPolicies, InForce);
  SetOptions(InForce);
}
