#include "protocol/DeviceConnection.h"

#include "net/SocketErrors.h"
#include "protocol/ResponseReader.h"
#include "support/Trace.h"

#include <algorithm>
#include <arpa/inet.h>

namespace Korvane {
namespace {

constexpr unsigned char kSignature[4] = {'0', '0', 'R', 'X'};

using Clock = std::chrono::steady_clock;

void PutBigEndian(unsigned char* pBytes, uint32_t nValue) {
    const uint32_t nNetwork = htonl(nValue);
    std::copy_n(reinterpret_cast<const unsigned char*>(&nNetwork), 4, pBytes);
}

[[noreturn]] void ThrowClosed() {
    Zelt::ThrowSocketError("CKorvaneInfo::ConnectionKorvane(): the device closed the connection.",
                           Zelt::SOCKET_KIND_RECEIVE);
}

} // namespace

template <typename Step>
void CDeviceConnection::AtDevice(Step&& step) {
    try {
        step();
    } catch (Zelt::CSocketErrorBase& failure) {
        failure.SetRemote(m_address, KORVANE_DEVICE_PORT);
        throw;
    }
}

CDeviceConnection::CDeviceConnection(int nFamily, std::string_view address, Zelt::CancelEventPtr cancelEvent,
                                     int nSocketWaitMilliseconds)
    : m_socket(nFamily, std::move(cancelEvent), nSocketWaitMilliseconds), m_address(address),
      m_nSocketWaitMilliseconds(nSocketWaitMilliseconds) {
    AtDevice([&] { m_socket.Open(address, KORVANE_DEVICE_PORT); });
}

void CDeviceConnection::SendRequest(std::string_view base64Request) {
    if (base64Request.size() > UINT32_MAX) {
        Zelt::ThrowSocketError("CKorvaneInfo::ConnectionKorvane(): request too large.",
                               Zelt::SOCKET_KIND_SEND);
    }
    unsigned char header[8];
    std::copy_n(kSignature, 4, header);
    const auto nLength = static_cast<uint32_t>(base64Request.size());
    PutBigEndian(header + 4, nLength);
    WriteAll(header, 4);
    WriteAll(header + 4, 4);
    Zelt::DebugTrace("CKorvaneInfo::ConnectionKorvane: Send data size: %lu(0x%08x)\n",
                     static_cast<unsigned long>(nLength), nLength);
    WriteAll(base64Request.data(), base64Request.size());
}

void CDeviceConnection::SendAdditionalData(std::istream& data) {
    data.seekg(0, std::ios::end);
    const std::streamoff nSize = data.tellg();
    data.seekg(0, std::ios::beg);
    if (nSize < 0 || static_cast<uint64_t>(nSize) > UINT32_MAX) {
        Zelt::ThrowSocketError("CKorvaneInfo::ConnectionKorvane(): additional data unreadable or too large.",
                               Zelt::SOCKET_KIND_SEND);
    }
    unsigned char header[4];
    PutBigEndian(header, static_cast<uint32_t>(nSize));
    WriteAll(header, sizeof header);
    std::string chunk(ADDITIONAL_CHUNK_BYTES, '\0');
    uint64_t nSent = 0;
    while (nSent < static_cast<uint64_t>(nSize)) {
        data.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        const auto nRead = static_cast<size_t>(data.gcount());
        if (nRead == 0) {
            Zelt::ThrowSocketError("CKorvaneInfo::ConnectionKorvane(): additional data ended early.",
                                   Zelt::SOCKET_KIND_SEND);
        }
        WriteAll(chunk.data(), nRead);
        nSent += nRead;
    }
}

std::string CDeviceConnection::ReadFinalResponse() {
    if (m_nSocketWaitMilliseconds >= 0) {
        m_deadline = Clock::now() + std::chrono::milliseconds(10LL * m_nSocketWaitMilliseconds);
    }
    CResponseReader reader([this](void* pBuffer, size_t nLength) { ReadExactly(pBuffer, nLength); });
    return reader.ReadFinalResponse();
}

void CDeviceConnection::WriteAll(const void* pData, size_t nLength) {
    const auto* pBytes = static_cast<const unsigned char*>(pData);
    AtDevice([&] {
        while (nLength > 0) {
            const size_t nWritten = m_socket.Write(pBytes, nLength);
            pBytes += nWritten;
            nLength -= nWritten;
        }
    });
}

void CDeviceConnection::ReadExactly(void* pBuffer, size_t nLength) {
    auto* pBytes = static_cast<unsigned char*>(pBuffer);
    AtDevice([&] {
        while (nLength > 0) {
            LimitWaitToDeadline();
            const size_t nRead = m_socket.Read(pBytes, nLength, nullptr, nullptr);
            if (nRead == 0) {
                ThrowClosed();
            }
            pBytes += nRead;
            nLength -= nRead;
        }
    });
}

void CDeviceConnection::LimitWaitToDeadline() {
    if (m_nSocketWaitMilliseconds < 0) {
        return;
    }
    const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - Clock::now()).count();
    if (remaining <= 0) {
        Zelt::DebugTrace("CKorvaneInfo::ConnectionKorvane: the exchange ran out of time.\n");
        throw Zelt::CSocketTimeOut(Zelt::SOCKET_KIND_RECEIVE);
    }
    m_socket.SetWaitMilliseconds(static_cast<int>(std::min<long long>(remaining, m_nSocketWaitMilliseconds)));
}

} // namespace Korvane
