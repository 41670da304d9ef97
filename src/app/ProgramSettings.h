#pragma once

#include "access/ConnectionTemplates.h"

namespace vrl {

// The few settings that live for the whole run of the program.
struct ProgramSettings
{
    ProviderChoice providerChoice = ProviderChoice::OleDb;
    bool firstActivationPending = true;
    bool closing = false; // set by the exit command; the connect command then does nothing
    int lastDatabaseChoice = -1; // index into the database choice, -1 = none
};

// The one instance of the run.
ProgramSettings &programSettings();
// Back to the initial values: the first step of the program's start.
void resetProgramSettings();

} // namespace vrl
