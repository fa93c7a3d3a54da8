#include "connection/dial_errors.h"

namespace norva {
namespace {

struct DialError {
  std::uint32_t code;
  bool tryAgain;
  const char* meaning;  // in a few words; the service has the user's text
};

// The codes a dial of the program's own is known to end with, from the
// remote access service's error list.
constexpr DialError kDialErrors[] = {
    // A later try can get past these.
    {602, true, "the port is still open (the last connection not yet released)"},
    {606, true, "the port is not connected"},
    {618, true, "the port is not open"},
    {619, true, "the port was disconnected"},
    {628, true, "the connection was closed"},
    {629, true, "the connection was closed by the remote computer"},
    {633, true, "the connecting device is in use"},
    {638, true, "the request timed out"},
    {650, true, "the server is not responding"},
    {668, true, "the connection was terminated"},
    {678, true, "the remote computer did not respond"},
    {718, true, "timed out waiting for a valid response"},
    {721, true, "the remote PPP peer is not responding"},
    {756, true, "the connection is already being dialled"},
    {769, true, "the destination is not reachable"},
    {800, true, "the VPN connection could not be established"},
    {807, true, "the network connection was interrupted"},
    {809, true, "the VPN server could not be reached (time-out)"},
    {815, true, "the broadband connection timed out"},
    {829, true, "the link failed"},
    {832, true, "the computer went to hibernation"},
    {833, true, "the computer was suspended"},
    {868, true, "the server's name did not resolve"},
    // The next try would fail the same way.
    {87, false, "a parameter of the dial is wrong"},
    {621, false, "the phonebook cannot be opened"},
    {622, false, "the phonebook cannot be loaded"},
    {623, false, "the entry cannot be found"},
    {625, false, "the phonebook is corrupt"},
    {632, false, "a record has the wrong size"},
    {646, false, "logon hours are restricted"},
    {647, false, "the account is disabled"},
    {648, false, "the password has expired"},
    {649, false, "the account may not dial in"},
    {691, false, "the user name or password was refused"},
    {708, false, "the account has expired"},
    {709, false, "the password must be changed"},
    {720, false, "no PPP protocols are configured"},
    {734, false, "the PPP link control protocol was ended"},
    {741, false, "this computer does not support the encryption asked for"},
    {742, false, "the server does not support the encryption asked for"},
    {766, false, "no certificate was found"},
    {781, false, "no valid certificate for encryption"},
    {786, false, "no valid machine certificate for IPSec"},
    {787, false, "the IPSec peer could not be authenticated"},
    {788, false, "the IPSec attributes were refused"},
    {789, false, "the L2TP security layer failed"},
    {792, false, "the IPSec negotiation timed out (a key or policy refused)"},
    {810, false, "the VPN certificate is not valid"},
    {811, false, "the pre-shared key was refused"},
    {812, false, "the server's policy refused the connection"},
    {825, false, "the tunnel type of the entry is not valid"},
    {835, false, "the server's certificate is not valid"},
};

}  // namespace

bool IsWorthAnotherTry(std::uint32_t code) {
  for (const DialError& error : kDialErrors) {
    if (error.code == code) return error.tryAgain;
  }
  return false;
}

std::uint32_t SecondsBeforeNextTry(int failedTries) {
  if (failedTries <= 1) return 5;
  if (failedTries >= 5) return 60;
  return 5u << (failedTries - 1);
}

}  // namespace norva
