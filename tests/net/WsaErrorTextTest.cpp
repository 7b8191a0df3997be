#include "net/WsaErrorText.h"

#include <arpa/inet.h>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <netinet/in.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace {

using Zelt::LastSocketError;
using Zelt::LastWsaErrorText;
using Zelt::WsaErrorFromErrno;
using Zelt::WsaErrorText;

const std::string UNKNOWN_TEXT = "WSA_UNKNOWN: Unknown WSA error code\n";

struct ExpectedRow {
    int nConstant; // the header's constant of that name
    int nCode;
    const char* pszName;
};

#define ROW(name, code)                                                                                      \
    { Zelt::name, code, #name }

// Every Winsock code of the text table, in the table's order.
const ExpectedRow EXPECTED_ROWS[] = {
    ROW(WSA_INVALID_HANDLE, 6),
    ROW(WSA_NOT_ENOUGH_MEMORY, 8),
    ROW(WSA_INVALID_PARAMETER, 87),
    ROW(WSA_OPERATION_ABORTED, 995),
    ROW(WSA_IO_INCOMPLETE, 996),
    ROW(WSA_IO_PENDING, 997),
    ROW(WSAEINTR, 10004),
    ROW(WSAEBADF, 10009),
    ROW(WSAEACCES, 10013),
    ROW(WSAEFAULT, 10014),
    ROW(WSAEINVAL, 10022),
    ROW(WSAEMFILE, 10024),
    ROW(WSAEWOULDBLOCK, 10035),
    ROW(WSAEINPROGRESS, 10036),
    ROW(WSAEALREADY, 10037),
    ROW(WSAENOTSOCK, 10038),
    ROW(WSAEDESTADDRREQ, 10039),
    ROW(WSAEMSGSIZE, 10040),
    ROW(WSAEPROTOTYPE, 10041),
    ROW(WSAENOPROTOOPT, 10042),
    ROW(WSAEPROTONOSUPPORT, 10043),
    ROW(WSAESOCKTNOSUPPORT, 10044),
    ROW(WSAEOPNOTSUPP, 10045),
    ROW(WSAEPFNOSUPPORT, 10046),
    ROW(WSAEAFNOSUPPORT, 10047),
    ROW(WSAEADDRINUSE, 10048),
    ROW(WSAEADDRNOTAVAIL, 10049),
    ROW(WSAENETDOWN, 10050),
    ROW(WSAENETUNREACH, 10051),
    ROW(WSAENETRESET, 10052),
    ROW(WSAECONNABORTED, 10053),
    ROW(WSAECONNRESET, 10054),
    ROW(WSAENOBUFS, 10055),
    ROW(WSAEISCONN, 10056),
    ROW(WSAENOTCONN, 10057),
    ROW(WSAESHUTDOWN, 10058),
    ROW(WSAETOOMANYREFS, 10059),
    ROW(WSAETIMEDOUT, 10060),
    ROW(WSAECONNREFUSED, 10061),
    ROW(WSAELOOP, 10062),
    ROW(WSAENAMETOOLONG, 10063),
    ROW(WSAEHOSTDOWN, 10064),
    ROW(WSAEHOSTUNREACH, 10065),
    ROW(WSAENOTEMPTY, 10066),
    ROW(WSAEPROCLIM, 10067),
    ROW(WSAEUSERS, 10068),
    ROW(WSAEDQUOT, 10069),
    ROW(WSAESTALE, 10070),
    ROW(WSAEREMOTE, 10071),
    ROW(WSASYSNOTREADY, 10091),
    ROW(WSAVERNOTSUPPORTED, 10092),
    ROW(WSANOTINITIALISED, 10093),
    ROW(WSAEDISCON, 10101),
    ROW(WSAENOMORE, 10102),
    ROW(WSAECANCELLED, 10103),
    ROW(WSAEINVALIDPROCTABLE, 10104),
    ROW(WSAEINVALIDPROVIDER, 10105),
    ROW(WSAEPROVIDERFAILEDINIT, 10106),
    ROW(WSASYSCALLFAILURE, 10107),
    ROW(WSASERVICE_NOT_FOUND, 10108),
    ROW(WSATYPE_NOT_FOUND, 10109),
    ROW(WSA_E_NO_MORE, 10110),
    ROW(WSA_E_CANCELLED, 10111),
    ROW(WSAEREFUSED, 10112),
    ROW(WSAHOST_NOT_FOUND, 11001),
    ROW(WSATRY_AGAIN, 11002),
    ROW(WSANO_RECOVERY, 11003),
    ROW(WSANO_DATA, 11004),
    ROW(WSA_QOS_RECEIVERS, 11005),
    ROW(WSA_QOS_SENDERS, 11006),
    ROW(WSA_QOS_NO_SENDERS, 11007),
    ROW(WSA_QOS_NO_RECEIVERS, 11008),
    ROW(WSA_QOS_REQUEST_CONFIRMED, 11009),
    ROW(WSA_QOS_ADMISSION_FAILURE, 11010),
    ROW(WSA_QOS_POLICY_FAILURE, 11011),
    ROW(WSA_QOS_BAD_STYLE, 11012),
    ROW(WSA_QOS_BAD_OBJECT, 11013),
    ROW(WSA_QOS_TRAFFIC_CTRL_ERROR, 11014),
    ROW(WSA_QOS_GENERIC_ERROR, 11015),
    ROW(WSA_QOS_ESERVICETYPE, 11016),
    ROW(WSA_QOS_EFLOWSPEC, 11017),
    ROW(WSA_QOS_EPROVSPECBUF, 11018),
    ROW(WSA_QOS_EFILTERSTYLE, 11019),
    ROW(WSA_QOS_EFILTERTYPE, 11020),
    ROW(WSA_QOS_EFILTERCOUNT, 11021),
    ROW(WSA_QOS_EOBJLENGTH, 11022),
    ROW(WSA_QOS_EFLOWCOUNT, 11023),
    ROW(WSA_QOS_EUNKOWNPSOBJ, 11024),
    ROW(WSA_QOS_EPOLICYOBJ, 11025),
    ROW(WSA_QOS_EFLOWDESC, 11026),
    ROW(WSA_QOS_EPSFLOWSPEC, 11027),
    ROW(WSA_QOS_EPSFILTERSPEC, 11028),
    ROW(WSA_QOS_ESDMODEOBJ, 11029),
    ROW(WSA_QOS_ESHAPERATEOBJ, 11030),
    ROW(WSA_QOS_RESERVED_PETYPE, 11031),
};

#undef ROW

// The codes that have a row, in ascending order, found through the public lookup only.
std::vector<int> CodesWithText() {
    std::vector<int> codes;
    for (int nCode = -20000; nCode <= 20000; ++nCode) {
        if (WsaErrorText(nCode) != UNKNOWN_TEXT) {
            codes.push_back(nCode);
        }
    }
    return codes;
}

// --- the text table ---

TEST(WsaErrorTextTest, HasExactlyTheNinetyFiveCodesInOrder) {
    ASSERT_EQ(std::size(EXPECTED_ROWS), 95u);
    std::vector<int> expected;
    for (const ExpectedRow& row : EXPECTED_ROWS) {
        expected.push_back(row.nCode);
    }
    EXPECT_EQ(CodesWithText(), expected);
}

TEST(WsaErrorTextTest, EveryRowIsNameColonDescriptionLine) {
    std::set<std::string> texts;
    for (const ExpectedRow& row : EXPECTED_ROWS) {
        EXPECT_EQ(row.nConstant, row.nCode) << row.pszName;
        const std::string strText = WsaErrorText(row.nCode);
        const std::string strPrefix = std::string(row.pszName) + ": ";
        ASSERT_EQ(strText.compare(0, strPrefix.size(), strPrefix), 0) << strText;
        const std::string strDescription = strText.substr(strPrefix.size());
        ASSERT_GE(strDescription.size(), 3u) << strText;
        EXPECT_TRUE(std::isupper(static_cast<unsigned char>(strDescription.front()))) << strText;
        EXPECT_EQ(strDescription.substr(strDescription.size() - 2), ".\n") << strText;
        EXPECT_EQ(strDescription.find('\n'), strDescription.size() - 1) << strText;
        texts.insert(strText);
    }
    EXPECT_EQ(texts.size(), std::size(EXPECTED_ROWS));
}

TEST(WsaErrorTextTest, TellingRowsReadExactly) {
    EXPECT_STREQ(WsaErrorText(10035), "WSAEWOULDBLOCK: Resource temporarily unavailable.\n");
    EXPECT_STREQ(WsaErrorText(10060), "WSAETIMEDOUT: Connection timed out.\n");
    EXPECT_STREQ(WsaErrorText(10061), "WSAECONNREFUSED: Connection refused.\n");
    EXPECT_STREQ(WsaErrorText(10065), "WSAEHOSTUNREACH: No route to host.\n");
    EXPECT_STREQ(WsaErrorText(10093), "WSANOTINITIALISED: Successful WSAStartup not yet performed.\n");
    EXPECT_STREQ(WsaErrorText(11024), "WSA_QOS_EUNKOWNPSOBJ: Unrecognized QOS object.\n");
    EXPECT_STREQ(WsaErrorText(10042), "WSAENOPROTOOPT: Bad protocol option.\n");
    EXPECT_STREQ(WsaErrorText(10047), "WSAEAFNOSUPPORT: Address family not supported by protocol family.\n");
}

TEST(WsaErrorTextTest, UnknownCodesShareOneLine) {
    for (const int nCode : {0, 1, 7, 10000, 10001, 10072, 10090, 10100, 10113, 11000, 11032, -10035}) {
        EXPECT_EQ(WsaErrorText(nCode), UNKNOWN_TEXT) << nCode;
    }
}

// --- errno to Winsock code ---

TEST(WsaErrorTextTest, MapsSocketErrnosToTheirWinsockCodes) {
    const std::pair<int, int> mapping[] = {
        {EINTR, 10004},
        {EBADF, 10009},
        {EACCES, 10013},
        {EPERM, 10013},
        {EFAULT, 10014},
        {EINVAL, 10022},
        {EMFILE, 10024},
        {ENFILE, 10024},
        {EWOULDBLOCK, 10035},
        {EAGAIN, 10035},
        {EINPROGRESS, 10036},
        {EALREADY, 10037},
        {ENOTSOCK, 10038},
        {EDESTADDRREQ, 10039},
        {EMSGSIZE, 10040},
        {EPROTOTYPE, 10041},
        {ENOPROTOOPT, 10042},
        {EPROTONOSUPPORT, 10043},
        {ESOCKTNOSUPPORT, 10044},
        {EOPNOTSUPP, 10045},
        {ENOTSUP, 10045},
        {EPFNOSUPPORT, 10046},
        {EAFNOSUPPORT, 10047},
        {EADDRINUSE, 10048},
        {EADDRNOTAVAIL, 10049},
        {ENETDOWN, 10050},
        {ENETUNREACH, 10051},
        {ENETRESET, 10052},
        {ECONNABORTED, 10053},
        {ECONNRESET, 10054},
        {ENOBUFS, 10055},
        {EISCONN, 10056},
        {ENOTCONN, 10057},
        {ESHUTDOWN, 10058},
        {EPIPE, 10058},
        {ETOOMANYREFS, 10059},
        {ETIMEDOUT, 10060},
        {ECONNREFUSED, 10061},
        {ELOOP, 10062},
        {ENAMETOOLONG, 10063},
        {EHOSTDOWN, 10064},
        {EHOSTUNREACH, 10065},
        {ENOTEMPTY, 10066},
        {EUSERS, 10068},
        {EDQUOT, 10069},
        {ESTALE, 10070},
        {EREMOTE, 10071},
        {ECANCELED, 10103},
        {ENOMEM, 8},
    };
    for (const auto& [nErrno, nCode] : mapping) {
        EXPECT_EQ(WsaErrorFromErrno(nErrno), nCode) << std::strerror(nErrno);
        EXPECT_NE(WsaErrorText(WsaErrorFromErrno(nErrno)), UNKNOWN_TEXT) << std::strerror(nErrno);
    }
    EXPECT_STREQ(WsaErrorText(WsaErrorFromErrno(ECONNREFUSED)), "WSAECONNREFUSED: Connection refused.\n");
}

TEST(WsaErrorTextTest, ErrnosWithoutCounterpartGiveTheUnknownLine) {
    // ENXIO (6) and ENOEXEC (8) share their numbers with table rows and must not borrow them.
    for (const int nErrno : {EIO, ENOENT, ENXIO, ENOEXEC, ENOSPC, ENOSYS, EEXIST, ERANGE}) {
        EXPECT_EQ(WsaErrorText(WsaErrorFromErrno(nErrno)), UNKNOWN_TEXT) << std::strerror(nErrno);
    }
    EXPECT_EQ(WsaErrorFromErrno(0), 0);
    EXPECT_EQ(WsaErrorText(WsaErrorFromErrno(-6)), UNKNOWN_TEXT);
}

// --- the calling thread's last error, from real sockets ---

TEST(WsaErrorTextTest, LastErrorOfRefusedConnection) {
    // A bound TCP socket that does not listen refuses connections to its port.
    const int nClosed = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int nClient = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(nClosed, 0);
    ASSERT_GE(nClient, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t nLength = sizeof address;
    ASSERT_EQ(bind(nClosed, reinterpret_cast<sockaddr*>(&address), nLength), 0);
    ASSERT_EQ(getsockname(nClosed, reinterpret_cast<sockaddr*>(&address), &nLength), 0);
    EXPECT_EQ(connect(nClient, reinterpret_cast<sockaddr*>(&address), nLength), -1);
    EXPECT_EQ(LastSocketError(), 10061);
    EXPECT_STREQ(LastWsaErrorText(), "WSAECONNREFUSED: Connection refused.\n");
    close(nClient);
    close(nClosed);
}

TEST(WsaErrorTextTest, LastErrorOfEmptyNonBlockingReceive) {
    const int nSocket = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    ASSERT_GE(nSocket, 0);
    char buffer[4];
    EXPECT_EQ(recv(nSocket, buffer, sizeof buffer, 0), -1);
    EXPECT_EQ(LastSocketError(), Zelt::WSAEWOULDBLOCK);
    EXPECT_STREQ(LastWsaErrorText(), "WSAEWOULDBLOCK: Resource temporarily unavailable.\n");

    const int nValue = 1;
    EXPECT_EQ(setsockopt(nSocket, SOL_SOCKET, 12345, &nValue, sizeof nValue), -1);
    EXPECT_EQ(LastSocketError(), Zelt::WSAENOPROTOOPT);
    close(nSocket);
}

TEST(WsaErrorTextTest, LastErrorOfUnsupportedFamily) {
    errno = 0;
    EXPECT_EQ(LastSocketError(), 0);
    EXPECT_EQ(socket(12345, SOCK_DGRAM, 0), -1);
    EXPECT_EQ(LastSocketError(), Zelt::WSAEAFNOSUPPORT);
}

} // namespace
