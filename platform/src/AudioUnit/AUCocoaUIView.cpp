#include <AudioUnit/AUCocoaUIView.h>

// Defined here, so that the protocol's type has one home that the host and every bundle share.
AUCocoaUIBase::~AUCocoaUIBase() = default;
