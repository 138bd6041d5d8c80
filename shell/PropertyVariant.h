// The value a property row holds: empty, a signed or unsigned integer of 8 to 32 bits, a boolean
// or a text, with the conversions between them that the rows need (text to number and back,
// boolean to number). Conversions never look at the locale: numbers are plain decimal digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

using VARTYPE = std::uint16_t;

enum : VARTYPE
{
    VT_EMPTY = 0,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_BOOL = 11,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_INT = 22,
    VT_UINT = 23,
};

// A true boolean holds -1 in its 16 bits, a false one 0.
constexpr std::int16_t VARIANT_TRUE = -1;
constexpr std::int16_t VARIANT_FALSE = 0;

class CPropertyVariant
{
public:
    CPropertyVariant() = default;

    static CPropertyVariant Int(VARTYPE type, std::int64_t value); // null variant when out of range
    static CPropertyVariant I4(std::int32_t value) { return Int(VT_I4, value); }
    static CPropertyVariant Bool(bool value);
    static CPropertyVariant Text(std::wstring text);

    VARTYPE Type() const { return m_vt; }
    bool IsEmpty() const { return m_vt == VT_EMPTY; }
    bool IsInteger() const;
    // The integer of an integer type, or the 16-bit value of a boolean (-1 or 0).
    std::int64_t IntValue() const { return m_int; }
    bool BoolValue() const { return m_vt == VT_BOOL && m_int != 0; }
    const std::wstring& TextValue() const { return m_text; }

    // The value converted to another type, or nothing when it cannot be: a text that is not a
    // whole decimal number in the target's range, a number out of the target's range.
    std::optional<CPropertyVariant> ChangeType(VARTYPE type) const;
    // In place; false (and unchanged) when the conversion fails.
    bool ChangeTypeInPlace(VARTYPE type);

    bool operator==(const CPropertyVariant&) const = default;

private:
    VARTYPE m_vt = VT_EMPTY;
    std::int64_t m_int = 0;
    std::wstring m_text;
};

// The range of an integer type; false for the other types.
bool IntegerRange(VARTYPE type, std::int64_t& lo, std::int64_t& hi);
// A text as a decimal integer: blanks around it, an optional sign, at least one digit, nothing
// else; nothing when it is not one or does not fit in 64 bits.
std::optional<std::int64_t> ParseDecimal(const std::wstring& text);
