#include "platform/scanner/Com.h"

#include "platform/scanner/MemoryStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>

namespace
{
int HexDigit(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

bool ReadHex(LPCOLESTR& p, int digits, std::uint64_t* out)
{
    std::uint64_t v = 0;
    for (int i = 0; i < digits; ++i)
    {
        const int d = HexDigit(p[i]);
        if (d < 0) return false;
        v = v << 4 | std::uint64_t(d);
    }
    p += digits;
    *out = v;
    return true;
}
} // namespace

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out)
{
    if (!text || !out) return E_INVALIDARG;
    LPCOLESTR p = text;
    std::uint64_t v = 0;
    CLSID g{};
    if (*p++ != u'{') return CO_E_CLASSSTRING;
    if (!ReadHex(p, 8, &v) || *p++ != u'-') return CO_E_CLASSSTRING;
    g.Data1 = std::uint32_t(v);
    if (!ReadHex(p, 4, &v) || *p++ != u'-') return CO_E_CLASSSTRING;
    g.Data2 = std::uint16_t(v);
    if (!ReadHex(p, 4, &v) || *p++ != u'-') return CO_E_CLASSSTRING;
    g.Data3 = std::uint16_t(v);
    for (int i = 0; i < 8; ++i)
    {
        if (i == 2 && *p++ != u'-') return CO_E_CLASSSTRING;
        if (!ReadHex(p, 2, &v)) return CO_E_CLASSSTRING;
        g.Data4[i] = std::uint8_t(v);
    }
    if (*p++ != u'}' || *p != 0) return CO_E_CLASSSTRING;
    *out = g;
    return S_OK;
}

void* CoTaskMemAlloc(std::size_t bytes)
{
    return std::malloc(bytes ? bytes : 1);
}

void* CoTaskMemRealloc(void* block, std::size_t bytes)
{
    return std::realloc(block, bytes ? bytes : 1);
}

void CoTaskMemFree(void* block)
{
    std::free(block);
}

BSTR SysAllocString(const std::u16string& text)
{
    auto* block = static_cast<std::uint32_t*>(std::malloc(4 + (text.size() + 1) * sizeof(WCHAR)));
    if (!block) return nullptr;
    *block = std::uint32_t(text.size() * sizeof(WCHAR));
    auto* s = reinterpret_cast<WCHAR*>(block + 1);
    std::memcpy(s, text.data(), text.size() * sizeof(WCHAR));
    s[text.size()] = 0;
    return s;
}

void SysFreeString(BSTR text)
{
    if (text) std::free(reinterpret_cast<std::uint32_t*>(text) - 1);
}

void PropVariantClear(PROPVARIANT* value)
{
    if (!value) return;
    switch (value->vt)
    {
    case VT_BSTR:
        SysFreeString(value->bstrVal);
        break;
    case VT_LPSTR:
    case VT_LPWSTR:
    case VT_CLSID:
        CoTaskMemFree(value->pszVal);
        break;
    default:
        break;
    }
    value->vt = VT_EMPTY;
    value->dblVal = 0;
}

// ---------------------------------------------------------------------------------------------

CMemoryStream* CMemoryStream::Create()
{
    return new (std::nothrow) CMemoryStream;
}

CMemoryStream* CMemoryStream::Create(const void* data, std::size_t size)
{
    CMemoryStream* s = Create();
    if (!s) return nullptr;
    try
    {
        s->m_bytes.assign(static_cast<const std::uint8_t*>(data),
                          static_cast<const std::uint8_t*>(data) + size);
    }
    catch (const std::bad_alloc&)
    {
        s->Release();
        return nullptr;
    }
    return s;
}

HRESULT CMemoryStream::QueryInterface(REFIID iid, void** out)
{
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IStream) return E_NOINTERFACE;
    AddRef();
    *out = static_cast<IStream*>(this);
    return S_OK;
}

HRESULT CMemoryStream::Read(void* data, ULONG bytes, ULONG* read)
{
    if (!data && bytes) return E_POINTER;
    const std::uint64_t left = m_position < m_bytes.size() ? m_bytes.size() - m_position : 0;
    const ULONG n = ULONG(std::min<std::uint64_t>(left, bytes));
    if (n) std::memcpy(data, m_bytes.data() + m_position, n);
    m_position += n;
    if (read) *read = n;
    return n == bytes ? S_OK : S_FALSE;
}

HRESULT CMemoryStream::Write(const void* data, ULONG bytes, ULONG* written)
{
    if (!data && bytes) return E_POINTER;
    const std::uint64_t end = m_position + bytes;
    if (end > std::numeric_limits<std::size_t>::max() / 2) return E_OUTOFMEMORY;
    try
    {
        if (end > m_bytes.size()) m_bytes.resize(std::size_t(end));
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    if (bytes) std::memcpy(m_bytes.data() + m_position, data, bytes);
    m_position = end;
    if (written) *written = bytes;
    return S_OK;
}

HRESULT CMemoryStream::Seek(std::int64_t move, ULONG origin, std::uint64_t* position)
{
    std::int64_t base = 0;
    switch (origin)
    {
    case STREAM_SEEK_SET:
        break;
    case STREAM_SEEK_CUR:
        base = std::int64_t(m_position);
        break;
    case STREAM_SEEK_END:
        base = std::int64_t(m_bytes.size());
        break;
    default:
        return E_INVALIDARG;
    }
    const std::int64_t target = base + move;
    if (target < 0) return E_INVALIDARG;
    m_position = std::uint64_t(target);
    if (position) *position = m_position;
    return S_OK;
}

HRESULT CMemoryStream::SetSize(std::uint64_t size)
{
    if (size > std::numeric_limits<std::size_t>::max() / 2) return E_OUTOFMEMORY;
    try
    {
        m_bytes.resize(std::size_t(size));
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT CMemoryStream::Stat(STATSTG* stat, ULONG)
{
    if (!stat) return E_POINTER;
    stat->cbSize = m_bytes.size();
    return S_OK;
}

bool ReadWholeStream(IStream* stream, std::vector<std::uint8_t>& out)
{
    out.clear();
    if (!stream) return false;
    STATSTG stat;
    std::uint64_t position = 0;
    if (FAILED(stream->Stat(&stat, 0)) || FAILED(stream->Seek(0, STREAM_SEEK_CUR, &position))) return false;
    if (position > stat.cbSize || stat.cbSize - position > (std::uint64_t(1) << 32)) return false;
    out.resize(std::size_t(stat.cbSize - position));
    ULONG read = 0;
    if (!out.empty() && FAILED(stream->Read(out.data(), ULONG(out.size()), &read))) return false;
    out.resize(read);
    return true;
}
