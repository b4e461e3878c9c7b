// camhost get / set: one property of one camera, by name, through the driver.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "HostSession.h"

namespace tarnix::camhost {

namespace {

// Opens the named camera, or the first one, on port 0.
bool OpenOne(HostSession& session, const std::string& wanted, OpenedCamera& camera) {
    std::string name = wanted;
    if (name.empty()) {
        std::vector<std::string> names = session.CameraNames();
        if (names.empty()) {
            std::fprintf(stderr, "camhost: no camera found\n");
            return false;
        }
        name = names.front();
    }
    return session.Open(0, name, camera);
}

// Prints "name = value"; false (with a message) when the driver refuses.
bool PrintProperty(HostSession& session, const OpenedCamera& camera, const std::string& name) {
    uint32_t value = 0;
    if (!session.driver().getProperty(0, camera.port, name.c_str(), &value)) {
        std::fprintf(stderr, "camhost: cannot read %s\n", name.c_str());
        return false;
    }
    std::printf("%s = %u\n", name.c_str(), value);
    return true;
}

}  // namespace

int RunGet(const Options& options, const PropertyOptions& property) {
    HostSession session(options);
    OpenedCamera camera;
    if (!session.Start() || !OpenOne(session, property.camera, camera)) return 2;
    return PrintProperty(session, camera, property.name) ? 0 : 1;
}

int RunSet(const Options& options, const PropertyOptions& property) {
    char* end = nullptr;
    unsigned long number = std::strtoul(property.value.c_str(), &end, 0);
    if (!property.value.empty() && *end != '\0') {
        std::fprintf(stderr, "camhost: %s is not a number (write text as Name=text)\n",
                     property.value.c_str());
        return 2;
    }
    HostSession session(options);
    OpenedCamera camera;
    if (!session.Start() || !OpenOne(session, property.camera, camera)) return 2;
    if (!session.driver().setProperty(0, camera.port, property.name.c_str(),
                                      static_cast<uint32_t>(number))) {
        std::fprintf(stderr, "camhost: cannot set %s\n", property.name.c_str());
        return 1;
    }
    std::printf("%s set\n", property.name.c_str());
    for (const std::string& name : property.then) {
        if (!PrintProperty(session, camera, name)) return 1;
    }
    return 0;
}

}  // namespace tarnix::camhost
