// The settings file as the camera reads and writes it: one section per camera, named after
// the camera, with integers stored as signed decimal text. Every access goes through the
// platform's private-profile functions; nothing here parses the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tarnix::settings {

// Size of a section name, terminator included.
constexpr size_t kSectionSize = 255;

// The camera's section: display name, one blank, serial text. Both come from fixed-size
// fields of the SDK's camera record that need not be terminated, so each is read up to its
// field size at most (16 and 32 bytes); the result is cut to fit out.
void FormatSectionName(const char (&displayName)[16], const char (&serial)[32],
                       char (&out)[kSectionSize]);

// Writes value as "%d" under key. Returns the platform write's result.
bool WriteIniInt(const char* section, const char* key, int32_t value, const char* file);

}  // namespace tarnix::settings
