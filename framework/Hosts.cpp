#include "framework/Hosts.h"

#include <cctype>
#include <cstring>

namespace iplugin
{
namespace
{
struct HostText
{
  const char* text;
  int id;
};

// Order matters: several texts contain one that is tested after them.
const HostText kHostTable[] = {{"vst live", kHostVSTLive},
                               {"reaper", kHostReaper},
                               {"protools", kHostProTools},
                               {"cubase", kHostCubase},
                               {"nuendo", kHostNuendo},
                               {"cakewalk", kHostSonar},
                               {"vegas", kHostVegas},
                               {"fruity", kHostFL},
                               {"samplitude", kHostSamplitude},
                               {"live", kHostAbletonLive},
                               {"tracktion", kHostTracktion},
                               {"ntracks", kHostNTracks},
                               {"melodyne", kHostMelodyneStudio},
                               {"vstmanlib", kHostVSTScanner},
                               {"aulab", kHostAULab},
                               {"forte", kHostForte},
                               {"chainer", kHostChainer},
                               {"audition", kHostAudition},
                               {"orion", kHostOrion},
                               {"bias", kHostBias},
                               {"sawstudio", kHostSAWStudio},
                               {"logic", kHostLogic},
                               {"garageband", kHostGarageBand},
                               {"digital", kHostDigitalPerformer},
                               {"audiomulch", kHostAudioMulch},
                               {"presonus", kHostStudioOne},
                               {"vst3plugintesthost", kHostVST3TestHost},
                               {"ardour", kHostArdour},
                               {"renoise", kHostRenoise},
                               {"openmpt", kHostOpenMPT},
                               {"wavelab elements", kHostWaveLabElements},
                               {"wavelab", kHostWaveLab},
                               {"twistedwave", kHostTwistedWave},
                               {"bitwig studio", kHostBitwig},
                               {"reason", kHostReason},
                               {"gwvst", kHostGoldWave},
                               {"waveform", kHostWaveform},
                               {"audacity", kHostAudacity},
                               {"acoustica", kHostAcoustica},
                               {"plugindoctor", kHostPluginDoctor},
                               {"izotope rx", kHostIZotopeRX},
                               {"savihost", kHostSAVIHost},
                               {"blue cat's vst host", kHostBlueCatVSTHost},
                               {"blue cat's vst3 host", kHostBlueCatVST3Host},
                               {"sadie", kHostSadie},
                               {"spectralayers", kHostSpectraLayers},
                               {"vsthost", kHostVSTHost},
                               {"vst plugin analyser", kHostVSTPluginAnalyser},
                               {"wavosaur", kHostWavosaur},
                               {"mixbus32c", kHostMixbus32C},
                               {"kv_elementfx", kHostElement},
                               {"element", kHostElement},
                               {"juce vst host", kHostJUCEHost},
                               {"komplete kontrol", kHostKompleteKontrol},
                               {"vst3shell", kHostVST3Shell},
                               {"com.hindenburg.journalist", kHostRecorder},
                               {"audiogridderserver", kHostAudioGridder},
                               {"equalizer apo", kHostEqualizerAPO},
                               {"architect", kHostArchitect},
                               {"izotope vst3 host", kHostIZotopeVST3Host},
                               {"cantabile 3", kHostCantabile},
                               {"plugin buddy", kHostPluginBuddy},
                               {"finalcut", kHostFinalCut},
                               {"dream ii", kHostDreamII},
                               {"ua vst3 host", kHostUAVST3Host},
                               {"metaplugin", kHostMetaPlugin},
                               {"standalone", kHostStandalone},
                               {"www", kHostWWW}};
} // namespace

int LookUpHost(const char* name)
{
  if (!name) return kHostUnknown;
  char lower[256];
  size_t n = 0;
  for (; n < sizeof(lower) - 1 && name[n]; ++n)
    lower[n] = char(std::tolower(static_cast<unsigned char>(name[n])));
  lower[n] = 0;
  for (const HostText& host : kHostTable)
    if (std::strstr(lower, host.text)) return host.id;
  return kHostUnknown;
}
} // namespace iplugin
