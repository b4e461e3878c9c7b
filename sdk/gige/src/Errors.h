// What Aravis's errors mean to the SDK's callers, and the GError an Aravis call may set.
#pragma once

#include <glib.h>
#include <pvapi.h>

namespace tarnix::gige {

// The SDK's code for an error Aravis reported; 0 for none. A camera that did not answer in
// time gives ePvErrTimeout here; the camera session turns that into an unplug.
tPvErr ErrorFromGError(const GError* error);

// Owns the GError of one Aravis call at a time.
class GErrorBox {
  public:
    GErrorBox() = default;
    ~GErrorBox() { Clear(); }
    GErrorBox(const GErrorBox&) = delete;
    GErrorBox& operator=(const GErrorBox&) = delete;

    // For the call's GError** parameter; clears an earlier error first.
    GError** Out() {
        Clear();
        return &m_Error;
    }
    bool Failed() const { return m_Error != nullptr; }
    tPvErr Code() const { return ErrorFromGError(m_Error); }
    const char* Message() const { return m_Error != nullptr ? m_Error->message : ""; }
    void Clear() { g_clear_error(&m_Error); }

  private:
    GError* m_Error = nullptr;
};

}  // namespace tarnix::gige
