#include "basic/Prompts.h"

namespace vrl {

// The message boxes of the toolkit; they live beside their class.
Prompts &productionPrompts();

namespace {

Prompts *g_replacement = nullptr;
bool g_silent = false;

class SilentPrompts : public Prompts
{
public:
    void show(PromptKind, const QString &) override { }
    bool confirm(const QString &) override { return false; }
    bool runFileDialog(FileDialog &) override { return false; }
    int runModal(QDialog &) override { return 0; } // QDialog::Rejected
    bool login(QString &, QString &) override { return false; }
};

} // namespace

Prompts &prompts()
{
    static SilentPrompts silent;
    if (g_silent)
        return silent;
    if (g_replacement)
        return *g_replacement;
    return productionPrompts();
}

void setPromptsSilent(bool silent)
{
    g_silent = silent;
}

void setPrompts(Prompts *replacement)
{
    g_replacement = replacement;
}

} // namespace vrl
