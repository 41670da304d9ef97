#include "tools/qZ_Html.h"

#include "ui_qZ_Html.h"

#include "basic/AsciiUpperCase.h"
#include "basic/HandlerGuard.h"
#include "basic/ProgramPaths.h"
#include "basic/Prompts.h"
#include "widgets/EventHooks.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <QWebEngineHistory>
#include <QWebEngineView>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace vrl {

namespace {

// The browser fills the window below the row of commands, less these margins.
constexpr int kBrowserLeft = 3;
constexpr int kBrowserTop = 50;
constexpr int kBrowserWidthMargin = 7;
constexpr int kBrowserHeightMargin = 53;

} // namespace

ThtmlView::ThtmlView(QWidget *parent)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ThtmlView>())
{
    ui->setupUi(this);
    setObjectName(QStringLiteral("htmlView"));
    // Sizeable with the system menu, minimise and maximise buttons.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setMinimumSize(kMinClientWidth, kMinClientHeight);
    connectHandlers();
}

ThtmlView::~ThtmlView() = default;

QString ThtmlView::fixedHelpPath()
{
    return helpFile();
}

QString ThtmlView::currentDirectoryHelpPath()
{
    return QDir::toNativeSeparators(QDir::current().filePath(QStringLiteral("VORLAN.htm")));
}

void ThtmlView::connectHandlers()
{
    connect(ui->htmlBackBtn, &QPushButton::clicked, this, guarded([this] { htmlBackBtnClick(); }));
    connect(ui->htmlHomeBtn, &QPushButton::clicked, this, guarded([this] { htmlHomeBtnClick(); }));
    connect(ui->htmlURLBtn, &QPushButton::clicked, this, guarded([this] { htmlURLBtnClick(); }));
    connect(ui->htmlClipBtn, &QPushButton::clicked, this, guarded([this] { htmlClipBtnClick(); }));
    connect(ui->htmlExitBtn, &QPushButton::clicked, this, guarded([this] { htmlExitBtnClick(); }));
    onDoubleClick(*ui->htmlURLE, guarded([this] { htmlURLEDblClick(); }));
    onFocusOut(*ui->htmlURLE, guarded([this] { htmlURLEExit(); }));
    // Enter in the address edit leaves it, as Tab does, rather than closing the window.
    connect(ui->htmlURLE, &QLineEdit::returnPressed, this, guarded([this] { htmlURLEExit(); }));
}

void ThtmlView::createBrowser()
{
    if (m_browser)
        return;
    m_browser = new QWebEngineView(this);
    m_browser->setObjectName(QStringLiteral("ViewWB"));
    m_browser->move(kBrowserLeft, kBrowserTop);
    m_browser->show();
}

void ThtmlView::openDocument(const QString &path)
{
    m_location = path;
    m_firstActivation = true;
}

void ThtmlView::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    guarded([this] { FormActivate(); })();
}

void ThtmlView::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    guarded([this] { FormResize(); })();
}

void ThtmlView::FormActivate()
{
    if (!m_firstActivation)
        return;
    m_firstActivation = false;
    ui->htmlURLBtn->setEnabled(false);
    setWindowTitle(QStringLiteral("qZ - prohlížeč HTML [") + QFileInfo(m_location).fileName()
                   + QLatin1Char(']'));
    createBrowser();
    m_browser->setUrl(QUrl::fromLocalFile(m_location));
    resize(kMinClientWidth, kMinClientHeight);
    FormResize();
}

void ThtmlView::FormResize()
{
    if (!m_browser)
        return;
    m_browser->resize(width() - kBrowserWidthMargin, height() - kBrowserHeightMargin);
}

void ThtmlView::htmlBackBtnClick()
{
    if (!m_browser || !m_browser->history()->canGoBack()) {
        prompts().show(PromptKind::Message, QStringLiteral("...fakt už není kam..."));
        return;
    }
    m_browser->back();
}

void ThtmlView::htmlHomeBtnClick()
{
    // The location is a file path that never carries an anchor; a "#" in it belongs to a
    // folder or file name, so the whole path is the page.
    QUrl home = QUrl::fromLocalFile(m_location);
    home.setFragment(QStringLiteral("start"));
    m_browser->setUrl(home);
}

void ThtmlView::htmlURLEExit()
{
    const bool any = !ui->htmlURLE->text().isEmpty();
    ui->htmlURLBtn->setEnabled(any);
    if (any)
        ui->htmlURLBtn->setFocus();
}

void ThtmlView::htmlURLEDblClick()
{
    ui->htmlURLE->clear();
    ui->htmlURLBtn->setEnabled(false);
}

void ThtmlView::htmlURLBtnClick()
{
    m_browser->setUrl(QUrl(ui->htmlURLE->text()));
    ui->htmlURLE->clear();
    ui->htmlURLBtn->setEnabled(false);
}

void ThtmlView::htmlClipBtnClick()
{
    QApplication::clipboard()->setText(m_location);
}

void ThtmlView::htmlExitBtnClick()
{
    if (m_browser)
        m_browser->stop();
    accept();
}

QString ThtmlView::helpPageToShow(const QString &packaged)
{
    // An upgrade brings its page along where the program put the old one; a page of the user's
    // own stays. The packaged page is copied only when neither place has a page, so that a
    // page in the current directory still shows when the program folder holds none.
    updatePackagedHelp(packaged);
    for (const QString &path : { fixedHelpPath(), currentDirectoryHelpPath() }) {
        if (QFileInfo(path).isFile())
            return path;
    }
    if (installPackagedHelp(packaged))
        return fixedHelpPath();
    return QString();
}

void showHelp(ThtmlView &viewer, Prompts &prompts)
{
    const QString path = ThtmlView::helpPageToShow();
    if (path.isEmpty()) {
        prompts.show(PromptKind::Message,
                     QStringLiteral("Soubor nápovědy nebyl nalezen!\r\n[")
                         + AsciiUpperCase(ThtmlView::currentDirectoryHelpPath())
                         + QLatin1Char(']'));
        return;
    }
    viewer.openDocument(QDir::toNativeSeparators(path));
    prompts.runModal(viewer);
}

void prepareBrowserEngine()
{
#ifdef Q_OS_UNIX
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
#endif
}

} // namespace vrl
