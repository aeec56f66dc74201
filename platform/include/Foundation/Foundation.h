// Stand-in umbrella header of Foundation: the folder queries, bundles and file checks, strings,
// geometry and formatters, callable from C++ (texts are UTF-8 std::string, arrays std::vector).
#pragma once

#include <Foundation/NSBundle.h>
#include <Foundation/NSFileManager.h>
#include <Foundation/NSFormatter.h>
#include <Foundation/NSGeometry.h>
#include <Foundation/NSNotification.h>
#include <Foundation/NSObject.h>
#include <Foundation/NSPathUtilities.h>
#include <Foundation/NSString.h>
#include <Foundation/NSURL.h>
