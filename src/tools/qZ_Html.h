#pragma once

#include "basic/ProgramPaths.h"

#include <QDialog>
#include <QString>

#include <memory>

class QWebEngineView;

namespace Ui {
class ThtmlView;
}

namespace vrl {

class Prompts;

// The help viewer: the program's help page in an embedded browser, with a way back, a jump to
// the top of the page, any other address the user types, and the page's location for the
// clipboard. Created once and reused; each opening loads the help page anew.
//
// The browser itself is made when the window first shows, not at start: starting the browser
// engine costs more than the rest of the program's start together.
class ThtmlView : public QDialog
{
    Q_OBJECT

public:
    explicit ThtmlView(QWidget *parent = nullptr);
    ~ThtmlView() override;

    static constexpr int kMinClientWidth = 607;
    static constexpr int kMinClientHeight = 468;

    // Where the help page is looked for, first match wins: the program folder's copy, then the
    // current directory's.
    static QString fixedHelpPath();
    static QString currentDirectoryHelpPath();
    // The page to show, first match wins: the program folder's copy (brought up to date when
    // the program put it there), the current directory's, the packaged page copied to the
    // program folder. Empty when there is none.
    static QString helpPageToShow(const QString &packaged = packagedHelpFile());

    // Marks the window to load the document at its next showing.
    void openDocument(const QString &path);
    QString documentLocation() const { return m_location; }
    // The browser; null until the window first shows.
    QWebEngineView *browser() const { return m_browser; }

    void FormActivate();
    void FormResize();
    void htmlBackBtnClick();
    void htmlHomeBtnClick();
    void htmlURLEExit();
    void htmlURLEDblClick();
    void htmlURLBtnClick();
    void htmlClipBtnClick();
    void htmlExitBtnClick();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void connectHandlers();
    void createBrowser();

    std::unique_ptr<Ui::ThtmlView> ui;
    QWebEngineView *m_browser = nullptr;
    QString m_location;
    bool m_firstActivation = false;
};

// Finds the help page and shows it in the viewer modally; without a page in either place it
// says so and shows nothing.
void showHelp(ThtmlView &viewer, Prompts &prompts);

// The browser engine refuses to run as root inside its sandbox; run as root, the program
// switches the sandbox off before the engine starts.
void prepareBrowserEngine();

} // namespace vrl
