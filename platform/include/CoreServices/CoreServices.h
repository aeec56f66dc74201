// Stand-in umbrella header of Core Services: the Component Manager part.
#pragma once

#include <CoreServices/Components.h>
