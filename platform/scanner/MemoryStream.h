// A stream over bytes it owns: what a scanner transfer is assembled in and read back from.
#pragma once

#include "platform/scanner/Com.h"

#include <cstdint>
#include <vector>

class CMemoryStream : public CRefCounted<IStream>
{
public:
    // A new stream with one reference, the caller's.
    static CMemoryStream* Create();
    // A stream on a copy of the bytes, rewound.
    static CMemoryStream* Create(const void* data, std::size_t size);

    HRESULT QueryInterface(REFIID iid, void** out) override;
    HRESULT Read(void* data, ULONG bytes, ULONG* read) override;
    HRESULT Write(const void* data, ULONG bytes, ULONG* written) override;
    HRESULT Seek(std::int64_t move, ULONG origin, std::uint64_t* position) override;
    HRESULT SetSize(std::uint64_t size) override;
    HRESULT Stat(STATSTG* stat, ULONG flags) override;

    // The bytes, for those that build the stream (the data callback fixes headers in place).
    std::uint8_t* Data() { return m_bytes.data(); }
    const std::uint8_t* Data() const { return m_bytes.data(); }
    std::size_t Size() const { return m_bytes.size(); }
    std::uint64_t Position() const { return m_position; }

private:
    CMemoryStream() = default;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_position = 0;
};

// The bytes of any stream from its current position to its end; false when it cannot be read.
bool ReadWholeStream(IStream* stream, std::vector<std::uint8_t>& out);
