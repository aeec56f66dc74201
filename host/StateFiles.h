// What the host keeps of a mixer between sessions, reached only through the Audio Unit properties a
// real host uses: the ClassInfo dictionary as an XML property list (".aupreset"), factory presets by
// name, and the mixer's preset files (".qxs"), which hold the same document as the state chunk inside
// ClassInfo's "data". Main thread.
#pragma once

#include <AudioUnit/AudioUnit.h>

#include <string>
#include <vector>

namespace qorvhost
{
// The instance's ClassInfo as the bytes of an XML property list, for an output staged as the others.
bool StateFileBytes(AudioUnit unit, std::string& bytes, std::string& error);
// A property list file handed to the instance as its ClassInfo; the instance's status on refusal.
bool RestoreStateFile(AudioUnit unit, const std::string& path, std::string& error);

// The names of the factory presets, in preset-number order.
std::vector<std::string> FactoryPresetNames(AudioUnit unit);
// Selects the factory preset of that name (PresentPreset); false with a message listing the names.
bool SelectFactoryPreset(AudioUnit unit, const std::string& name, std::string& error);

// A preset file loaded as the plug-in's own loader loads it: checked as it checks files, then the
// current ClassInfo restored with its "data" holding the present state with the preset parameters at
// their defaults and the file's values over them.
bool ApplyPresetFile(AudioUnit unit, const std::string& path, std::string& error);
// The instance's state document: what a preset file of it holds.
bool PresetDocumentFromState(AudioUnit unit, std::string& document, std::string& error);

// The state chunk around a preset document, and the document out of a state chunk (false when the
// bytes are no state chunk).
std::vector<unsigned char> WrapStateChunk(const std::string& document);
bool UnwrapStateChunk(const unsigned char* bytes, size_t size, std::string& document);
} // namespace qorvhost
