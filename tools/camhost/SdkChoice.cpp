#include "SdkChoice.h"

#include <host/DriverLibrary.h>

#include <filesystem>

namespace tarnix::camhost {

namespace {

namespace fs = std::filesystem;

// "/opt/x/bin/../lib/tarnixdrv/gige/" as "/opt/x/lib/tarnixdrv/gige/"; the program's folder is
// a resolved path already, so no link is skipped over.
std::string FolderText(const fs::path& folder) {
    return (folder / "").lexically_normal().string();
}

std::vector<std::string> DriverFolderCandidates(const std::string& programDir,
                                                const std::string& sdk) {
    const fs::path program(programDir);
    std::vector<fs::path> bases{program};
#ifdef CAMHOST_INSTALLED_DRIVER_DIR
    bases.push_back(program / CAMHOST_INSTALLED_DRIVER_DIR);
#endif
    std::vector<std::string> folders;
    for (const fs::path& base : bases)
        folders.push_back(FolderText(sdk == kSdkNames.front() ? base : base / sdk));
    return folders;
}

}  // namespace

std::string FindDriverFolder(const std::string& sdk, std::string& problem) {
    const std::vector<std::string> candidates = DriverFolderCandidates(host::ProgramDir(), sdk);
    std::error_code ignored;
    for (const std::string& folder : candidates)
        if (fs::is_regular_file(fs::path(folder) / host::DriverFileName(), ignored)) return folder;
    problem = "no driver for SDK '" + sdk + "' (looked in ";
    for (size_t i = 0; i < candidates.size(); ++i) problem += (i > 0 ? ", " : "") + candidates[i];
    problem += ")";
    return {};
}

}  // namespace tarnix::camhost
