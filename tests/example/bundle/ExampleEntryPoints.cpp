// The exported doors of the example plug-in's bundle.
#include "framework/au/AUComponentInterface.h"
#include "tests/example/ExampleAU.h"

IPLUGIN_AU_ENTRY_POINTS(qorvexample::ExampleAU, QorvExample)
