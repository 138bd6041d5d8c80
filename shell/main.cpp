#include "platform/qt/PathNames.h"
#include "shell/Run.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareApplication();
    // The arguments as the system gave them (Qt has taken out its own options): a file name that
    // is not UTF-8 keeps its bytes, where QApplication::arguments() would replace them.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QPathFromNative(argv[i]);
    return Run(arguments);
}
