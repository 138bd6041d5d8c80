// Whether a path names an existing entry that is not a directory.
#pragma once

bool FileExists(const wchar_t* path);
