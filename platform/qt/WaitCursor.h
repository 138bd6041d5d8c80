// The wait cursor for the length of a scope; nested scopes stack, and the previous cursor comes
// back on every exit.
#pragma once

class CQtWaitCursor
{
public:
    CQtWaitCursor();
    ~CQtWaitCursor();
    CQtWaitCursor(const CQtWaitCursor&) = delete;
    CQtWaitCursor& operator=(const CQtWaitCursor&) = delete;
};
