// Marks the stretch of a thread that runs user callbacks on behalf of an owner (a camera,
// the link-event list), so that an owner waiting for its callbacks to finish does not wait
// for the one its own caller is inside of.
#pragma once

namespace tarnix::sdk {

class CallbackScope {
  public:
    explicit CallbackScope(const void* owner);
    ~CallbackScope();
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

    // How many scopes of this owner the calling thread is inside of.
    static int Depth(const void* owner);

  private:
    const void* m_Owner;
    CallbackScope* m_Outer;
};

}  // namespace tarnix::sdk
