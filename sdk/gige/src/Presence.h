// Which cameras are present, from one discovery after another. A camera counts as plugged from
// the first discovery that lists it, and as unplugged once kMissesToUnplug discoveries in a
// row missed it (a lost discovery answer is no unplug) or at once when its control connection
// was lost. Pure bookkeeping: the device-list thread feeds it and sends the events.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tarnix::gige {

class Presence {
  public:
    static constexpr int kMissesToUnplug = 2;

    struct Changes {
        std::vector<std::string> plugged;
        std::vector<std::string> unplugged;
    };

    // A fresh start (at initialisation): exactly the listed cameras are present, and no
    // change is reported for them.
    void Reset(const std::vector<std::string>& listed);

    // One discovery's ids.
    Changes Update(const std::vector<std::string>& listed);

    // The camera is gone now (its control connection was lost). True when it counted as
    // present, so that its unplug is reported once.
    bool MarkLost(const std::string& deviceId);

    bool IsPresent(const std::string& deviceId) const;

  private:
    // Present cameras with the number of discoveries in a row that missed them.
    std::map<std::string, int> m_Present;
};

}  // namespace tarnix::gige
