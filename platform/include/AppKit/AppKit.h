// Stand-in for the AppKit umbrella: the parts the product calls.
#pragma once

#include <Foundation/Foundation.h>

#include <AppKit/NSColor.h>
#include <AppKit/NSFont.h>
#include <AppKit/NSMenu.h>
#include <AppKit/NSTextField.h>
#include <AppKit/NSView.h>
#if __has_include(<AppKit/NSPanel.h>)
#include <AppKit/NSPanel.h>
#endif
#if __has_include(<AppKit/NSWorkspace.h>)
#include <AppKit/NSWorkspace.h>
#endif
