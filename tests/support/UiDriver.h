#pragma once

#include <QObject>
#include <QString>

#include <gtest/gtest.h>

class QWidget;

namespace vrl::test {

// Finds a control or menu item by its name below root; a missing one fails the test.
template<typename T = QWidget> T *control(const QObject &root, const char *name)
{
    T *found = root.findChild<T *>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << "no control named " << name;
    return found;
}

// Acts as the user would: a button or check box is clicked, a menu item triggered.
void click(const QObject &root, const char *name);
// Selects an item of a radio group by a click on it.
void clickItem(const QObject &root, const char *radioGroup, int index);
// Replaces an edit's text by typing, then leaves the edit.
void typeText(const QObject &root, const char *name, const QString &text);
// Picks an entry of a combo box's drop-down list.
void selectEntry(const QObject &root, const char *name, int index);
// Lets pending events (resizes, repaints) run.
void settle();

} // namespace vrl::test
