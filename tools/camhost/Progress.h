// A one-line progress bar on a terminal; silent when the output is not a terminal.
#pragma once

#include <cstdint>
#include <string>

namespace tarnix::camhost {

class Progress {
  public:
    explicit Progress(uint32_t total);
    void Label(const std::string& label);
    void Step() { Advance(1); }
    void Skip(uint32_t steps) { Advance(steps); }
    void Finish();

  private:
    void Advance(uint32_t steps);
    void Draw() const;

    uint32_t m_Total;
    uint32_t m_Done = 0;
    std::string m_Label;
    bool m_Terminal;
};

}  // namespace tarnix::camhost
