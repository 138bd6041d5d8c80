#include "shell/Run.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    PrepareApplication();
    return Run(QApplication::arguments());
}
