// Control of the bundle stand-in (no platform counterpart).
#pragma once

#include <CoreFoundation/CFBundle.h>

namespace qorvplatform
{
// Makes the bundle at the folder the main bundle (null or an unusable folder: no main bundle, the
// start state). A host that is not itself a bundle leaves it unset.
void SetMainBundle(const char* bundlePath);
// Makes the bundle at the folder known to CFBundleGetBundleWithIdentifier; null when the folder does not
// exist. A folder whose Info.plist changed is read again.
CFBundleRef RegisterBundle(const char* bundlePath);
} // namespace qorvplatform
