// The driver core's tests run against the simulated cameras, reached through the same SDK
// table the driver uses.
#include <base/SdkApi.h>
#include <base/SdkLoader.h>
#include <gtest/gtest.h>
#include <pvsim.h>

namespace tarnix::test {
namespace {

class SimulatedSdk : public ::testing::Environment {
  public:
    void SetUp() override {
        std::string problem;
        ASSERT_TRUE(EnsureSdkLoaded(problem)) << problem;
        ASSERT_EQ(Sdk().PvInitialize(), ePvErrSuccess);
    }
    void TearDown() override { Sdk().PvUnInitialize(); }
};

[[maybe_unused]] ::testing::Environment* const g_SimulatedSdk =
    ::testing::AddGlobalTestEnvironment(new SimulatedSdk);

}  // namespace
}  // namespace tarnix::test
