#include "ViewerSession.h"

#include <cstdio>
#include <filesystem>

#include "../ImageWriter.h"

namespace tarnix::camhost {

ViewerSession::ViewerSession(const camhost::Options& options, const ViewOptions& view)
    : m_View(view), m_Session(options) {}

ViewerSession::~ViewerSession() {
    Finish();
}

bool ViewerSession::Start() {
    return m_Session.Start();
}

bool ViewerSession::Open() {
    std::string name = m_View.camera;
    if (name.empty()) {
        const std::vector<std::string> names = m_Session.CameraNames();
        if (names.empty()) {
            std::fprintf(stderr, "camhost: no camera found\n");
            return false;
        }
        name = names.front();
    }
    return OpenCamera(name);
}

bool ViewerSession::OpenCamera(const std::string& name) {
    if (!m_Session.Open(0, name, m_Camera)) return false;
    m_Mailbox.Reset({m_Camera.width, m_Camera.height, m_Camera.bitsPerPixel == 24 ? 3u : 1u});
    m_Session.Route(m_Camera.port, this);
    m_Session.driver().setProperty(0, m_Camera.port, "Continous", 1);
    return true;
}

// On the SDK's frame thread, inside the completion callback: the rows are copied while the
// driver holds the image, so the next frame cannot change them half way.
void ViewerSession::OnImage(int32_t) {
    m_Mailbox.Deliver(*this);
}

bool ViewerSession::Fill(uint8_t* pixels, const FrameGeometry& geometry) {
    DriverLibrary& driver = m_Session.driver();
    for (uint32_t row = 0; row < geometry.height; ++row)
        if (!driver.getCVLGrabRow(0, m_Camera.port, pixels + geometry.Stride() * row, row, 0,
                                  geometry.width - 1))
            return false;
    return true;
}

bool ViewerSession::Poll(FrameView& frame) {
    if (!m_Mailbox.Take(frame)) return false;
    if (!m_FirstShown) {
        // A line to know the window is live by, for a person and for scripts.
        m_FirstShown = true;
        std::printf("showing %s, %u x %u %s\n", m_Camera.name.c_str(), frame.geometry.width,
                    frame.geometry.height, frame.geometry.channels == 3 ? "colour" : "grey");
        std::fflush(stdout);
    }
    return true;
}

std::string ViewerSession::Status() {
    const MailboxCounts counts = m_Mailbox.Counts();
    const auto now = RateMeter::Clock::now();
    m_Delivered.Sample(counts.received, now);
    m_Shown.Sample(counts.shown, now);
    return StatusLine(m_Camera.name, m_Mailbox.Geometry(), m_Delivered.PerSecond(),
                      m_Shown.PerSecond(), counts.dropped, HostSession::FrameErrors());
}

bool ViewerSession::Configure() {
    const bool shown = m_Session.driver().configureCamera(0, m_Camera.name.c_str()) != 0;
    if (!shown)
        std::fprintf(stderr, "camhost: the configuration dialog of %s could not be shown\n",
                     m_Camera.name.c_str());
    // A change on the General or GigE page stops the acquisition, and only a new open starts
    // it again and reads the size and pixel format the sheet left, as for any host. The sheet
    // saved the settings when it closed, so the new open takes them.
    if (!ReopenCamera()) return false;
    return shown;
}

bool ViewerSession::ReopenCamera() {
    const std::string name = m_Camera.name;
    m_Session.Close(m_Camera.port);
    return OpenCamera(name);
}

std::string ViewerSession::Snapshot() {
    FrameView frame;
    if (!m_Mailbox.Current(frame)) {
        std::fprintf(stderr, "camhost: no image to write yet\n");
        return {};
    }
    std::error_code error;
    std::filesystem::create_directories(m_View.outDir, error);
    // The next number no file has yet, so an earlier run's snapshots stay.
    std::string path;
    do {
        char name[64];
        std::snprintf(name, sizeof name, "/snapshot_%04u", m_Snapshots++);
        path = m_View.outDir + name + kImageExtension;
    } while (std::filesystem::exists(path, error));
    if (!WriteImage(path, frame.pixels, frame.geometry.width, frame.geometry.height,
                    static_cast<int>(frame.geometry.channels)))
        return {};
    std::printf("snapshot written to %s\n", path.c_str());
    std::fflush(stdout);
    return path;
}

void ViewerSession::Finish() {
    if (m_Finished || m_Camera.port < 0) return;
    m_Finished = true;
    m_Session.Close(m_Camera.port);
    const MailboxCounts counts = m_Mailbox.Counts();
    std::printf("%llu frame(s) received, %llu shown, %llu dropped, %u frame error(s)\n",
                static_cast<unsigned long long>(counts.received),
                static_cast<unsigned long long>(counts.shown),
                static_cast<unsigned long long>(counts.dropped), HostSession::FrameErrors());
    std::fflush(stdout);
}

}  // namespace tarnix::camhost
