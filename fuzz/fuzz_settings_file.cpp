// The settings file is text anybody may edit: whatever it holds, reading it must not fault, and
// what it reads as must write out and read back the same.
#include "platform/settings/SettingsStore.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    SettingsContents contents;
    if (!contents.Parse(std::string_view(reinterpret_cast<const char*>(data), size))) return 0;
    const std::string text = contents.Format();
    SettingsContents again;
    if (!again.Parse(text) || again.Format() != text) std::abort();
    return 0;
}
