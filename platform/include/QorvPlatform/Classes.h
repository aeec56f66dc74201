// How a binary puts its classes on the runtime's class list (no platform counterpart: the runtime reads
// them from the binary). A static ClassRegistration in the binary adds its class when the binary is
// loaded; NSClassFromString (Foundation/NSObjCRuntime.h) then finds it.
#pragma once

#include <Foundation/NSObjCRuntime.h>

namespace qorvplatform
{
// Adds the class; false (and the class is not added) when a class of that name is on the list already,
// where the runtime, too, keeps one of the two.
bool RegisterClass(const char* name, objc_class::Maker make);

struct ClassRegistration
{
  ClassRegistration(const char* name, objc_class::Maker make) { RegisterClass(name, make); }
};
} // namespace qorvplatform
