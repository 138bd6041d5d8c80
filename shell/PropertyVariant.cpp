#include "shell/PropertyVariant.h"

#include <limits>

bool IntegerRange(VARTYPE type, std::int64_t& lo, std::int64_t& hi)
{
    switch (type)
    {
    case VT_I2:
        lo = std::numeric_limits<std::int16_t>::min();
        hi = std::numeric_limits<std::int16_t>::max();
        return true;
    case VT_I4:
    case VT_INT:
        lo = std::numeric_limits<std::int32_t>::min();
        hi = std::numeric_limits<std::int32_t>::max();
        return true;
    case VT_UI1:
        lo = 0;
        hi = 0xFF;
        return true;
    case VT_UI2:
        lo = 0;
        hi = 0xFFFF;
        return true;
    case VT_UI4:
    case VT_UINT:
        lo = 0;
        hi = 0xFFFFFFFFLL;
        return true;
    default:
        return false;
    }
}

std::optional<std::int64_t> ParseDecimal(const std::wstring& text)
{
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto blank = [](wchar_t c) { return c == L' ' || c == L'\t'; };
    while (i < n && blank(text[i]))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == L'+' || text[i] == L'-'))
    {
        negative = text[i] == L'-';
        ++i;
    }
    const std::size_t first = i;
    std::uint64_t value = 0;
    constexpr std::uint64_t limit = std::uint64_t(std::numeric_limits<std::int64_t>::max()) + 1;
    while (i < n && text[i] >= L'0' && text[i] <= L'9')
    {
        value = value * 10 + std::uint64_t(text[i] - L'0');
        if (value > limit) return std::nullopt;
        ++i;
    }
    if (i == first) return std::nullopt;
    while (i < n && blank(text[i]))
        ++i;
    if (i != n) return std::nullopt;
    if (!negative && value == limit) return std::nullopt;
    return negative ? std::int64_t(0 - value) : std::int64_t(value);
}

CPropertyVariant CPropertyVariant::Int(VARTYPE type, std::int64_t value)
{
    std::int64_t lo, hi;
    CPropertyVariant v;
    if (!IntegerRange(type, lo, hi) || value < lo || value > hi) return v;
    v.m_vt = type;
    v.m_int = value;
    return v;
}

CPropertyVariant CPropertyVariant::Bool(bool value)
{
    CPropertyVariant v;
    v.m_vt = VT_BOOL;
    v.m_int = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}

CPropertyVariant CPropertyVariant::Text(std::wstring text)
{
    CPropertyVariant v;
    v.m_vt = VT_BSTR;
    v.m_text = std::move(text);
    return v;
}

bool CPropertyVariant::IsInteger() const
{
    std::int64_t lo, hi;
    return IntegerRange(m_vt, lo, hi);
}

std::optional<CPropertyVariant> CPropertyVariant::ChangeType(VARTYPE type) const
{
    if (type == m_vt) return *this;
    if (type == VT_EMPTY) return CPropertyVariant();

    // The number this value stands for, when it stands for one.
    std::optional<std::int64_t> number;
    switch (m_vt)
    {
    case VT_EMPTY:
        number = 0;
        break;
    case VT_BSTR:
        number = ParseDecimal(m_text);
        break;
    default:
        number = m_int;
        break;
    }

    if (type == VT_BSTR)
    {
        if (m_vt == VT_EMPTY) return Text(std::wstring());
        return Text(std::to_wstring(m_int));
    }
    if (!number) return std::nullopt;
    if (type == VT_BOOL) return Bool(*number != 0);
    std::int64_t lo, hi;
    if (!IntegerRange(type, lo, hi) || *number < lo || *number > hi) return std::nullopt;
    return Int(type, *number);
}

bool CPropertyVariant::ChangeTypeInPlace(VARTYPE type)
{
    std::optional<CPropertyVariant> v = ChangeType(type);
    if (!v) return false;
    *this = std::move(*v);
    return true;
}
