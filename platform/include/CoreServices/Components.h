// Stand-in for the Component Manager records and calls that an Audio Unit's entry function meets.
//
// A call reaches the entry function as a ComponentParameters record: `what` is the selector and
// params[0] the component instance, followed by the selector's arguments in their declared order, one
// `long`-sized slot each (a narrower argument sits at the start of its slot). QorvPlatform/ComponentGlue.h
// packs and reads these records.
#pragma once

#include <MacTypes.h>

typedef struct ComponentRecord* Component;
typedef struct ComponentInstanceRecord* ComponentInstance;
typedef SInt32 ComponentResult;

struct ComponentDescription
{
  OSType componentType;
  OSType componentSubType;
  OSType componentManufacturer;
  UInt32 componentFlags;
  UInt32 componentFlagsMask;
};

struct ComponentParameters
{
  UInt8 flags;
  UInt8 paramSize;
  SInt16 what;
  UInt32 padding;
  long params[1];
};

typedef ComponentResult (*ComponentRoutineProcPtr)(ComponentParameters* cp, Handle componentStorage);
typedef ComponentRoutineProcPtr ComponentRoutineUPP;

enum
{
  kComponentOpenSelect = -1,
  kComponentCloseSelect = -2,
  kComponentCanDoSelect = -3,
  kComponentVersionSelect = -4,
  kComponentRegisterSelect = -5,
  kComponentTargetSelect = -6,
  kComponentUnregisterSelect = -7,
  kComponentGetMPWorkFunctionSelect = -8,
  kComponentExecuteWiredActionSelect = -9,
  kComponentGetPublicResourceSelect = -10
};

constexpr OSStatus badComponentInstance = static_cast<OSStatus>(0x80008001);
constexpr OSStatus badComponentSelector = static_cast<OSStatus>(0x80008002);

// For an instance opened through a factory, the storage is its plug-in interface record until the
// plug-in sets another.
Handle GetComponentInstanceStorage(ComponentInstance aComponentInstance);
void SetComponentInstanceStorage(ComponentInstance aComponentInstance, Handle theStorage);
// The component's answer to CanDo for the selector (0 or 1); 0 for an invalid instance.
long ComponentFunctionImplemented(ComponentInstance ci, SInt16 ftnNumber);
long GetComponentVersion(ComponentInstance aComponentInstance);
