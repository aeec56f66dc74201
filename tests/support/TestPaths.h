// Where tests find their inputs and may write their outputs.
#pragma once

#include <string>

namespace qorvtest
{
// The repository's root folder.
std::string SourceDir();
// The build folder of this configuration.
std::string BinaryDir();
// tests/data/<area>/<name>
std::string DataPath(const std::string& area, const std::string& name);
// A fresh, empty folder under the build folder (one set a test shard), removed and made anew on each
// call with the same name.
std::string ScratchDir(const std::string& name);
} // namespace qorvtest
