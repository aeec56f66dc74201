// Stand-in for the Cocoa UI protocol of Audio Units: what a host knows of the view factory class that an
// instance names in its CocoaUI property. The host finds the class by that name (NSClassFromString),
// makes an instance and asks it for the editor's view. Main thread only.
#pragma once

#include <AudioUnit/AUComponent.h>
#include <Foundation/NSGeometry.h>

class NSView;

class AUCocoaUIBase
{
public:
  virtual ~AUCocoaUIBase();
  virtual unsigned interfaceVersion() = 0;
  // The view for the unit, at the preferred size when the factory can; null when it has none. The
  // caller keeps a reference (retain) as long as it shows the view.
  virtual NSView* uiViewForAudioUnit(AudioUnit unit, NSSize preferredSize) = 0;
};
