#include "app/Program.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The help viewer's browser shares the toolkit's graphics contexts; this must be said
    // before the application exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    return vrl::Program(app).run();
}
