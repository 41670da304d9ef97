#pragma once

#include <concepts>
#include <exception>
#include <utility>

class QString;

namespace vrl {

// The message of a failure as the user reads it: the data layer's own message, else the
// exception's text.
QString failureMessage(const std::exception &failure);

// Shows a failure that no command caught in the general error report (a message box with the
// failure's message); the command ends there and the program goes on.
void reportUncaught(std::exception_ptr failure);

// Marks a handler's run as a command of the user, for the wait on the server: the outermost
// handler running begins a command.
class CommandScope
{
public:
    CommandScope();
    ~CommandScope();
    CommandScope(const CommandScope &) = delete;
    CommandScope &operator=(const CommandScope &) = delete;
};

// Wraps an event handler so that no exception crosses a Qt slot or the event loop. Every
// handler of every window is connected through this guard.
template<typename Handler> auto guarded(Handler handler)
{
    // Constrained, so that Qt passes a handler only the signal arguments it takes.
    return [handler = std::move(handler)](
        auto &&...args) requires std::invocable<const Handler &, decltype(args)...>
    {
        const CommandScope command;
        try {
            handler(std::forward<decltype(args)>(args)...);
        } catch (...) {
            reportUncaught(std::current_exception());
        }
    };
}

} // namespace vrl
