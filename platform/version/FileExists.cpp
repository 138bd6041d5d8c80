#include "platform/version/FileExists.h"

#include "platform/TextConv.h"

#include <sys/stat.h>

bool FileExists(const wchar_t* path)
{
    if (!path || !*path) return false;
    struct stat st;
    return ::stat(PathToNative(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
