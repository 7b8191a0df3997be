#pragma once

namespace Zelt {

// The socket error codes (WSA codes) of the program's socket errors, with their texts, so that
// messages and traces read the same whatever errno the system gave; errno values are mapped
// onto them.
constexpr int WSA_INVALID_HANDLE = 6;
constexpr int WSA_NOT_ENOUGH_MEMORY = 8;
constexpr int WSA_INVALID_PARAMETER = 87;
constexpr int WSA_OPERATION_ABORTED = 995;
constexpr int WSA_IO_INCOMPLETE = 996;
constexpr int WSA_IO_PENDING = 997;
constexpr int WSAEINTR = 10004;
constexpr int WSAEBADF = 10009;
constexpr int WSAEACCES = 10013;
constexpr int WSAEFAULT = 10014;
constexpr int WSAEINVAL = 10022;
constexpr int WSAEMFILE = 10024;
constexpr int WSAEWOULDBLOCK = 10035;
constexpr int WSAEINPROGRESS = 10036;
constexpr int WSAEALREADY = 10037;
constexpr int WSAENOTSOCK = 10038;
constexpr int WSAEDESTADDRREQ = 10039;
constexpr int WSAEMSGSIZE = 10040;
constexpr int WSAEPROTOTYPE = 10041;
constexpr int WSAENOPROTOOPT = 10042;
constexpr int WSAEPROTONOSUPPORT = 10043;
constexpr int WSAESOCKTNOSUPPORT = 10044;
constexpr int WSAEOPNOTSUPP = 10045;
constexpr int WSAEPFNOSUPPORT = 10046;
constexpr int WSAEAFNOSUPPORT = 10047;
constexpr int WSAEADDRINUSE = 10048;
constexpr int WSAEADDRNOTAVAIL = 10049;
constexpr int WSAENETDOWN = 10050;
constexpr int WSAENETUNREACH = 10051;
constexpr int WSAENETRESET = 10052;
constexpr int WSAECONNABORTED = 10053;
constexpr int WSAECONNRESET = 10054;
constexpr int WSAENOBUFS = 10055;
constexpr int WSAEISCONN = 10056;
constexpr int WSAENOTCONN = 10057;
constexpr int WSAESHUTDOWN = 10058;
constexpr int WSAETOOMANYREFS = 10059;
constexpr int WSAETIMEDOUT = 10060;
constexpr int WSAECONNREFUSED = 10061;
constexpr int WSAELOOP = 10062;
constexpr int WSAENAMETOOLONG = 10063;
constexpr int WSAEHOSTDOWN = 10064;
constexpr int WSAEHOSTUNREACH = 10065;
constexpr int WSAENOTEMPTY = 10066;
constexpr int WSAEPROCLIM = 10067;
constexpr int WSAEUSERS = 10068;
constexpr int WSAEDQUOT = 10069;
constexpr int WSAESTALE = 10070;
constexpr int WSAEREMOTE = 10071;
constexpr int WSASYSNOTREADY = 10091;
constexpr int WSAVERNOTSUPPORTED = 10092;
constexpr int WSANOTINITIALISED = 10093;
constexpr int WSAEDISCON = 10101;
constexpr int WSAENOMORE = 10102;
constexpr int WSAECANCELLED = 10103;
constexpr int WSAEINVALIDPROCTABLE = 10104;
constexpr int WSAEINVALIDPROVIDER = 10105;
constexpr int WSAEPROVIDERFAILEDINIT = 10106;
constexpr int WSASYSCALLFAILURE = 10107;
constexpr int WSASERVICE_NOT_FOUND = 10108;
constexpr int WSATYPE_NOT_FOUND = 10109;
constexpr int WSA_E_NO_MORE = 10110;
constexpr int WSA_E_CANCELLED = 10111;
constexpr int WSAEREFUSED = 10112;
constexpr int WSAHOST_NOT_FOUND = 11001;
constexpr int WSATRY_AGAIN = 11002;
constexpr int WSANO_RECOVERY = 11003;
constexpr int WSANO_DATA = 11004;
constexpr int WSA_QOS_RECEIVERS = 11005;
constexpr int WSA_QOS_SENDERS = 11006;
constexpr int WSA_QOS_NO_SENDERS = 11007;
constexpr int WSA_QOS_NO_RECEIVERS = 11008;
constexpr int WSA_QOS_REQUEST_CONFIRMED = 11009;
constexpr int WSA_QOS_ADMISSION_FAILURE = 11010;
constexpr int WSA_QOS_POLICY_FAILURE = 11011;
constexpr int WSA_QOS_BAD_STYLE = 11012;
constexpr int WSA_QOS_BAD_OBJECT = 11013;
constexpr int WSA_QOS_TRAFFIC_CTRL_ERROR = 11014;
constexpr int WSA_QOS_GENERIC_ERROR = 11015;
constexpr int WSA_QOS_ESERVICETYPE = 11016;
constexpr int WSA_QOS_EFLOWSPEC = 11017;
constexpr int WSA_QOS_EPROVSPECBUF = 11018;
constexpr int WSA_QOS_EFILTERSTYLE = 11019;
constexpr int WSA_QOS_EFILTERTYPE = 11020;
constexpr int WSA_QOS_EFILTERCOUNT = 11021;
constexpr int WSA_QOS_EOBJLENGTH = 11022;
constexpr int WSA_QOS_EFLOWCOUNT = 11023;
constexpr int WSA_QOS_EUNKOWNPSOBJ = 11024;
constexpr int WSA_QOS_EPOLICYOBJ = 11025;
constexpr int WSA_QOS_EFLOWDESC = 11026;
constexpr int WSA_QOS_EPSFLOWSPEC = 11027;
constexpr int WSA_QOS_EPSFILTERSPEC = 11028;
constexpr int WSA_QOS_ESDMODEOBJ = 11029;
constexpr int WSA_QOS_ESHAPERATEOBJ = 11030;
constexpr int WSA_QOS_RESERVED_PETYPE = 11031;

// The WSA code for an errno value: 0 stays 0 (no error); an errno without a WSA
// counterpart becomes its negation, which no row of the text table has (and a negative value
// stays as it is).
int WsaErrorFromErrno(int nErrno);

// The calling thread's errno as a WSA code.
int LastSocketError();

// "NAME: Description.\n" of a WSA code; "WSA_UNKNOWN: Unknown WSA error code\n" for any other.
const char* WsaErrorText(int nWsaCode);

// WsaErrorText(LastSocketError()).
const char* LastWsaErrorText();

} // namespace Zelt
