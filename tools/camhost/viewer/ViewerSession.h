// camhost view without its window: the driver session, the camera on port 0 delivering every
// frame, the newest frame for the window, snapshots, the configuration sheet and the figures
// of the status line. The window (wx on Linux, Win32 on Windows) only draws and forwards what
// the user does.
#pragma once

#include <string>

#include "../Commands.h"
#include "../HostSession.h"
#include "FrameMailbox.h"
#include "Picture.h"

namespace tarnix::camhost {

class ViewerSession : private PortSink, private FrameMailbox::Filler {
  public:
    ViewerSession(const Options& options, const ViewOptions& view);
    ~ViewerSession() override;
    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

    // Starts the driver. Prints why not and returns false.
    bool Start();
    // Opens the camera on port 0 and switches on the delivery of every frame. Prints why not
    // and returns false.
    bool Open();
    const std::string& CameraName() const { return m_Camera.name; }
    FrameGeometry Geometry() const { return m_Mailbox.Geometry(); }
    const ViewOptions& Options() const { return m_View; }

    // On the window's thread: the newest frame if one came since the last call.
    bool Poll(FrameView& frame);
    // The figures as of now, for the status line.
    std::string Status();
    // The camera's configuration sheet, modal, on the calling thread. Frames keep coming while
    // it is open until a page stops the acquisition; afterwards the camera is opened again, so
    // the image resumes with the size and pixel format the sheet left. False when the sheet
    // could not be shown or the camera not opened again (said in a line).
    bool Configure();
    // Writes the frame on screen as a PNG in the output folder: its path, or empty after
    // printing why not.
    std::string Snapshot();
    // Stops the delivery and prints what the viewer received, showed and dropped.
    void Finish();

  private:
    void OnImage(int32_t port) override;
    bool Fill(uint8_t* pixels, const FrameGeometry& geometry) override;
    // Opens name on port 0 and starts its frames into the mailbox.
    bool OpenCamera(const std::string& name);
    // Closes the port and opens the same camera on it again.
    bool ReopenCamera();

    ViewOptions m_View;
    HostSession m_Session;
    OpenedCamera m_Camera;
    FrameMailbox m_Mailbox;
    RateMeter m_Delivered;
    RateMeter m_Shown;
    uint32_t m_Snapshots = 0;
    bool m_Finished = false;
    bool m_FirstShown = false;
};

}  // namespace tarnix::camhost
