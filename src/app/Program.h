#pragma once

#include <memory>

class QApplication;
class QTranslator;

namespace vrl {

class TDM;
class TvrlForm;
class WindowServerWait;

// The program: sets the program settings, prepares the application (title, Czech texts of the
// toolkit, fonts) and creates every window once, in a fixed order, showing the main window.
// run() then runs the event loop until the main window closes. Tests create a Program and
// drive its windows without entering the event loop.
class Program
{
public:
    explicit Program(QApplication &app);
    ~Program();
    Program(const Program &) = delete;
    Program &operator=(const Program &) = delete;

    TvrlForm &mainWindow() { return *m_vrlForm; }
    int run();

private:
    void prepareApplication();

    QApplication &m_app;
    std::unique_ptr<QTranslator> m_toolkitTexts;
    // Every wait on the server, off the windows' thread; it outlives the windows.
    std::unique_ptr<WindowServerWait> m_serverWait;
    // The windows, in the order of their creation; destroyed in reverse.
    std::unique_ptr<TvrlForm> m_vrlForm;
    std::unique_ptr<TDM> m_dm;
};

} // namespace vrl
