#include "app/Program.h"

#include "access/ResultMemory.h"
#include "app/ProgramSettings.h"
#include "app/VRLMain.h"
#include "basic/Prompts.h"
#include "basic/WindowServerWait.h"
#include "data/VRLDM.h"
#include "data/vrxMySQL.h"
#include "data/vrxSQL.h"
#include "import/qZ_dImport.h"
#include "query/VRLhistory.h"
#include "tools/qZ_Html.h"
#include "tools/vrxSongEdit.h"

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

namespace vrl {

namespace {

// Wine's free Tahoma lies outside fontconfig's folders, so it is registered by file.
const char *const kFontFolder = "/usr/share/wine/fonts/";

QString loadDesignFont()
{
    static const QString family = [] {
        QString loaded;
        for (const char *file : { "tahoma.ttf", "tahomabd.ttf" }) {
            const QString path = QString::fromLatin1(kFontFolder) + QString::fromLatin1(file);
            if (!QFile::exists(path))
                continue;
            const int id = QFontDatabase::addApplicationFont(path);
            const QStringList families = QFontDatabase::applicationFontFamilies(id);
            if (loaded.isEmpty() && !families.isEmpty())
                loaded = families.constFirst();
        }
        return loaded;
    }();
    return family;
}

} // namespace

Program::Program(QApplication &app)
    : m_app(app)
{
    resetProgramSettings();
    prepareApplication();
    m_serverWait = std::make_unique<WindowServerWait>();
    setServerWait(m_serverWait.get());

    // The dialogs belong to the main window: they are centred on it and use its font.
    m_vrlForm = std::make_unique<TvrlForm>();
    auto *sqlDialog = new TvrxSQLdlg(m_vrlForm.get());
    m_vrlForm->setHistoryViewer(*new TvrlhForm(m_vrlForm.get()));
    auto *mySqlDialog = new TvrxMySQLdlg(m_vrlForm.get());
    auto *importWindow = new TdImpForm(m_vrlForm.get());
    m_dm = std::make_unique<TDM>();
    auto *songEditor = new TsbForm(m_vrlForm.get());
    auto *helpViewer = new ThtmlView(m_vrlForm.get());
    m_vrlForm->setToolWindows(*songEditor, *helpViewer);
    m_vrlForm->setConnectionDialogs(*sqlDialog, *mySqlDialog);
    importWindow->setConnectionDialogs(*sqlDialog, *mySqlDialog);
    m_vrlForm->setImportWindow(*importWindow);
    m_vrlForm->bindDataModule();
    importWindow->bindDataModule();
    m_serverWait->setMainWindow(m_vrlForm.get());
    m_vrlForm->setServerWait(*m_serverWait);

    m_vrlForm->show();
}

Program::~Program()
{
    // The main window's bindings go before the data module they point into.
    m_vrlForm.reset();
    m_dm.reset();
    setServerWait(nullptr);
    m_serverWait.reset();
    if (m_toolkitTexts)
        QCoreApplication::removeTranslator(m_toolkitTexts.get());
}

void Program::prepareApplication()
{
    setResultMemoryPolicy();
    prepareBrowserEngine();
    QApplication::setApplicationName(QStringLiteral("Vorlan"));
    // The menu entry's name: window managers match the window to its entry and icon by it.
    QGuiApplication::setDesktopFileName(QStringLiteral("vorlan"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vorlan"));
    // A connection whose login prompt is on asks through the prompts service.
    Connection::setLoginHandler(
        [](QString &user, QString &password) { return prompts().login(user, password); });

    // Yes, No, OK and the file dialogs speak Czech through the toolkit's own translations.
    m_toolkitTexts = std::make_unique<QTranslator>();
    if (m_toolkitTexts->load(QLocale(QLocale::Czech, QLocale::Czechia), QStringLiteral("qtbase"),
                             QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(m_toolkitTexts.get());
    else
        m_toolkitTexts.reset();

    // The classic look: group box captions sit on their frame line, as the design's geometry
    // expects, and controls are as compact as the design's pixel sizes.
    if (QStyle *classic = QStyleFactory::create(QStringLiteral("Windows")))
        QApplication::setStyle(classic);

    // Tahoma 8 pt is 11 pixels high; the design's pixel geometry is made for it.
    QFont font(loadDesignFont().isEmpty() ? QApplication::font().family() : loadDesignFont());
    font.setPixelSize(11);
    QApplication::setFont(font);
}

int Program::run()
{
    m_app.setQuitOnLastWindowClosed(true);
    return m_app.exec();
}

} // namespace vrl
