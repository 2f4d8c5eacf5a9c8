// A last function for a process that ends through exit() from deep inside its event loop.
//
// Qt's X11 platform ends the program with exit(1) as soon as its connection to the X server breaks (the server died,
// a logout ended it without a session manager): no destructor on main's stack runs then, so nothing that only the
// program's orderly end saves would be saved. While an instance lives, such an exit first runs its function. exit()
// tears down in the reverse order of registration, so the instance is made as late as possible, when everything it
// relies on is already there. (Qt's Wayland platform calls _exit() instead, which runs nothing at all.)
#pragma once

#include <functional>

class AbruptExit {
public:
    explicit AbruptExit(std::function<void()> last);
    ~AbruptExit();
    AbruptExit(const AbruptExit&) = delete;
    AbruptExit& operator=(const AbruptExit&) = delete;

private:
    static void run();
    std::function<void()> m_last;
};
