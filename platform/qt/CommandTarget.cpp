#include "platform/qt/CommandTarget.h"

#include <QAction>

int CommandIdOf(const QAction* action)
{
    if (!action) return 0;
    bool ok = false;
    const int id = action->data().toInt(&ok);
    return ok ? id : 0;
}
