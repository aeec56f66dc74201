#include "host/Validator.h"
#include "tests/host/InProcessPlugin.h"

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
