// The contents of one INI file in memory, in the layout the Win32 profile functions keep:
// sections and keys in file order, section and key names compared without regard to case.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace tarnix::platform::detail {

class IniDocument {
  public:
    IniDocument();
    ~IniDocument();
    IniDocument(const IniDocument&) = delete;
    IniDocument& operator=(const IniDocument&) = delete;

    // Replaces the contents with those of an INI text. Lines that are neither a section
    // header, a key with '=' nor a comment are dropped.
    void Parse(std::string_view text);

    // The key's value with surrounding blanks removed, or nullptr when the section or the key
    // is missing. Valid until the document changes.
    const char* Find(const char* section, const char* key) const;

    // Sets a key: an existing key keeps its place and its spelling, a new key goes to the end
    // of its section, a new section to the end of the document. Returns false when the value
    // was already there.
    bool Set(const char* section, const char* key, const char* value);

    // Return false when there was nothing to remove.
    bool RemoveKey(const char* section, const char* key);
    bool RemoveSection(const char* section);

    // The document as text: "[section]" and "key=value" lines, comments where they stood, no
    // blank lines, '\n' line ends.
    std::string Serialize() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_Impl;
};

}  // namespace tarnix::platform::detail
