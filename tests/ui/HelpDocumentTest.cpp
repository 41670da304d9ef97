// The help document against the program it describes: every name it sets in bold (a control,
// a menu entry, a window or area caption, a hint) is one the started program shows, and every
// text it quotes (a message, a window title, a text the program writes) is one the program
// has. A quoted text with a variable part (<var>) holds for the fixed pieces around it.
#include "support/ProgramFixture.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

using namespace vrl::test;

namespace {

QString readUtf8(const QString &path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
}

// A caption as the user reads it: accelerator marks gone, blanks collapsed.
QString asShown(QString text)
{
    static const QRegularExpression accelerator(QStringLiteral("&(.)"));
    text.replace(accelerator, QStringLiteral("\\1"));
    return text.simplified();
}

// The caption and the short forms the document may name it by: without a trailing colon
// ("Načíst externí URL:") or a trailing remark in parentheses ("SURF ZPĚT (je-li kam)").
QStringList namesOf(const QString &caption)
{
    static const QRegularExpression remark(QStringLiteral("\\s*(:|\\([^()]*\\))$"));
    QStringList names { asShown(caption) };
    for (;;) {
        const QString shorter = QString(names.last()).remove(remark).trimmed();
        if (shorter.isEmpty() || shorter == names.last())
            return names;
        names << shorter;
    }
}

// The plain text of an HTML fragment.
QString plainText(const QString &html)
{
    return QTextDocumentFragment::fromHtml(html).toPlainText().simplified();
}

// The contents of every element of the tag, as HTML.
QStringList elements(const QString &html, const QString &tag)
{
    const QRegularExpression element(QStringLiteral("<%1>(.*?)</%1>").arg(tag),
                                     QRegularExpression::DotMatchesEverythingOption);
    QStringList found;
    for (const QRegularExpressionMatch &match : element.globalMatch(html))
        found << match.captured(1);
    return found;
}

// Every caption, entry, title and hint of the program's windows, as shown.
QSet<QString> shownNames()
{
    QSet<QString> names;
    const auto add = [&](const QString &text) {
        if (text.trimmed().isEmpty())
            return;
        for (const QString &name : namesOf(text))
            names.insert(name);
    };
    for (QWidget *widget : QApplication::allWidgets()) {
        add(widget->toolTip());
        if (widget->isWindow())
            add(widget->windowTitle());
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            add(button->text());
        else if (auto *label = qobject_cast<QLabel *>(widget))
            add(label->text());
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            add(group->title());
        else if (auto *menu = qobject_cast<QMenu *>(widget))
            add(menu->title());
        for (QAction *action : widget->actions()) {
            add(action->text());
            add(action->toolTip());
        }
    }
    return names;
}

// Every text the program holds: string literals of its sources, strings of its forms, and what
// its windows show.
QStringList programTexts(const QString &sourceFolder)
{
    static const QRegularExpression literal(QStringLiteral(R"re("((?:[^"\\\n]|\\.)*)")re"));
    static const QRegularExpression uiString(QStringLiteral("<string[^>]*>(.*?)</string>"));
    QStringList texts;
    QDirIterator files(sourceFolder, { QStringLiteral("*.cpp"), QStringLiteral("*.h") },
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        for (const QRegularExpressionMatch &match : literal.globalMatch(readUtf8(files.next()))) {
            QString text = match.captured(1);
            text.replace(QStringLiteral("\\r"), QStringLiteral("\r"))
                .replace(QStringLiteral("\\n"), QStringLiteral("\n"))
                .replace(QStringLiteral("\\\""), QStringLiteral("\""))
                .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
            texts << text;
        }
    }
    QDirIterator forms(sourceFolder, { QStringLiteral("*.ui") }, QDir::Files,
                       QDirIterator::Subdirectories);
    while (forms.hasNext()) {
        for (const QRegularExpressionMatch &match : uiString.globalMatch(readUtf8(forms.next())))
            texts << plainText(match.captured(1));
    }
    for (const QString &name : shownNames())
        texts << name;
    return texts;
}

bool anyContains(const QStringList &texts, const QString &piece)
{
    return std::any_of(texts.begin(), texts.end(),
                       [&](const QString &text) { return text.contains(piece); });
}

class HelpDocument : public ProgramFixture
{
protected:
    // The document without its comments, which may speak of the markup.
    const QString document
        = readUtf8(QStringLiteral(VORLAN_HELP_DOCUMENT))
              .remove(QRegularExpression(QStringLiteral("<!--.*?-->"),
                                         QRegularExpression::DotMatchesEverythingOption));
    const QString sources
        = QFileInfo(QStringLiteral(VORLAN_HELP_DOCUMENT)).dir().filePath(QStringLiteral("../src"));
};

} // namespace

TEST_F(HelpDocument, EveryNameInBoldIsOneTheProgramShows)
{
    const QSet<QString> names = shownNames();
    const QStringList bold = elements(document, QStringLiteral("b"));
    ASSERT_GT(bold.size(), 30);
    for (const QString &html : bold) {
        const QString name = plainText(html);
        EXPECT_TRUE(names.contains(name)) << name.toStdString();
    }
}

TEST_F(HelpDocument, EveryQuotedTextIsOneTheProgramHas)
{
    const QStringList texts = programTexts(sources);
    ASSERT_GT(texts.size(), 500) << sources.toStdString();
    const QStringList quoted = elements(document, QStringLiteral("q"));
    ASSERT_GT(quoted.size(), 10);
    static const QRegularExpression variable(QStringLiteral("<var>.*?</var>"));
    for (const QString &html : quoted) {
        // The fixed pieces, in the order they stand.
        for (const QString &piece : html.split(variable, Qt::SkipEmptyParts)) {
            const QString text = QTextDocumentFragment::fromHtml(piece).toPlainText();
            EXPECT_TRUE(anyContains(texts, text))
                << text.toStdString() << " in " << plainText(html).toStdString();
        }
    }
}
