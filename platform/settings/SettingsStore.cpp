#include "platform/settings/SettingsStore.h"

#include "platform/FileIO.h"
#include "platform/TextConv.h"

#include <cerrno>
#include <atomic>
#include <ctime>
#include <memory>
#include <mutex>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// A settings file larger than this is not ours: it is refused rather than parsed.
constexpr std::size_t kMaxFileBytes = 16u << 20;

bool HasControl(std::wstring_view text)
{
    for (wchar_t c : text)
        if (c < 0x20 || c == 0x7F) return true;
    return false;
}

// "text" with \\ \" \n \r \t and \xHH for the other control characters.
void AppendQuoted(std::string& out, std::wstring_view text)
{
    out += '"';
    for (wchar_t c : text)
    {
        switch (c)
        {
        case L'\\':
            out += "\\\\";
            break;
        case L'"':
            out += "\\\"";
            break;
        case L'\n':
            out += "\\n";
            break;
        case L'\r':
            out += "\\r";
            break;
        case L'\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F)
            {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\x%02x", unsigned(c));
                out += buf;
            }
            else
                out += WideToUtf8(std::wstring_view(&c, 1));
        }
    }
    out += '"';
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at the start of s; s is advanced past the closing quote.
bool ParseQuoted(std::string_view& s, std::wstring& out)
{
    if (s.empty() || s[0] != '"') return false;
    std::string bytes;
    std::size_t i = 1;
    for (;; ++i)
    {
        if (i >= s.size()) return false;
        const char c = s[i];
        if (c == '"') break;
        if (static_cast<unsigned char>(c) < 0x20) return false;
        if (c != '\\')
        {
            bytes += c;
            continue;
        }
        if (++i >= s.size()) return false;
        switch (s[i])
        {
        case '\\':
            bytes += '\\';
            break;
        case '"':
            bytes += '"';
            break;
        case 'n':
            bytes += '\n';
            break;
        case 'r':
            bytes += '\r';
            break;
        case 't':
            bytes += '\t';
            break;
        case 'x':
        {
            if (i + 2 >= s.size()) return false;
            const int h = HexDigit(s[i + 1]), l = HexDigit(s[i + 2]);
            // Control characters only, and never a null: the text ends at its first null.
            if (h < 0 || l < 0 || h * 16 + l == 0 || (h * 16 + l >= 0x20 && h * 16 + l != 0x7F)) return false;
            bytes += char(h * 16 + l);
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    if (!IsValidUtf8(bytes)) return false;
    out = Utf8ToWide(bytes);
    s.remove_prefix(i + 1);
    return true;
}

bool ParseHexBytes(std::string_view s, std::string& out)
{
    out.clear();
    if (s.empty()) return true;
    for (std::size_t i = 0;; i += 3)
    {
        if (i + 2 > s.size()) return false;
        const int h = HexDigit(s[i]), l = HexDigit(s[i + 1]);
        if (h < 0 || l < 0) return false;
        out += char(h * 16 + l);
        if (i + 2 == s.size()) return true;
        if (s[i + 2] != ',') return false;
    }
}

// The text of a clean string value: even length, one terminating null at the end and no other,
// and a UTF-16 text that encodes back to the same bytes.
bool CleanString(const std::string& data, std::wstring& text)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 1] != 0 || data[data.size() - 2] != 0)
        return false;
    text = FromUtf16Le(std::string_view(data).substr(0, data.size() - 2));
    if (text.find(L'\0') != std::wstring::npos) return false;
    // Lone surrogates (the kept bytes of a file name) have no text form: written in hex.
    for (wchar_t c : text)
        if (c >= 0xD800 && c <= 0xDFFF) return false;
    return ToRegString(text) == data;
}

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// What is at the settings path, as far as the store is concerned.
enum class LoadStatus
{
    Ok,         // a settings file, parsed
    Missing,    // no file yet
    Damaged,    // a file that is not a settings file: it does not parse, or is far too large
    Unreadable, // nothing a store can be opened on: no permission, an error of the system, or
                // not a regular file (a folder, a FIFO, a device)
};

struct Loaded
{
    LoadStatus status = LoadStatus::Missing;
    std::shared_ptr<const SettingsContents> contents; // Ok: the parsed file; otherwise empty
};

// What tells one state of a file from another without reading it.
struct Identity
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t modified = 0; // nanoseconds
    std::int64_t changed = 0;
    bool operator==(const Identity&) const = default;
};

Identity IdentityOf(const struct stat& st)
{
    return {st.st_dev, st.st_ino, st.st_size,
            std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
            std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec};
}

