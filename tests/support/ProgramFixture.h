#pragma once

#include "app/Program.h"
#include "app/VRLMain.h"

#include "support/ScriptedPrompts.h"
#include "support/UiDriver.h"

#include <QApplication>
#include <QWidget>

#include <gtest/gtest.h>

namespace vrl::test {

// The whole program started in-process with its main window shown, the scripted prompts in
// force from before the start, so that every prompt of a test is checked.
class ProgramFixture : public ::testing::Test
{
protected:
    ProgramFixture()
        : program(*qApp)
        , form(program.mainWindow())
    {
        settle();
    }

    bool shown(const char *name) { return !control<QWidget>(form, name)->isHidden(); }
    bool enabled(const char *name) { return control<QWidget>(form, name)->isEnabled(); }

    ScriptedPrompts prompts;
    Program program;
    TvrlForm &form;
};

} // namespace vrl::test
