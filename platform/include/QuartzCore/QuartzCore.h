// Stand-in umbrella header of QuartzCore.
#pragma once

#include <QuartzCore/CAMetalLayer.h>
