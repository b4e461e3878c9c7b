#include "Progress.h"

#include <cstdio>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define fileno _fileno
#else
#include <unistd.h>
#endif

namespace tarnix::camhost {

Progress::Progress(uint32_t total) : m_Total(total), m_Terminal(isatty(fileno(stdout)) != 0) {}

void Progress::Label(const std::string& label) {
    m_Label = label;
    Draw();
}

void Progress::Advance(uint32_t steps) {
    m_Done += steps;
    Draw();
}

void Progress::Draw() const {
    if (!m_Terminal || m_Total == 0) return;
    constexpr uint32_t kWidth = 30;
    const uint32_t filled = m_Done * kWidth / m_Total;
    std::printf("\r[%.*s%*s] %u/%u %-28.28s", static_cast<int>(filled),
                "##############################", static_cast<int>(kWidth - filled), "", m_Done,
                m_Total, m_Label.c_str());
    std::fflush(stdout);
}

void Progress::Finish() {
    if (m_Terminal && m_Total > 0) std::printf("\n");
}

}  // namespace tarnix::camhost
