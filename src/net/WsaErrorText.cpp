#include "net/WsaErrorText.h"

#include <algorithm>
#include <cerrno>
#include <iterator>

namespace Zelt {
namespace {

struct WsaErrorRow {
    int nCode;
    const char* pszText;
};

// Ascending by code, for the binary search.
constexpr WsaErrorRow WSA_ERROR_ROWS[] = {
    {WSA_INVALID_HANDLE, "WSA_INVALID_HANDLE: Specified event object handle is invalid.\n"},
    {WSA_NOT_ENOUGH_MEMORY, "WSA_NOT_ENOUGH_MEMORY: Insufficient memory available.\n"},
    {WSA_INVALID_PARAMETER, "WSA_INVALID_PARAMETER: One or more parameters are invalid.\n"},
    {WSA_OPERATION_ABORTED, "WSA_OPERATION_ABORTED: Overlapped operation aborted.\n"},
    {WSA_IO_INCOMPLETE, "WSA_IO_INCOMPLETE: Overlapped I/O event object not in signaled state.\n"},
    {WSA_IO_PENDING, "WSA_IO_PENDING: Overlapped operations will complete later.\n"},
    {WSAEINTR, "WSAEINTR: Interrupted function call.\n"},
    {WSAEBADF, "WSAEBADF: File handle is not valid.\n"},
    {WSAEACCES, "WSAEACCES: Permission denied.\n"},
    {WSAEFAULT, "WSAEFAULT: Bad address.\n"},
    {WSAEINVAL, "WSAEINVAL: Invalid argument.\n"},
    {WSAEMFILE, "WSAEMFILE: Too many open files.\n"},
    {WSAEWOULDBLOCK, "WSAEWOULDBLOCK: Resource temporarily unavailable.\n"},
    {WSAEINPROGRESS, "WSAEINPROGRESS: Operation now in progress.\n"},
    {WSAEALREADY, "WSAEALREADY: Operation already in progress.\n"},
    {WSAENOTSOCK, "WSAENOTSOCK: Socket operation on nonsocket.\n"},
    {WSAEDESTADDRREQ, "WSAEDESTADDRREQ: Destination address required.\n"},
    {WSAEMSGSIZE, "WSAEMSGSIZE: Message too long.\n"},
    {WSAEPROTOTYPE, "WSAEPROTOTYPE: Protocol wrong type for socket.\n"},
    {WSAENOPROTOOPT, "WSAENOPROTOOPT: Bad protocol option.\n"},
    {WSAEPROTONOSUPPORT, "WSAEPROTONOSUPPORT: Protocol not supported.\n"},
    {WSAESOCKTNOSUPPORT, "WSAESOCKTNOSUPPORT: Socket type not supported.\n"},
    {WSAEOPNOTSUPP, "WSAEOPNOTSUPP: Operation not supported.\n"},
    {WSAEPFNOSUPPORT, "WSAEPFNOSUPPORT: Protocol family not supported.\n"},
    {WSAEAFNOSUPPORT, "WSAEAFNOSUPPORT: Address family not supported by protocol family.\n"},
    {WSAEADDRINUSE, "WSAEADDRINUSE: Address already in use.\n"},
    {WSAEADDRNOTAVAIL, "WSAEADDRNOTAVAIL: Cannot assign requested address.\n"},
    {WSAENETDOWN, "WSAENETDOWN: Network is down.\n"},
    {WSAENETUNREACH, "WSAENETUNREACH: Network is unreachable.\n"},
    {WSAENETRESET, "WSAENETRESET: Network dropped connection on reset.\n"},
    {WSAECONNABORTED, "WSAECONNABORTED: Software caused connection abort.\n"},
    {WSAECONNRESET, "WSAECONNRESET: Connection reset by peer.\n"},
    {WSAENOBUFS, "WSAENOBUFS: No buffer space available.\n"},
    {WSAEISCONN, "WSAEISCONN: Socket is already connected.\n"},
    {WSAENOTCONN, "WSAENOTCONN: Socket is not connected.\n"},
    {WSAESHUTDOWN, "WSAESHUTDOWN: Cannot send after socket shutdown.\n"},
    {WSAETOOMANYREFS, "WSAETOOMANYREFS: Too many references.\n"},
    {WSAETIMEDOUT, "WSAETIMEDOUT: Connection timed out.\n"},
    {WSAECONNREFUSED, "WSAECONNREFUSED: Connection refused.\n"},
    {WSAELOOP, "WSAELOOP: Cannot translate name.\n"},
    {WSAENAMETOOLONG, "WSAENAMETOOLONG: Name too long.\n"},
    {WSAEHOSTDOWN, "WSAEHOSTDOWN: Host is down.\n"},
    {WSAEHOSTUNREACH, "WSAEHOSTUNREACH: No route to host.\n"},
    {WSAENOTEMPTY, "WSAENOTEMPTY: Directory not empty.\n"},
    {WSAEPROCLIM, "WSAEPROCLIM: Too many processes.\n"},
    {WSAEUSERS, "WSAEUSERS: User quota exceeded.\n"},
    {WSAEDQUOT, "WSAEDQUOT: Disk quota exceeded.\n"},
    {WSAESTALE, "WSAESTALE: Stale file handle reference.\n"},
    {WSAEREMOTE, "WSAEREMOTE: Item is remote.\n"},
    {WSASYSNOTREADY, "WSASYSNOTREADY: Network subsystem is unavailable.\n"},
    {WSAVERNOTSUPPORTED, "WSAVERNOTSUPPORTED: Winsock.dll version out of range.\n"},
    {WSANOTINITIALISED, "WSANOTINITIALISED: Successful WSAStartup not yet performed.\n"},
    {WSAEDISCON, "WSAEDISCON: Graceful shutdown in progress.\n"},
    {WSAENOMORE, "WSAENOMORE: No more results.\n"},
    {WSAECANCELLED, "WSAECANCELLED: Call has been canceled.\n"},
    {WSAEINVALIDPROCTABLE, "WSAEINVALIDPROCTABLE: Procedure call table is invalid.\n"},
    {WSAEINVALIDPROVIDER, "WSAEINVALIDPROVIDER: Service provider is invalid.\n"},
    {WSAEPROVIDERFAILEDINIT, "WSAEPROVIDERFAILEDINIT: Service provider failed to initialize.\n"},
    {WSASYSCALLFAILURE, "WSASYSCALLFAILURE: System call failure.\n"},
    {WSASERVICE_NOT_FOUND, "WSASERVICE_NOT_FOUND: Service not found.\n"},
    {WSATYPE_NOT_FOUND, "WSATYPE_NOT_FOUND: Class type not found.\n"},
    {WSA_E_NO_MORE, "WSA_E_NO_MORE: No more results.\n"},
    {WSA_E_CANCELLED, "WSA_E_CANCELLED: Call was canceled.\n"},
    {WSAEREFUSED, "WSAEREFUSED: Database query was refused.\n"},
    {WSAHOST_NOT_FOUND, "WSAHOST_NOT_FOUND: Host not found.\n"},
    {WSATRY_AGAIN, "WSATRY_AGAIN: Nonauthoritative host not found.\n"},
    {WSANO_RECOVERY, "WSANO_RECOVERY: This is a nonrecoverable error.\n"},
    {WSANO_DATA, "WSANO_DATA: Valid name, no data record of requested type.\n"},
    {WSA_QOS_RECEIVERS, "WSA_QOS_RECEIVERS: QOS receivers.\n"},
    {WSA_QOS_SENDERS, "WSA_QOS_SENDERS: QOS senders.\n"},
    {WSA_QOS_NO_SENDERS, "WSA_QOS_NO_SENDERS: No QOS senders.\n"},
    {WSA_QOS_NO_RECEIVERS, "WSA_QOS_NO_RECEIVERS: QOS no receivers.\n"},
    {WSA_QOS_REQUEST_CONFIRMED, "WSA_QOS_REQUEST_CONFIRMED: QOS request confirmed.\n"},
    {WSA_QOS_ADMISSION_FAILURE, "WSA_QOS_ADMISSION_FAILURE: QOS admission error.\n"},
    {WSA_QOS_POLICY_FAILURE, "WSA_QOS_POLICY_FAILURE: QOS policy failure.\n"},
    {WSA_QOS_BAD_STYLE, "WSA_QOS_BAD_STYLE: QOS bad style.\n"},
    {WSA_QOS_BAD_OBJECT, "WSA_QOS_BAD_OBJECT: QOS bad object.\n"},
    {WSA_QOS_TRAFFIC_CTRL_ERROR, "WSA_QOS_TRAFFIC_CTRL_ERROR: QOS traffic control error.\n"},
    {WSA_QOS_GENERIC_ERROR, "WSA_QOS_GENERIC_ERROR: QOS generic error.\n"},
    {WSA_QOS_ESERVICETYPE, "WSA_QOS_ESERVICETYPE: QOS service type error.\n"},
    {WSA_QOS_EFLOWSPEC, "WSA_QOS_EFLOWSPEC: QOS flowspec error.\n"},
    {WSA_QOS_EPROVSPECBUF, "WSA_QOS_EPROVSPECBUF: Invalid QOS provider buffer.\n"},
    {WSA_QOS_EFILTERSTYLE, "WSA_QOS_EFILTERSTYLE: Invalid QOS filter style.\n"},
    {WSA_QOS_EFILTERTYPE, "WSA_QOS_EFILTERTYPE: Invalid QOS filter type.\n"},
    {WSA_QOS_EFILTERCOUNT, "WSA_QOS_EFILTERCOUNT: Incorrect QOS filter count.\n"},
    {WSA_QOS_EOBJLENGTH, "WSA_QOS_EOBJLENGTH: Invalid QOS object length.\n"},
    {WSA_QOS_EFLOWCOUNT, "WSA_QOS_EFLOWCOUNT: Incorrect QOS flow count.\n"},
    {WSA_QOS_EUNKOWNPSOBJ, "WSA_QOS_EUNKOWNPSOBJ: Unrecognized QOS object.\n"},
    {WSA_QOS_EPOLICYOBJ, "WSA_QOS_EPOLICYOBJ: Invalid QOS policy object.\n"},
    {WSA_QOS_EFLOWDESC, "WSA_QOS_EFLOWDESC: Invalid QOS flow descriptor.\n"},
    {WSA_QOS_EPSFLOWSPEC, "WSA_QOS_EPSFLOWSPEC: Invalid QOS provider-specific flowspec.\n"},
    {WSA_QOS_EPSFILTERSPEC, "WSA_QOS_EPSFILTERSPEC: Invalid QOS provider-specific filterspec.\n"},
    {WSA_QOS_ESDMODEOBJ, "WSA_QOS_ESDMODEOBJ: Invalid QOS shape discard mode object.\n"},
    {WSA_QOS_ESHAPERATEOBJ, "WSA_QOS_ESHAPERATEOBJ: Invalid QOS shaping rate object.\n"},
    {WSA_QOS_RESERVED_PETYPE, "WSA_QOS_RESERVED_PETYPE: Reserved policy QOS element type.\n"},
};

static_assert(std::is_sorted(std::begin(WSA_ERROR_ROWS), std::end(WSA_ERROR_ROWS),
                             [](const WsaErrorRow& a, const WsaErrorRow& b) { return a.nCode < b.nCode; }));

constexpr const char* WSA_UNKNOWN_TEXT = "WSA_UNKNOWN: Unknown WSA error code\n";

// Linux has one value for each of these pairs; the mapping lists the first name.
static_assert(EWOULDBLOCK == EAGAIN && ENOTSUP == EOPNOTSUPP);

} // namespace

int WsaErrorFromErrno(int nErrno) {
    switch (nErrno) {
    case 0:
        return 0;
    case ENOMEM:
        return WSA_NOT_ENOUGH_MEMORY;
    case ECANCELED:
        return WSAECANCELLED;
    case EINTR:
        return WSAEINTR;
    case EBADF:
        return WSAEBADF;
    case EACCES:
    case EPERM:
        return WSAEACCES;
    case EFAULT:
        return WSAEFAULT;
    case EINVAL:
        return WSAEINVAL;
    case EMFILE:
    case ENFILE:
        return WSAEMFILE;
    case EWOULDBLOCK:
        return WSAEWOULDBLOCK;
    case EINPROGRESS:
        return WSAEINPROGRESS;
    case EALREADY:
        return WSAEALREADY;
    case ENOTSOCK:
        return WSAENOTSOCK;
    case EDESTADDRREQ:
        return WSAEDESTADDRREQ;
    case EMSGSIZE:
        return WSAEMSGSIZE;
    case EPROTOTYPE:
        return WSAEPROTOTYPE;
    case ENOPROTOOPT:
        return WSAENOPROTOOPT;
    case EPROTONOSUPPORT:
        return WSAEPROTONOSUPPORT;
    case ESOCKTNOSUPPORT:
        return WSAESOCKTNOSUPPORT;
    case EOPNOTSUPP:
        return WSAEOPNOTSUPP;
    case EPFNOSUPPORT:
        return WSAEPFNOSUPPORT;
    case EAFNOSUPPORT:
        return WSAEAFNOSUPPORT;
    case EADDRINUSE:
        return WSAEADDRINUSE;
    case EADDRNOTAVAIL:
        return WSAEADDRNOTAVAIL;
    case ENETDOWN:
        return WSAENETDOWN;
    case ENETUNREACH:
        return WSAENETUNREACH;
    case ENETRESET:
        return WSAENETRESET;
    case ECONNABORTED:
        return WSAECONNABORTED;
    case ECONNRESET:
        return WSAECONNRESET;
    case ENOBUFS:
        return WSAENOBUFS;
    case EISCONN:
        return WSAEISCONN;
    case ENOTCONN:
        return WSAENOTCONN;
    // Linux reports a send on a connection whose sending side is closed as EPIPE.
    case ESHUTDOWN:
    case EPIPE:
        return WSAESHUTDOWN;
    case ETOOMANYREFS:
        return WSAETOOMANYREFS;
    case ETIMEDOUT:
        return WSAETIMEDOUT;
    case ECONNREFUSED:
        return WSAECONNREFUSED;
    case ELOOP:
        return WSAELOOP;
    case ENAMETOOLONG:
        return WSAENAMETOOLONG;
    case EHOSTDOWN:
        return WSAEHOSTDOWN;
    case EHOSTUNREACH:
        return WSAEHOSTUNREACH;
    case ENOTEMPTY:
        return WSAENOTEMPTY;
    case EUSERS:
        return WSAEUSERS;
    case EDQUOT:
        return WSAEDQUOT;
    case ESTALE:
        return WSAESTALE;
    case EREMOTE:
        return WSAEREMOTE;
    default:
        return nErrno > 0 ? -nErrno : nErrno;
    }
}

int LastSocketError() {
    return WsaErrorFromErrno(errno);
}

const char* WsaErrorText(int nWsaCode) {
    const auto row =
        std::lower_bound(std::begin(WSA_ERROR_ROWS), std::end(WSA_ERROR_ROWS), nWsaCode,
                         [](const WsaErrorRow& candidate, int nCode) { return candidate.nCode < nCode; });
    return row != std::end(WSA_ERROR_ROWS) && row->nCode == nWsaCode ? row->pszText : WSA_UNKNOWN_TEXT;
}

const char* LastWsaErrorText() {
    return WsaErrorText(LastSocketError());
}

} // namespace Zelt
