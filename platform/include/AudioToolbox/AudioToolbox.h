// Stand-in umbrella header of Audio Toolbox.
#pragma once

#include <AudioToolbox/AudioUnitUtilities.h>
#include <AudioUnit/AudioUnit.h>
#include <AudioUnit/MusicDevice.h>
