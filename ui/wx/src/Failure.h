// The first error of one showing of the sheet. Nothing may unwind into wx or GTK: every
// handler runs its work through Guard, which records what went wrong and quietly ends the
// dialog it came from; the windows around that dialog end in turn as their own handlers
// return. The module's entry then reports the error instead of a closed sheet.
#pragma once

#include <wx/dialog.h>

#include <exception>
#include <string>

namespace tarnix::ui::wx {

class Failure {
  public:
    // Runs work; true when it completed. After any error, ends dialog if it is showing.
    template <typename Work>
    bool Guard(wxDialog& dialog, Work&& work) noexcept {
        bool completed = false;
        try {
            work();
            completed = true;
        } catch (const std::exception& error) {
            Record(error.what());
        } catch (...) {
            Record("an unknown exception");
        }
        if (Happened() && dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
        return completed;
    }

    bool Happened() const { return m_Happened; }
    const std::string& What() const { return m_What; }

  private:
    void Record(const char* what) noexcept {
        if (m_Happened) return;
        m_Happened = true;
        try {
            m_What = what != nullptr && *what != '\0' ? what : "an exception";
        } catch (...) {
            // Out of memory for the text: the showing still ends.
        }
    }

    bool m_Happened = false;
    std::string m_What;
};

}  // namespace tarnix::ui::wx
