#include "host/ExitStatus.h"
#include "host/Validator.h"
#include "tests/host/InProcessPlugin.h"

#include <cstdlib>
#include <sstream>

using namespace qorvhost;
using qorvtest::HostDoorTest;

class Validation : public HostDoorTest
{
};

TEST_P(Validation, EveryCheckPasses)
{
  const std::vector<CheckResult> results = Validate(qorvtest::InProcessExample(), GetParam());
  EXPECT_GE(results.size(), 16u);
  for (const CheckResult& r : results)
    EXPECT_TRUE(r.passed) << r.name << ": " << r.detail;
  std::ostringstream out;
  EXPECT_EQ(PrintResults(results, out), 0);
  EXPECT_NE(out.str().find(std::to_string(results.size()) + " passed, 0 failed\n"), std::string::npos);
  EXPECT_EQ(qorvplatform::LiveCFObjectCount(), mLiveBaseline);
}
QORV_INSTANTIATE_DOORS(Validation);

TEST(ValidationReport, FailuresAreCountedAndExplained)
{
  std::ostringstream out;
  const std::vector<CheckResult> results = {{"first", true, ""}, {"second", false, "broke"}};
  EXPECT_EQ(PrintResults(results, out), 1);
  EXPECT_EQ(out.str(), "PASS first\nFAIL second: broke\n1 passed, 1 failed\n");
}

// validate fails as every command fails a step: the results on standard output, then one message in the
// host's form on err naming the bundle and how many checks failed.
TEST(ValidationReport, AFailedRunSaysHowManyChecksFailed)
{
  PluginEntryPoints none; // no entry function, no factory: no instance opens through either door
  SharedOptions shared;
  shared.plugin = "Broken.component";
  std::ostringstream out, err;
  EXPECT_EQ(RunValidate(none, shared, ValidateOptions(), out, err), kExitFailed);
  const std::string summary = out.str().substr(out.str().rfind('\n', out.str().size() - 2) + 1);
  const int passed = std::atoi(summary.c_str());
  const int failed = std::atoi(summary.c_str() + summary.find(", ") + 2);
  EXPECT_GT(failed, 0) << out.str();
  EXPECT_EQ(err.str(), "Broken.component: " + std::to_string(failed) + " of " + std::to_string(passed + failed) +
                           " checks failed\n");
}