// The files read so far and what they held, so that a file is parsed again only when it changed
// (a large file costs a second per parse, and every accessor opens the store). A state is trusted
// only when its modification time was at least two seconds old when it was read: a change made
// within the same tick of the file system's clock, without changing the size, would look alike.
struct CacheEntry
{
    Identity identity;
    Loaded loaded;
    bool trusted = false;
};
std::mutex g_cacheMutex;
std::map<std::string, CacheEntry> g_cache;

std::atomic<std::uint64_t> g_parses{0};

bool SettledAt(const Identity& id)
{
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    const std::int64_t nowNs = std::int64_t(now.tv_sec) * 1000000000 + now.tv_nsec;
    return nowNs - id.modified >= std::int64_t(2) * 1000000000;
}

Loaded LoadContents(const std::string& file)
{
    if (file.empty()) return {LoadStatus::Unreadable, nullptr};
    struct stat st;
    if (::stat(file.c_str(), &st) != 0)
        return {errno == ENOENT || errno == ENOTDIR ? LoadStatus::Missing : LoadStatus::Unreadable, nullptr};
    {
        std::lock_guard lock(g_cacheMutex);
        const auto it = g_cache.find(file);
        if (it != g_cache.end() && it->second.trusted && it->second.identity == IdentityOf(st))
            return it->second.loaded;
    }
    // Read without blocking on a FIFO, and parse.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        if (errno == ENOENT) return {LoadStatus::Missing, nullptr};
        return {LoadStatus::Unreadable, nullptr};
    }
    Loaded loaded;
    std::string text;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        loaded.status = LoadStatus::Unreadable;
    else if (std::uint64_t(st.st_size) > kMaxFileBytes)
        loaded.status = LoadStatus::Damaged;
    else
    {
        loaded.status = LoadStatus::Ok;
        char buf[65536];
        for (;;)
        {
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0)
            {
                loaded.status = LoadStatus::Unreadable;
                break;
            }
            if (n == 0) break;
            if (text.size() + std::size_t(n) > kMaxFileBytes)
            {
                loaded.status = LoadStatus::Damaged;
                break;
            }
            text.append(buf, std::size_t(n));
        }
    }
    ::close(fd);
    if (loaded.status == LoadStatus::Ok)
    {
        auto contents = std::make_shared<SettingsContents>();
        g_parses.fetch_add(1);
        if (contents->Parse(text))
            loaded.contents = std::move(contents);
        else
            loaded.status = LoadStatus::Damaged;
    }
    if (loaded.status == LoadStatus::Ok || loaded.status == LoadStatus::Damaged)
    {
        const Identity id = IdentityOf(st);
        std::lock_guard lock(g_cacheMutex);
        g_cache[file] = {id, loaded, SettledAt(id)};
    }
    return loaded;
}

// Moves a damaged settings file aside, under its name followed by ".endommage-" and the date
// and time, so that the user keeps it and the store can start a new one.
bool MoveDamagedAside(const std::string& file)
{
    const std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &t);
    const std::string base = file + ".endommage-" + stamp;
    for (int n = 1; n < 100; ++n)
    {
        const std::string aside = n == 1 ? base : base + "-" + std::to_string(n);
        struct stat st;
        if (::lstat(aside.c_str(), &st) == 0) continue;
        return ::rename(file.c_str(), aside.c_str()) == 0;
    }
    return false;
}

bool MakeFolders(const std::string& folder)
{
    if (folder.empty()) return true;
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) return false;
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size())
    {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += std::size_t(n);
    }
    return true;
}

// Replaces the file by text: a temporary file beside it, flushed, then renamed over it. A
// settings file reached through a symbolic link is written where the link points, and the link
// stays. The new file keeps the permissions of the old one; a first file is private.
bool ReplaceFile(const std::string& file, const std::string& text)
{
    std::string temp;
    const int fd = CreateTemporaryBeside(file, false, temp);
    if (fd < 0) return false;
    bool ok = KindOfFile(file) == FileKind::Regular ? CopyFileAttributes(file, fd) : ::fchmod(fd, 0600) == 0;
    ok = ok && WriteAll(fd, text) && ::fsync(fd) == 0;
    if (::close(fd) != 0 || !ok || ::rename(temp.c_str(), file.c_str()) != 0)
    {
        ::unlink(temp.c_str());
        return false;
    }
    FlushFolderOf(file);
    return true;
}

// The advisory lock that serialises writers, on a file of its own beside the settings (the
// settings file itself is replaced by every write, so a lock on it would not last).
class WriteLock
{
public:
    explicit WriteLock(const std::string& file)
    {
        m_fd = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0) return;
        while (::flock(m_fd, LOCK_EX) != 0)
            if (errno != EINTR)
            {
                ::close(m_fd);
                m_fd = -1;
                return;
            }
    }
    ~WriteLock()
    {
        if (m_fd >= 0) ::close(m_fd); // releases the lock
    }
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
} // namespace

