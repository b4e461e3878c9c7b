// The parsed settings files this process read last, handed out again while the files are
// unchanged, so that the many reads of a camera open parse the file once.
#pragma once

#include <memory>

#include "IniDocument.h"

namespace tarnix::platform::detail {

// The settings file at path, parsed, or null when it cannot be read. The parse of an earlier
// read is handed out when stat() shows the same file unchanged since then; otherwise the file
// is read under the shared lock and parsed. The document is never changed, so readers in
// several threads may hold it at once.
std::shared_ptr<const IniDocument> ReadProfileDocument(const char* path);

// Forgets the parse of the file at path; for a writer in this process, once it has changed
// the file.
void ForgetProfileDocument(const char* path);

}  // namespace tarnix::platform::detail
