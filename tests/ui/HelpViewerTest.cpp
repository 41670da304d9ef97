// The help viewer of the real program with the real browser engine offscreen: where the help
// page is found, the window's first showing and size, the way back, the jump to the top after
// other pages, an external file page typed by the user, and the page's path for the clipboard.
#include "app/VRLMain.h"
#include "tools/qZ_Html.h"

#include "support/ProgramFixture.h"
#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <gtest/gtest.h>

using namespace vrl;
using namespace vrl::test;

namespace {

constexpr int kLoadMs = 20000;
const QString kHelpTitle = QStringLiteral("Vorlan – nápověda");

void writePage(const QString &path, const QString &title)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title>"
                              "</head><body><h1 id=\"start\">%1</h1></body></html>")
                   .arg(title)
                   .toUtf8());
}

// Runs a script in the page and waits for its result.
QVariant script(QWebEngineView &browser, const QString &code)
{
    QVariant result;
    bool done = false;
    browser.page()->runJavaScript(code, [&](const QVariant &value) {
        result = value;
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done; }, kLoadMs)) << code.toStdString();
    return result;
}

class HelpViewer : public ProgramFixture
{
protected:
    HelpViewer()
    {
        // A program folder and a current directory of this test alone.
        m_savedHome = qgetenv("VORLAN_HOME");
        m_savedCurrent = QDir::currentPath();
        qputenv("VORLAN_HOME", m_folder.filePath(QStringLiteral("VOR_LAN")).toUtf8());
        QDir().mkpath(m_folder.filePath(QStringLiteral("pracovní")));
        QDir::setCurrent(m_folder.filePath(QStringLiteral("pracovní")));
    }
    ~HelpViewer() override
    {
        QDir::setCurrent(m_savedCurrent);
        qputenv("VORLAN_HOME", m_savedHome);
    }

    QString fixedPath() const { return ThtmlView::fixedHelpPath(); }
    QString currentPath() const { return QDir::current().filePath(QStringLiteral("VORLAN.htm")); }
    QString folder(const QString &name) const { return m_folder.filePath(name); }
    void installRealDocument(const QString &path)
    {
        QDir().mkpath(QFileInfo(path).path());
        ASSERT_TRUE(QFile::copy(QStringLiteral(VORLAN_HELP_DOCUMENT), path));
    }

    // Opens the help from the menu; inside runs while the window shows, after the document has
    // loaded; then the window is left by its exit button.
    void openHelp(const std::function<void(ThtmlView &, QWebEngineView &)> &inside)
    {
        prompts.answerModal([&](QDialog &window) {
            auto &viewer = dynamic_cast<ThtmlView &>(window);
            EXPECT_NE(viewer.browser(), nullptr);
            if (!viewer.browser())
                return int(QDialog::Rejected);
            QWebEngineView &browser = *viewer.browser();
            EXPECT_TRUE(waitForTitle(browser, QString())) << "the document did not load";
            inside(viewer, browser);
            click(viewer, "htmlExitBtn");
            return viewer.result();
        });
        click(form, "ghelpMItem");
    }

    // Waits until the page carries the title (any title of a loaded page when empty).
    static bool waitForTitle(QWebEngineView &browser, const QString &title)
    {
        return QTest::qWaitFor(
            [&] {
                const QString now = browser.title();
                const bool loaded = !now.isEmpty() && !now.startsWith(QLatin1String("file:"));
                return title.isEmpty() ? loaded : now == title;
            },
            kLoadMs);
    }
    static bool waitForUrl(QWebEngineView &browser, const QUrl &url)
    {
        return QTest::qWaitFor([&] { return browser.url() == url; }, kLoadMs);
    }
    static bool enabledIn(const QObject &window, const char *name)
    {
        return control<QWidget>(window, name)->isEnabled();
    }
    static void leave(QWidget &control)
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(&control, &out);
    }

private:
    QTemporaryDir m_folder;
    QByteArray m_savedHome;
    QString m_savedCurrent;
};

} // namespace

TEST_F(HelpViewer, TheFixedPathWinsOverTheCurrentDirectory)
{
    writePage(fixedPath(), QStringLiteral("Pevná kopie"));
    writePage(currentPath(), QStringLiteral("Kopie v aktuální složce"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Pevná kopie")))
            << browser.title().toStdString();
        EXPECT_EQ(viewer.documentLocation(), QDir::toNativeSeparators(fixedPath()));
    });
    EXPECT_EQ(prompts.textsOf(QStringLiteral("modal")), QStringList { QStringLiteral("htmlView") });
}

