#include "Presence.h"

#include <algorithm>

namespace tarnix::gige {

void Presence::Reset(const std::vector<std::string>& listed) {
    m_Present.clear();
    for (const std::string& id : listed) m_Present[id] = 0;
}

Presence::Changes Presence::Update(const std::vector<std::string>& listed) {
    Changes changes;
    for (const std::string& id : listed) {
        const auto [it, inserted] = m_Present.try_emplace(id, 0);
        if (inserted) {
            changes.plugged.push_back(id);
        } else {
            it->second = 0;
        }
    }
    for (auto it = m_Present.begin(); it != m_Present.end();) {
        const bool listedNow = std::find(listed.begin(), listed.end(), it->first) != listed.end();
        if (!listedNow && ++it->second >= kMissesToUnplug) {
            changes.unplugged.push_back(it->first);
            it = m_Present.erase(it);
        } else {
            ++it;
        }
    }
    return changes;
}

bool Presence::MarkLost(const std::string& deviceId) {
    return m_Present.erase(deviceId) != 0;
}

bool Presence::IsPresent(const std::string& deviceId) const {
    return m_Present.count(deviceId) != 0;
}

}  // namespace tarnix::gige
