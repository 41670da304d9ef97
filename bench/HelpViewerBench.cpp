#include "HelpViewerBench.h"

#include "BenchFigures.h"

#include "app/Program.h"

#include <QApplication>
#include <QEventLoop>
#include <QUrl>
#include <QWebEngineView>

#include <cstdio>
#include <stdexcept>

namespace vrl::bench {

void runHelpViewerBench(const char *helpDocument)
{
    const double programMs = medianMilliseconds(3, [] {
        Program program(*qApp);
        QApplication::processEvents();
    });
    report("program_start_ms", programMs, "ms");

    bool loaded = false;
    const double browserMs = millisecondsOf([&] {
        QWebEngineView browser;
        browser.resize(600, 415);
        QEventLoop wait;
        QObject::connect(&browser, &QWebEngineView::loadFinished, &wait, [&](bool ok) {
            loaded = ok;
            wait.quit();
        });
        browser.setUrl(QUrl::fromLocalFile(QString::fromUtf8(helpDocument)));
        browser.show();
        wait.exec();
    });
    if (!loaded)
        throw std::runtime_error("the help page did not load");
    report("browser_first_page_ms", browserMs, "ms");
    report("browser_start_ratio", browserMs / programMs, "");
}

} // namespace vrl::bench
