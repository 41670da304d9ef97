#pragma once

#include <functional>

namespace vrl {

// How the program waits while the server works on a statement. The data layer hands every call
// that waits on the server to the installed wait, with a way to stop it; a window can run the
// call off its own thread, keep painting meanwhile and let the user stop it. Without one
// installed, the call runs where it is made.
class ServerWait
{
public:
    virtual ~ServerWait() = default;
    // Runs work to its end and rethrows what it threw. cancel, called on the waiting thread
    // while work runs, asks the server to stop; work then ends with the driver's failure. An
    // empty cancel: the work cannot be stopped, only waited for.
    virtual void wait(const std::function<void()> &work, const std::function<void()> &cancel) = 0;
    // Whether the user stopped the last wait (the failure it ended with is the stop's).
    virtual bool lastWaitStopped() const { return false; }
    // A command of the user begins: a stop asked for during the one before is forgotten. A
    // stop holds for the rest of its command, so that a command of many statements (an
    // import) ends after the one in progress.
    virtual void commandStarted() { }
    // The command has ended: a stop of it holds no longer.
    virtual void commandEnded() { }
};

ServerWait *serverWait();
void setServerWait(ServerWait *wait); // nullptr: calls run where they are made

// Runs work through the installed wait, or where it stands without one.
void waitOnServer(const std::function<void()> &work, const std::function<void()> &cancel);
// Whether the user stopped the last wait of the installed wait.
bool lastWaitStopped();

} // namespace vrl