TEST_F(HelpViewer, TheCurrentDirectoryCopyServesWhenTheFixedOneIsMissing)
{
    writePage(currentPath(), QStringLiteral("Kopie v aktuální složce"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Kopie v aktuální složce")));
        EXPECT_EQ(viewer.windowTitle(), QStringLiteral("qZ - prohlížeč HTML [VORLAN.htm]"));
        EXPECT_FALSE(control<QPushButton>(viewer, "htmlURLBtn")->isEnabled());
    });
}

TEST_F(HelpViewer, ThePackagedPageServesOnlyWhereNoOtherPageIs)
{
    const QString packaged = folder(QStringLiteral("share/vorlan/help/VORLAN.htm"));
    writePage(packaged, QStringLiteral("Přibalená nápověda"));
    // A page in the current directory shows while the program folder holds none.
    writePage(currentPath(), QStringLiteral("Kopie v aktuální složce"));
    EXPECT_EQ(ThtmlView::helpPageToShow(packaged), currentPath());
    EXPECT_FALSE(QFileInfo::exists(fixedPath()));
    // Without one, the packaged page is put into the program folder and shown from there.
    ASSERT_TRUE(QFile::remove(currentPath()));
    EXPECT_EQ(ThtmlView::helpPageToShow(packaged), fixedPath());
    EXPECT_TRUE(QFileInfo(fixedPath()).isFile());
    // The fixed path wins again once it holds a page.
    writePage(currentPath(), QStringLiteral("Kopie v aktuální složce"));
    EXPECT_EQ(ThtmlView::helpPageToShow(packaged), fixedPath());
}

TEST_F(HelpViewer, WithoutAHelpFileItSaysWhereItLookedLast)
{
    // Only the letters a to z become capitals; those with diacritics keep their case.
    const QString expected = QStringLiteral("Soubor nápovědy nebyl nalezen!\r\n[")
        + folder(QString()).toUpper() + QStringLiteral("/PRACOVNí/VORLAN.HTM]");
    click(form, "ghelpMItem");
    EXPECT_EQ(prompts.texts(), QStringList { expected });
}

TEST_F(HelpViewer, TheRealDocumentShowsWithItsStartAnchor)
{
    installRealDocument(fixedPath());
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        EXPECT_TRUE(waitForTitle(browser, kHelpTitle)) << browser.title().toStdString();
        EXPECT_EQ(script(browser, QStringLiteral("document.getElementById('start') !== null")),
                  QVariant(true));
        EXPECT_EQ(script(browser, QStringLiteral("document.characterSet")),
                  QVariant(QStringLiteral("UTF-8")));
        // Every link inside the document leads to an anchor it has.
        EXPECT_EQ(script(browser,
                         QStringLiteral("Array.from(document.querySelectorAll('a[href^=\"#\"]'))"
                                        ".filter(a => !document.getElementById("
                                        "a.getAttribute('href').slice(1))).length")),
                  QVariant(0));
        EXPECT_EQ(viewer.size(), QSize(ThtmlView::kMinClientWidth, ThtmlView::kMinClientHeight));
        const QString shots = qEnvironmentVariable("VORLAN_SCREENSHOT_DIR");
        if (!shots.isEmpty()) {
            // Let the engine paint the page before the window is taken.
            QTest::qWait(1500);
            EXPECT_TRUE(
                viewer.grab().save(QDir(shots).filePath(QStringLiteral("help_viewer.png"))));
        }
    });
}

TEST_F(HelpViewer, HomeLeadsBackToTheStartAnchorAfterJumpsAndExternalPages)
{
    installRealDocument(fixedPath());
    const QString external = folder(QStringLiteral("externí.html"));
    writePage(external, QStringLiteral("Externí stránka"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        QUrl home = QUrl::fromLocalFile(fixedPath());
        script(browser, QStringLiteral("location.hash = 'filtr'"));
        home.setFragment(QStringLiteral("filtr"));
        EXPECT_TRUE(waitForUrl(browser, home));

        auto *urlEdit = control<QLineEdit>(viewer, "htmlURLE");
        auto *urlButton = control<QPushButton>(viewer, "htmlURLBtn");
        typeText(viewer, "htmlURLE", QUrl::fromLocalFile(external).toString());
        EXPECT_FALSE(urlButton->isEnabled()); // not before the edit is left
        leave(*urlEdit);
        EXPECT_TRUE(urlButton->isEnabled());
        click(viewer, "htmlURLBtn");
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Externí stránka")));
        EXPECT_TRUE(urlEdit->text().isEmpty());
        EXPECT_FALSE(urlButton->isEnabled());

        click(viewer, "htmlHomeBtn");
        home.setFragment(QStringLiteral("start"));
        EXPECT_TRUE(waitForUrl(browser, home)) << browser.url().toString().toStdString();
        EXPECT_TRUE(waitForTitle(browser, kHelpTitle));
    });
}

