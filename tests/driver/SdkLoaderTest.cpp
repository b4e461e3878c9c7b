// Loading the SDK library and importing its functions (by ordinal on Windows).
#include <base/ModuleFolder.h>
#include <base/SdkLoader.h>
#include <gtest/gtest.h>

namespace tarnix::test {
namespace {

#ifdef _WIN32
constexpr const char* kNowhere = "no_such_folder\\PvAPI.dll";
#else
constexpr const char* kNowhere = "./no_such_folder/libPvAPI.so";
#endif

// Every function resolves, and each to the export it is meant to be: the ordinals must
// agree with the SDK library's export table. Linked into this test program, the driver code
// lives in the program's folder, where the SDK library was built too.
TEST(SdkLoaderTest, ImportsEveryFunctionOfTheSdkLibraryBesideTheDriver) {
    const std::string folder = DriverFolder();
    ASSERT_FALSE(folder.empty());
    const std::string besideDriver = folder + "/" + SdkLibraryName();
    SdkApi api{};
    std::string problem;
    ASSERT_EQ(LoadSdkLibrary(besideDriver.c_str(), api, problem), SdkLoadResult::kLoaded)
        << besideDriver << ": " << problem;
#define TARNIX_EXPECT_SAME_FUNCTION(name, ordinal)                                 \
    EXPECT_EQ(reinterpret_cast<void*>(api.name), reinterpret_cast<void*>(&::name)) \
        << #name << " (ordinal " << ordinal << ")";
    TARNIX_SDK_FUNCTIONS(TARNIX_EXPECT_SAME_FUNCTION)
#undef TARNIX_EXPECT_SAME_FUNCTION
}

TEST(SdkLoaderTest, AMissingLibraryIsNamed) {
    SdkApi api{};
    std::string problem;
    EXPECT_EQ(LoadSdkLibrary(kNowhere, api, problem), SdkLoadResult::kLibraryNotFound);
    EXPECT_EQ(problem, std::string("SDK library ") + SdkLibraryName() + " not found");
}

}  // namespace
}  // namespace tarnix::test