std::wstring SettingsContents::Fold(std::wstring_view text)
{
    std::wstring out(text);
    for (wchar_t& c : out)
        if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
    return out;
}

const SettingsContents::Key* SettingsContents::FindKey(std::wstring_view path) const
{
    const auto it = m_keys.find(Fold(path));
    return it == m_keys.end() ? nullptr : &it->second;
}

SettingsContents::Key& SettingsContents::MakeKey(std::wstring_view path)
{
    Key& key = m_keys[Fold(path)];
    if (key.path.empty()) key.path = std::wstring(path);
    return key;
}

bool SettingsContents::RemoveKey(std::wstring_view path)
{
    return m_keys.erase(Fold(path)) != 0;
}

std::string SettingsContents::Format() const
{
    std::string out = "; Orvalis 5 settings\n";
    for (const auto& [folded, key] : m_keys)
    {
        (void)folded;
        if (key.values.empty()) continue;
        out += "\n[" + WideToUtf8(key.path) + "]\n";
        for (const auto& [foldedName, entry] : key.values)
        {
            (void)foldedName;
            const auto& [name, value] = entry;
            AppendQuoted(out, name);
            out += '=';
            std::wstring text;
            if (value.type == REG_DWORD && value.data.size() == 4)
            {
                DWORD v;
                std::memcpy(&v, value.data.data(), 4);
                char buf[24];
                std::snprintf(buf, sizeof buf, "dword:%08x", unsigned(v));
                out += buf;
            }
            else if ((value.type == REG_SZ || value.type == REG_EXPAND_SZ) && CleanString(value.data, text))
            {
                if (value.type == REG_EXPAND_SZ) out += "expand:";
                AppendQuoted(out, text);
            }
            else
            {
                char buf[32];
                std::snprintf(buf, sizeof buf, "hex(%x):", unsigned(value.type));
                out += buf;
                for (std::size_t i = 0; i < value.data.size(); ++i)
                {
                    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", unsigned(BYTE(value.data[i])));
                    out += buf;
                }
            }
            out += '\n';
        }
    }
    return out;
}