TEST_F(HelpViewer, BackReturnsToTheLastPlaceAndSaysWhenThereIsNone)
{
    writePage(fixedPath(), QStringLiteral("Nápověda"));
    const QString external = folder(QStringLiteral("jinde.html"));
    writePage(external, QStringLiteral("Jinde"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        click(viewer, "htmlBackBtn");
        EXPECT_EQ(prompts.textsOf(QStringLiteral("message")),
                  QStringList { QStringLiteral("...fakt už není kam...") });
        typeText(viewer, "htmlURLE", QUrl::fromLocalFile(external).toString());
        leave(*control<QLineEdit>(viewer, "htmlURLE"));
        click(viewer, "htmlURLBtn");
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Jinde")));
        click(viewer, "htmlBackBtn");
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Nápověda")));
        EXPECT_EQ(prompts.textsOf(QStringLiteral("message")).size(), 1);
    });
}

TEST_F(HelpViewer, TheUrlEditClearsByDoubleClickAndAnEmptyEditKeepsTheButtonOff)
{
    writePage(fixedPath(), QStringLiteral("Nápověda"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &) {
        auto *urlEdit = control<QLineEdit>(viewer, "htmlURLE");
        leave(*urlEdit);
        EXPECT_FALSE(enabledIn(viewer, "htmlURLBtn"));
        typeText(viewer, "htmlURLE", QStringLiteral("https://example.com"));
        leave(*urlEdit);
        EXPECT_TRUE(enabledIn(viewer, "htmlURLBtn"));
        QTest::mouseDClick(urlEdit, Qt::LeftButton);
        EXPECT_TRUE(urlEdit->text().isEmpty());
        EXPECT_FALSE(enabledIn(viewer, "htmlURLBtn"));
    });
}

TEST_F(HelpViewer, TheClipboardGetsTheWholePathEvenWithAHashInAFolderName)
{
    // A "#" in the program folder's name belongs to the path, not to an anchor.
    qputenv("VORLAN_HOME", folder(QStringLiteral("C#/VOR_LAN")).toUtf8());
    writePage(fixedPath(), QStringLiteral("Nápověda"));
    const QString external = folder(QStringLiteral("jinde.html"));
    writePage(external, QStringLiteral("Jinde"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Nápověda")));
        typeText(viewer, "htmlURLE", QUrl::fromLocalFile(external).toString());
        leave(*control<QLineEdit>(viewer, "htmlURLE"));
        click(viewer, "htmlURLBtn");
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Jinde")));
        click(viewer, "htmlClipBtn");
        EXPECT_EQ(QApplication::clipboard()->text(), QDir::toNativeSeparators(fixedPath()));
        click(viewer, "htmlHomeBtn");
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Nápověda")));
    });
}

TEST_F(HelpViewer, EachOpeningReloadsTheDocumentAtItsSizeAndTheBrowserFollowsResizes)
{
    writePage(fixedPath(), QStringLiteral("Nápověda"));
    const QString external = folder(QStringLiteral("jinde.html"));
    writePage(external, QStringLiteral("Jinde"));
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        viewer.resize(900, 700);
        EXPECT_EQ(browser.size(), QSize(900 - 7, 700 - 53));
        viewer.resize(300, 200);
        EXPECT_EQ(viewer.size(), QSize(607, 468));
        EXPECT_EQ(browser.size(), QSize(607 - 7, 468 - 53));
        viewer.resize(800, 600);
        typeText(viewer, "htmlURLE", QUrl::fromLocalFile(external).toString());
        leave(*control<QLineEdit>(viewer, "htmlURLE"));
        click(viewer, "htmlURLBtn");
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Jinde")));
    });
    openHelp([&](ThtmlView &viewer, QWebEngineView &browser) {
        EXPECT_TRUE(waitForTitle(browser, QStringLiteral("Nápověda")));
        EXPECT_EQ(viewer.size(), QSize(607, 468));
    });
    EXPECT_EQ(prompts.textsOf(QStringLiteral("modal")).size(), 2);
}
