// The vocabulary for SDK failures shared by the whole driver: error texts, the diagnostic
// reports built from them, and the exceptions of the register and serial-port layers.
#pragma once

#include <pvapi.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tarnix {

// Text of an SDK error code; "Unknown" for any code outside the table.
const char* ErrorText(tPvErr code);

// Writes "ERROR <code> <text>: <where>" (and "(<detail>)" in the second form) as one
// diagnostic line unless code is 0. Returns code unchanged, so success reads as 0.
tPvErr ReportError(tPvErr code, const char* where);
tPvErr ReportError(tPvErr code, const char* where, const char* detail);

// An SDK call below the property layer failed. what() is the same text a report would show,
// newline included.
class camera_error : public std::runtime_error {
  public:
    camera_error(int32_t code, const char* where, const char* detail = nullptr);
    const char* what() const noexcept override;

  private:
    std::string m_Message;
};

// A serial transfer the camera refused or did not complete.
class io_error : public std::runtime_error {
  public:
    explicit io_error(const char* message) : std::runtime_error(message) {}
};

}  // namespace tarnix
