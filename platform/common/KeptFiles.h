// What this process keeps of the settings files it read (parses on POSIX, section reads on
// Windows), under one mutex of its own, held only to look an entry up, add or drop it: the
// entries and a use counter, by which the entry used longest ago gives way. Statics of other
// units may still read settings while the process exits or the library is unloaded: once the
// table is destroyed, Table() gives null and the callers read the file as if nothing were kept.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/ThreadSafety.h"

namespace tarnix::platform::detail {

template <typename File>
class KeptFiles {
  public:
    static inline Mutex mutex;

    // The table; null once it is gone.
    static KeptFiles* Table() REQUIRES(mutex) {
        static KeptFiles table;
        return s_Gone ? nullptr : &table;
    }

    std::vector<File> files GUARDED_BY(mutex);
    uint64_t uses GUARDED_BY(mutex) = 0;

  private:
    KeptFiles() = default;
    ~KeptFiles() {
        MutexLock lock(mutex);
        s_Gone = true;
        files.clear();
    }
    KeptFiles(const KeptFiles&) = delete;
    KeptFiles& operator=(const KeptFiles&) = delete;

    static inline bool s_Gone GUARDED_BY(mutex) = false;
};

}  // namespace tarnix::platform::detail
