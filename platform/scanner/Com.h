// A small component layer for the device-manager road: result codes, GUIDs, reference-counted
// interfaces, task memory, and the typed property values that device properties are read and
// written with. Our own, shaped after what the acquisition code expects of it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using PROPID = std::uint32_t;
using VARTYPE = std::uint16_t;
using WCHAR = char16_t;
using BSTR = WCHAR*;
using LPOLESTR = WCHAR*;
using LPCOLESTR = const WCHAR*;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT CO_E_CLASSSTRING = HRESULT(0x800401F3u);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
    bool operator==(const GUID&) const = default;
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;

constexpr GUID GUID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" to a GUID; CO_E_CLASSSTRING for anything else.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* out);

class IUnknown
{
public:
    virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The reference count of an object; the last Release deletes it.
template <class Base> class CRefCounted : public Base
{
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

protected:
    std::atomic<ULONG> m_refs{1};
};

// Task memory: blocks handed from a callee to its caller.
void* CoTaskMemAlloc(std::size_t bytes);
void* CoTaskMemRealloc(void* block, std::size_t bytes);
void CoTaskMemFree(void* block);

// Strings with their length before them.
BSTR SysAllocString(const std::u16string& text);
void SysFreeString(BSTR text);

// Property value types.
enum : VARTYPE
{
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_BSTR = 8,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_INT = 22,
    VT_UINT = 23,
    VT_LPSTR = 30,
    VT_LPWSTR = 31,
    VT_CLSID = 72,
};

struct PROPVARIANT
{
    VARTYPE vt = VT_EMPTY;
    union
    {
        std::int8_t cVal;
        std::uint8_t bVal;
        std::int16_t iVal;
        std::uint16_t uiVal;
        std::int32_t lVal;
        std::uint32_t ulVal;
        std::int32_t intVal;
        std::uint32_t uintVal;
        float fltVal;
        double dblVal;
        BSTR bstrVal;
        char* pszVal;
        WCHAR* pwszVal;
        CLSID* puuid;
    };
    PROPVARIANT() : dblVal(0) {}
};

// Frees what a value owns (strings, GUIDs) and empties it.
void PropVariantClear(PROPVARIANT* value);

constexpr ULONG PRKEY_LPWSTR = 0;
constexpr ULONG PRKEY_PROPID = 1;

struct PROPKEY
{
    ULONG ulKind = PRKEY_PROPID;
    union
    {
        PROPID propid;
        LPOLESTR lpwstr;
    };
    PROPKEY() : propid(0) {}
};

// An input stream of bytes in memory, as the acquisition roads hand images over.
enum : ULONG
{
    STREAM_SEEK_SET = 0,
    STREAM_SEEK_CUR = 1,
    STREAM_SEEK_END = 2,
};

struct STATSTG
{
    std::uint64_t cbSize = 0;
};

class IStream : public IUnknown
{
public:
    virtual HRESULT Read(void* data, ULONG bytes, ULONG* read) = 0;
    virtual HRESULT Write(const void* data, ULONG bytes, ULONG* written) = 0;
    virtual HRESULT Seek(std::int64_t move, ULONG origin, std::uint64_t* position) = 0;
    virtual HRESULT SetSize(std::uint64_t size) = 0;
    virtual HRESULT Stat(STATSTG* stat, ULONG flags) = 0;
};

constexpr IID IID_IStream = {0x0000000C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
