// The sections of settings files this process read last, each as one GetPrivateProfileSectionA
// call returned it, kept while the file is unchanged, so that the many reads of a camera open
// make one Win32 read of the file instead of one each.
#pragma once

#include <string>

namespace tarnix::platform::detail {

enum class KeptValue {
    Unknown,  // nothing kept can tell: the caller makes the Win32 call for the key itself
    Missing,  // the section has no such key, or only a line without '=': a read gives the default
    Found,    // the key's value is in value
};

// What the section of the settings file at path holds for key, from a kept read of that
// section made while GetFileAttributesExA showed the same size and last-write time as now. A
// section not kept yet is read when the file has settled (its last write not within a
// timestamp step of now) and kept. value gets the text after the key's '=' as the section read
// gave it: without the blanks around it, quotes kept. Unknown for a path that is not absolute
// (Win32 looks a bare name up in the Windows directory), a file whose status cannot be had,
// names the section's text cannot answer for, and a section too large to keep.
KeptValue FindKeptValue(const char* path, const char* section, const char* key, std::string& value);

// Forgets the sections kept of the file at path; for a writer in this process, once it has
// changed the file.
void ForgetKeptSections(const char* path);

}  // namespace tarnix::platform::detail
