// Stand-in umbrella header of Core MIDI: the packet lists.
#pragma once

#include <CoreMIDI/MIDIServices.h>
