// A last function for a process that ends through exit() from deep inside its event loop.
//
// Qt's X11 platform ends the program with exit(1) as soon as its connection to the X server breaks (the server died,
// a logout ended it without a session manager): no destructor on main's stack runs then, so nothing that only the
// program's orderly end saves would be saved. While an instance lives, such an exit first runs its function: at Qt's
// warning that the connection broke, before anything is torn down, and then the process ends with status 1 at once;
// any other exit() from inside the loop runs it from an exit handler (by then the function-local statics made after
// the instance have gone, so that is the second line only). (Qt's Wayland platform calls _exit(), which runs nothing.)
#pragma once

#include <functional>

class AbruptExit {
public:
    explicit AbruptExit(std::function<void()> last);
    ~AbruptExit();
    AbruptExit(const AbruptExit&) = delete;
    AbruptExit& operator=(const AbruptExit&) = delete;

    // Runs the function of the live instance, once.
    static void runNow();

private:
    std::function<void()> m_last;
};
