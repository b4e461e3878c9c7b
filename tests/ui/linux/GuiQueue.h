// Work for the thread that shows the sheet, queued from a test's driving thread. Every modal
// loop there (the sheet's, a message box's, a file dialog's) iterates GLib's default main
// context, so queued work runs whichever window is up.
#pragma once

#include <functional>
#include <memory>

namespace tarnix::test::gui {

class Job;

// Work is taken between BeginShowing and EndShowing, which the showing's thread calls around
// each showing; work queued outside that is dropped at once, so no later showing runs it.
void BeginShowing();
void EndShowing();

// Queues work and returns at once; for work that opens a modal window of its own.
std::shared_ptr<Job> Post(std::function<void()> work);
// Waits until the job has run (true), or was dropped or the wait limit ran out (false).
bool Wait(const std::shared_ptr<Job>& job);
// Queues work and waits for it.
bool Run(std::function<void()> work);

}  // namespace tarnix::test::gui
