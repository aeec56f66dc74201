// The README's picture of the editor is what the command it names makes today: `qorv-host editor --png
// docs/editor.png`, run as the README gives it (no plug-in named: the build's own bundle).
#include "tests/host/HostProcess.h"
#include "tests/support/GoldenImage.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

namespace
{
// As the editor's reviewed pictures are held: a few levels of rounding, not one pixel beyond.
const qorvtest::ImageTolerance kEditorTolerance{2, 8, 0.0, 0};

TEST(ReadmePicture, IsWhatItsCommandMakes)
{
  const std::string dir = qorvtest::ScratchDir("readme_picture");
  qorvtest::ScopedEnvironment environment;
  // A user's presets and settings do not come into it.
  environment.Set("XDG_DATA_HOME", (dir + "/data").c_str());
  environment.Set("QORV_HEADLESS", "1");
  const std::string made = dir + "/editor.png";
  const qorvtest::HostRun run = qorvtest::RunHost({"editor", "--png", made});
  ASSERT_EQ(run.status, 0) << run.err;
  qorvtest::RgbaImage shown, now;
  ASSERT_TRUE(qorvtest::ReadPng(qorvtest::SourceDir() + "/docs/editor.png", shown));
  ASSERT_TRUE(qorvtest::ReadPng(made, now));
  EXPECT_TRUE(qorvtest::ImagesMatch(shown, now, kEditorTolerance, dir, "editor"))
      << "docs/editor.png is not what `qorv-host editor --png docs/editor.png` makes; remake it with that "
         "command (release build)";
}
} // namespace
