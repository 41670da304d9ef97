#include "support/UiDriver.h"

#include "widgets/RadioGroup.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

namespace vrl::test {

void click(const QObject &root, const char *name)
{
    const QString wanted = QString::fromLatin1(name);
    if (auto *button = root.findChild<QAbstractButton *>(wanted)) {
        EXPECT_TRUE(button->isEnabled()) << name << " is disabled";
        button->click();
        return;
    }
    if (auto *action = root.findChild<QAction *>(wanted)) {
        EXPECT_TRUE(action->isEnabled()) << name << " is disabled";
        action->trigger();
        return;
    }
    ADD_FAILURE() << "no button or menu item named " << name;
}

void clickItem(const QObject &root, const char *radioGroup, int index)
{
    if (auto *group = control<RadioGroup>(root, radioGroup)) {
        QRadioButton *item = group->button(index);
        ASSERT_NE(item, nullptr) << radioGroup << " has no item " << index;
        item->click();
    }
}

void typeText(const QObject &root, const char *name, const QString &text)
{
    if (auto *edit = control<QLineEdit>(root, name)) {
        edit->setFocus();
        edit->clear();
        // Key by key, as typed; characters without a key of their own arrive as text.
        for (const QChar c : text) {
            if (c.unicode() < 128 && c.isPrint()) {
                QTest::keyClick(edit, c.toLatin1());
            } else {
                QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
                QCoreApplication::sendEvent(edit, &press);
            }
        }
        emit edit->editingFinished();
    }
}

void selectEntry(const QObject &root, const char *name, int index)
{
    if (auto *combo = control<QComboBox>(root, name)) {
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
}

void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

} // namespace vrl::test