bool SettingsContents::Parse(std::string_view text)
{
    m_keys.clear();
    Key* current = nullptr;
    while (!text.empty())
    {
        const std::size_t end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[')
        {
            if (line.back() != ']' || line.size() < 3) return false;
            const std::string_view path = line.substr(1, line.size() - 2);
            if (!IsValidUtf8(path)) return false;
            const std::wstring wide = Utf8ToWide(path);
            if (HasControl(wide)) return false;
            current = &MakeKey(wide);
            continue;
        }
        if (!current) return false;
        std::wstring name;
        if (!ParseQuoted(line, name) || line.empty() || line[0] != '=') return false;
        line.remove_prefix(1);
        SettingsValue value;
        std::wstring string;
        if (line.starts_with("dword:"))
        {
            line.remove_prefix(6);
            if (line.size() != 8) return false;
            DWORD v = 0;
            for (char c : line)
            {
                const int d = HexDigit(c);
                if (d < 0) return false;
                v = v * 16 + DWORD(d);
            }
            value.type = REG_DWORD;
            value.data.assign(reinterpret_cast<const char*>(&v), 4);
        }
        else if (line.starts_with("hex("))
        {
            const std::size_t close = line.find("):");
            if (close == std::string_view::npos || close < 5 || close > 12) return false;
            DWORD type = 0;
            for (char c : line.substr(4, close - 4))
            {
                const int d = HexDigit(c);
                if (d < 0) return false;
                type = type * 16 + DWORD(d);
            }
            value.type = type;
            if (!ParseHexBytes(line.substr(close + 2), value.data)) return false;
        }
        else
        {
            value.type = REG_SZ;
            if (line.starts_with("expand:"))
            {
                value.type = REG_EXPAND_SZ;
                line.remove_prefix(7);
            }
            if (!ParseQuoted(line, string) || !line.empty()) return false;
            value.data = ToRegString(string);
        }
        current->values[Fold(name)] = {name, std::move(value)};
    }
    return true;
}

std::uint64_t SettingsFileParses()
{
    return g_parses.load();
}

std::string DefaultSettingsFile()
{
    std::string base;
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/')
        base = xdg;
    else
    {
        const char* home = std::getenv("HOME");
        if (home && home[0] == '/')
            base = home;
        else if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
            base = pw->pw_dir;
        else
            return {};
        base += "/.config";
    }
    return base + "/orvalis5/settings.reg";
}

LONG SettingsKey::Open(const std::string& file, std::wstring_view path, bool create)
{
    m_open = false;
    if (HasControl(path) || path.empty()) return ERROR_INVALID_HANDLE;
    const Loaded loaded = LoadContents(file);
    // A damaged file reads as an empty store: a key opened to be created in it gives every
    // reader its default, and the first write moves the damaged file aside.
    if (loaded.status == LoadStatus::Unreadable || (loaded.status == LoadStatus::Damaged && !create))
        return ERROR_ACCESS_DENIED;
    const SettingsContents::Key* key = loaded.contents ? loaded.contents->FindKey(path) : nullptr;
    if (!key && !create) return ERROR_FILE_NOT_FOUND;
    m_file = file;
    m_path = std::wstring(path);
    m_snapshot = key ? *key : SettingsContents::Key{m_path, {}};
    m_open = true;
    return ERROR_SUCCESS;
}

LONG SettingsKey::QueryValue(std::wstring_view name, SettingsValue& out, std::size_t maxBytes) const
{
    if (!m_open) return ERROR_INVALID_HANDLE;
    const auto it = m_snapshot.values.find(SettingsContents::Fold(name));
    if (it == m_snapshot.values.end()) return ERROR_FILE_NOT_FOUND;
    const SettingsValue& value = it->second.second;
    out.type = value.type;
    if (value.data.size() > maxBytes)
    {
        out.data.clear();
        return ERROR_MORE_DATA;
    }
    out.data = value.data;
    return ERROR_SUCCESS;
}

template <class Change> LONG SettingsKey::Rewrite(Change change)
{
    if (!m_open) return ERROR_INVALID_HANDLE;
    const std::size_t slash = m_file.find_last_of('/');
    if (slash != std::string::npos && !MakeFolders(m_file.substr(0, slash))) return ERROR_ACCESS_DENIED;
    WriteLock lock(m_file);
    if (!lock.Held()) return ERROR_ACCESS_DENIED;
    // The file a link names is the one written (and moved aside).
    const std::string target = ResolveSaveTarget(m_file);
    // Read again under the lock: another program may have written since this key was opened.
    const Loaded loaded = LoadContents(m_file);
    if (loaded.status == LoadStatus::Unreadable) return ERROR_ACCESS_DENIED;
    // A damaged file would swallow every change: it goes aside for the user, and the store
    // starts again from this change.
    if (loaded.status == LoadStatus::Damaged && !MoveDamagedAside(target)) return ERROR_ACCESS_DENIED;
    SettingsContents contents = loaded.contents ? *loaded.contents : SettingsContents();
    SettingsContents::Key& key = contents.MakeKey(m_path);
    const LONG result = change(key);
    if (result != ERROR_SUCCESS) return result;
    if (!ReplaceFile(target, contents.Format())) return ERROR_ACCESS_DENIED;
    m_snapshot = key;
    return ERROR_SUCCESS;
}

LONG SettingsKey::SetValue(std::wstring_view name, DWORD type, std::string_view data)
{
    return Rewrite(
        [&](SettingsContents::Key& key)
        {
            key.values[SettingsContents::Fold(name)] = {std::wstring(name),
                                                        SettingsValue{type, std::string(data)}};
            return ERROR_SUCCESS;
        });
}

LONG SettingsKey::DeleteValue(std::wstring_view name)
{
    return Rewrite(
        [&](SettingsContents::Key& key)
        { return key.values.erase(SettingsContents::Fold(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND; });
}

std::string ToRegString(std::wstring_view text)
{
    std::string out;
    out.reserve((text.size() + 1) * 2);
    auto unit = [&](unsigned u)
    {
        out += char(u & 0xFF);
        out += char(u >> 8);
    };
    for (wchar_t w : text)
    {
        if (w == L'\0') break;
        char32_t c = char32_t(w);
        // A lone surrogate stays a lone unit: it may hold a byte of a file name (TextConv).
        if (c > 0x10FFFF) c = 0xFFFD;
        if (c >= 0x10000)
        {
            c -= 0x10000;
            unit(0xD800 + unsigned(c >> 10));
            unit(0xDC00 + unsigned(c & 0x3FF));
        }
        else
            unit(unsigned(c));
    }
    unit(0);
    return out;
}

std::wstring FromUtf16Le(std::string_view data)
{
    std::wstring out;
    const std::size_t n = data.size() / 2;
    out.reserve(n);
    auto at = [&](std::size_t i)
    { return unsigned(BYTE(data[2 * i])) | unsigned(BYTE(data[2 * i + 1])) << 8; };
    for (std::size_t i = 0; i < n; ++i)
    {
        const unsigned u = at(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && at(i + 1) >= 0xDC00 && at(i + 1) <= 0xDFFF)
        {
            out += wchar_t(0x10000 + ((u - 0xD800) << 10) + (at(i + 1) - 0xDC00));
            ++i;
        }
        else
            out += wchar_t(u); // a lone half too, as it was written
    }
    return out;
}
