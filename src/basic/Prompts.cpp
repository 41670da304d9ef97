#include "basic/Prompts.h"

namespace vrl {

// The message boxes of the toolkit; they live beside their class.
Prompts &productionPrompts();

namespace {
Prompts *g_replacement = nullptr;
}

Prompts &prompts()
{
    if (g_replacement)
        return *g_replacement;
    return productionPrompts();
}

void setPrompts(Prompts *replacement)
{
    g_replacement = replacement;
}

} // namespace vrl
