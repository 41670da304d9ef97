#include "basic/Prompts.h"

#include "basic/WidgetPrompts.h"

namespace vrl {

namespace {
Prompts *g_replacement = nullptr;
}

Prompts &prompts()
{
    if (g_replacement)
        return *g_replacement;
    static WidgetPrompts production;
    return production;
}

void setPrompts(Prompts *replacement)
{
    g_replacement = replacement;
}

} // namespace vrl
