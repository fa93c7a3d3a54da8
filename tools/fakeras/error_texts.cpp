// RasGetErrorStringA: the English texts of the remote access error codes, as
// Windows shows them.
#include "fakeras.h"

namespace fakeras {
namespace {

struct ErrorText {
  UINT code;
  const char* text;
};

const ErrorText kErrorTexts[] = {
    {600, "An operation is pending."},
    {601, "An invalid port handle was detected."},
    {602, "The specified port is already open."},
    {603, "The caller's buffer is too small."},
    {604, "Incorrect information was specified."},
    {606, "The specified port is not connected."},
    {608, "A device was specified that does not exist."},
    {610, "An invalid buffer was specified."},
    {615, "The specified port was not found."},
    {617, "The modem (or other connecting device) is already disconnecting."},
    {618, "The specified port is not open."},
    {619, "A connection to the remote computer could not be established, so the port used for this "
          "connection was closed."},
    {620, "No endpoints could be determined."},
    {621, "The system could not open the phone book file."},
    {622, "The system could not load the phone book file."},
    {623, "The system could not find the phone book entry for this connection."},
    {624, "The system could not update the phone book file."},
    {625, "The system found invalid information in the phone book file."},
    {628, "The connection was terminated by the remote computer before it could be completed."},
    {629, "The connection was closed by the remote computer."},
    {630, "The modem (or other connecting device) was disconnected due to hardware failure."},
    {631, "The user disconnected the modem (or other connecting device)."},
    {632, "An incorrect structure size was detected."},
    {633, "The modem (or other connecting device) is already in use or is not configured properly."},
    {635, "There was an unknown error."},
    {645, "There was an internal authentication error."},
    {646, "The account is not permitted to log on at this time of day."},
    {647, "The account is disabled."},
    {648, "The password for this account has expired."},
    {649, "The account does not have permission to dial in."},
    {651, "The modem (or other connecting device) has reported an error."},
    {652, "There was an unrecognized response from the modem (or other connecting device)."},
    {678, "The remote computer did not respond."},
    {680, "There was no dial tone."},
    {691, "Access was denied because the username and/or password was invalid on the domain."},
    {692, "There was a hardware failure in the modem (or other connecting device)."},
    {718, "The connection was terminated because the remote computer did not respond in a timely "
          "manner."},
    {720, "A connection to the remote computer could not be established. You might need to change the "
          "network settings for this connection."},
    {721, "The remote computer did not respond."},
    {734, "The PPP link control protocol was terminated."},
    {735, "The requested address was rejected by the server."},
    {741, "The local computer does not support the required data encryption type."},
    {742, "The remote computer does not support the required data encryption type."},
    {769, "The specified destination is not reachable."},
    {777, "The connection attempt failed because the modem (or other connecting device) on the remote "
          "computer is out of order."},
    {778, "It was not possible to verify the identity of the server."},
    {781, "The encryption attempt failed because no valid certificate was found."},
    {789, "The L2TP connection attempt failed because the security layer encountered a processing error "
          "during initial negotiations with the remote computer."},
    {792, "The L2TP connection attempt failed because security negotiation timed out."},
    {800, "Unable to establish the VPN connection. The VPN server may be unreachable, or security "
          "parameters may not be configured properly for this connection."},
    {806, "A connection between your computer and the VPN server has been started, but the VPN "
          "connection cannot be completed. The most common cause for this is that at least one Internet "
          "device (for example, a firewall or a router) between your computer and the VPN server is not "
          "configured to allow Generic Routing Encapsulation (GRE) protocol packets. If the problem "
          "persists, contact your network administrator or Internet Service Provider."},
    {807, "The network connection between your computer and the VPN server was interrupted. This can be "
          "caused by a problem in the VPN transmission and is commonly the result of internet latency or "
          "simply that your VPN server has reached capacity. Please try to reconnect to the VPN server. "
          "If this problem persists, contact the VPN administrator and analyze quality of network "
          "connectivity."},
    {809, "The network connection between your computer and the VPN server could not be established "
          "because the remote server is not responding. This could be because one of the network devices "
          "(e.g, firewalls, NAT, routers, etc) between your computer and the remote server is not "
          "configured to allow VPN connections. Please contact your Administrator or your service "
          "provider to determine which device may be causing the problem."},
    {812, "The connection was prevented because of a policy configured on your RAS/VPN server. "
          "Specifically, the authentication method used by the server to verify your username and "
          "password may not match the authentication method configured in your connection profile. "
          "Please contact the Administrator of the RAS server and notify them of this error."},
    {868, "The remote connection was not made because the name of the remote access server did not "
          "resolve."},
};

const char* FindErrorText(UINT code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) return entry.text;
  }
  return nullptr;
}

}  // namespace
}  // namespace fakeras

using namespace fakeras;

// An unknown code answers ERROR_INVALID_PARAMETER, and a buffer too small for
// the whole text ERROR_INSUFFICIENT_BUFFER; the buffer is left alone in both
// cases.
extern "C" DWORD APIENTRY RasGetErrorStringA(UINT uErrorValue, LPSTR lpszErrorString, DWORD cBufSize) {
  return RunCall("RasGetErrorStringA", [&](Call& call) -> DWORD {
    call.Number("code", uErrorValue);
    call.Number("size", cBufSize);
    if (auto fault = call.Fault()) return *fault;

    if (!lpszErrorString) return ERROR_INVALID_PARAMETER;
    const char* text = FindErrorText(uErrorValue);
    if (!text) return ERROR_INVALID_PARAMETER;
    const std::size_t length = std::strlen(text);
    if (cBufSize <= length) return ERROR_INSUFFICIENT_BUFFER;
    std::memcpy(lpszErrorString, text, length + 1);
    return 0;
  });
}
