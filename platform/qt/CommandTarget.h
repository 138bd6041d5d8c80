// Numeric command routing: every window that takes part answers OnCommand(id) and says whether
// it handled the command; what it does not handle it passes on to the next in its chain.
#pragma once

class ICommandTarget
{
public:
    virtual ~ICommandTarget() = default;
    virtual bool OnCommand(int id) = 0;
};

// The command id a QAction carries in its data; 0 when it carries none.
class QAction;
int CommandIdOf(const QAction* action);
