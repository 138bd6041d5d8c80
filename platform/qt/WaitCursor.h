// The wait cursor for the length of a scope; nested scopes stack, and the previous cursor comes
// back on every exit.
#pragma once

class CWaitCursor
{
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
