#include "platform/qt/WaitCursor.h"

#include <QApplication>
#include <QCursor>

CQtWaitCursor::CQtWaitCursor()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

CQtWaitCursor::~CQtWaitCursor()
{
    QApplication::restoreOverrideCursor();
}
