#include "app/ProgramSettings.h"

namespace vrl {

ProgramSettings &programSettings()
{
    static ProgramSettings settings;
    return settings;
}

void resetProgramSettings()
{
    programSettings() = ProgramSettings {};
}

} // namespace vrl
