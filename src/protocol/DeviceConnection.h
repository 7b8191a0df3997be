#pragma once

#include "net/StrmCltSocket.h"

#include <chrono>
#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace Korvane {

constexpr uint16_t KORVANE_DEVICE_PORT = 51055;

// One framed exchange with a device over TCP: the "00RX" request frame, optional additional
// data, and length-prefixed Base64 response messages. Each write waits at most the socket wait
// limit for the device to take more. Reading the answer has a deadline of ten socket wait limits,
// counted from the end of the upload (a firmware image may take long to send), so that a device
// that keeps answering "WAIT" or trickles its answer cannot hold the caller for ever.
class CDeviceConnection {
public:
    static constexpr size_t ADDITIONAL_CHUNK_BYTES = 32768;

    CDeviceConnection(int nFamily, std::string_view address, Zelt::CancelEventPtr cancelEvent,
                      int nSocketWaitMilliseconds);

    void SendRequest(std::string_view base64Request);
    // Sends the size and then the bytes of a seekable stream, a chunk at a time.
    void SendAdditionalData(std::istream& data);
    // The text of the device's final response (see CResponseReader::ReadFinalResponse); the
    // exchange deadline starts here.
    std::string ReadFinalResponse();
    void Close() { m_socket.Close(); }

private:
    void WriteAll(const void* pData, size_t nLength);
    void ReadExactly(void* pBuffer, size_t nLength);
    void LimitWaitToDeadline();
    // Runs a step on the socket; a failure leaves it naming the device's address and port.
    template <typename Step>
    void AtDevice(Step&& step);

    Zelt::CStrmCltSocket m_socket;
    std::string m_address;
    int m_nSocketWaitMilliseconds;
    std::chrono::steady_clock::time_point m_deadline = std::chrono::steady_clock::time_point::max();
};

} // namespace Korvane
