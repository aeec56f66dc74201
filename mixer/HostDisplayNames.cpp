#include "mixer/HostDisplayNames.h"

#include <iterator>

namespace iplugin
{
namespace
{
// Indexed by identifier; entry 0 is the default.
constexpr const char* kHostNames[] = {"Unknown",
                                      "Reaper",
                                      "Protools",
                                      "Cubase",
                                      "Nuendo",
                                      "Cakewalk",
                                      "Vegas",
                                      "FL Studio",
                                      "Samplitude",
                                      "Ableton Live",
                                      "Tracktion",
                                      "n-Track Studio",
                                      "Melodyne",
                                      "Vst-Scanner",
                                      "Aulab",
                                      "Forte",
                                      "Chainer",
                                      "Audition",
                                      "Orion",
                                      "Bias",
                                      "Sawstudio",
                                      "Logic Pro",
                                      "Garageband",
                                      "Digital Performer",
                                      "Standalone",
                                      "Audiomulch",
                                      "Studio One",
                                      "Vst3 Test Host",
                                      "Ardour",
                                      "Renoise",
                                      "OpenMPT",
                                      "Wavelab",
                                      "Wavelab Elements",
                                      "TwistedWave",
                                      "Bitwig Studio",
                                      "WWW",
                                      "Reason",
                                      "GoldWave",
                                      "Waveform",
                                      "Audacity",
                                      "Acoustica",
                                      "Plugindoctor",
                                      "Izotope RX",
                                      "Savihost",
                                      "Blue Cat's Vst Host",
                                      "Blue Cat's Vst3 Host",
                                      "Sadie",
                                      "SpectraLayers",
                                      "VSTHost",
                                      "VST Plugin Analyser",
                                      "Wavosaur",
                                      "Mixbus32C",
                                      "Kushview Element",
                                      "Juce VST Host",
                                      "NI Komplete Kontrol",
                                      "VST3Shell",
                                      "UAD Luna Mac",
                                      "AudioGridderServer",
                                      "VST Live",
                                      "Equalizer APO",
                                      "Architect",
                                      "Izotope VST3 Host",
                                      "Cantabile 3",
                                      "Plugin Buddy",
                                      "FinalCut",
                                      "DaVinci Resolve",
                                      "UAD Luna Win",
                                      "DDMF MetaPlugin"};
static_assert(std::size(kHostNames) == 68, "67 hosts and the default");
} // namespace

const char* HostDisplayName(int host)
{
  return host > 0 && host < int(std::size(kHostNames)) ? kHostNames[host] : kHostNames[0];
}
} // namespace iplugin
