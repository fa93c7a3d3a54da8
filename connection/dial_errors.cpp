#include "connection/dial_errors.h"

namespace norva {
namespace {

enum Next { kTryAgain, kSameAgain };

struct DialError {
  std::uint32_t code;
  Next next;
  const char* meaning;  // in a few words; the service has the user's text
};

// The codes a dial of the program's own is known to end with, from the
// remote access service's error list.
constexpr DialError kDialErrors[] = {
    // A later try can get past these.
    {602, kTryAgain, "the port is still open (the last connection not yet released)"},
    {606, kTryAgain, "the port is not connected"},
    {618, kTryAgain, "the port is not open"},
    {619, kTryAgain, "the port was disconnected"},
    {628, kTryAgain, "the connection was closed"},
    {629, kTryAgain, "the connection was closed by the remote computer"},
    {633, kTryAgain, "the connecting device is in use"},
    {638, kTryAgain, "the request timed out"},
    {650, kTryAgain, "the server is not responding"},
    {668, kTryAgain, "the connection was terminated"},
    {678, kTryAgain, "the remote computer did not respond"},
    {718, kTryAgain, "timed out waiting for a valid response"},
    {721, kTryAgain, "the remote PPP peer is not responding"},
    {756, kTryAgain, "the connection is already being dialled"},
    {769, kTryAgain, "the destination is not reachable"},
    {800, kTryAgain, "the VPN connection could not be established"},
    {807, kTryAgain, "the network connection was interrupted"},
    {809, kTryAgain, "the VPN server could not be reached (time-out)"},
    {815, kTryAgain, "the broadband connection timed out"},
    {829, kTryAgain, "the link failed"},
    {832, kTryAgain, "the computer went to hibernation"},
    {833, kTryAgain, "the computer was suspended"},
    {868, kTryAgain, "the server's name did not resolve"},
    // The next try would fail the same way.
    {87, kSameAgain, "a parameter of the dial is wrong"},
    {621, kSameAgain, "the phonebook cannot be opened"},
    {622, kSameAgain, "the phonebook cannot be loaded"},
    {623, kSameAgain, "the entry cannot be found"},
    {625, kSameAgain, "the phonebook is corrupt"},
    {632, kSameAgain, "a record has the wrong size"},
    {646, kSameAgain, "logon hours are restricted"},
    {647, kSameAgain, "the account is disabled"},
    {648, kSameAgain, "the password has expired"},
    {649, kSameAgain, "the account may not dial in"},
    {691, kSameAgain, "the user name or password was refused"},
    {708, kSameAgain, "the account has expired"},
    {709, kSameAgain, "the password must be changed"},
    {720, kSameAgain, "no PPP protocols are configured"},
    {734, kSameAgain, "the PPP link control protocol was ended"},
    {741, kSameAgain, "this computer does not support the encryption asked for"},
    {742, kSameAgain, "the server does not support the encryption asked for"},
    {766, kSameAgain, "no certificate was found"},
    {781, kSameAgain, "no valid certificate for encryption"},
    {786, kSameAgain, "no valid machine certificate for IPSec"},
    {787, kSameAgain, "the IPSec peer could not be authenticated"},
    {788, kSameAgain, "the IPSec attributes were refused"},
    {789, kSameAgain, "the L2TP security layer failed"},
    {792, kSameAgain, "the IPSec negotiation timed out (a key or policy refused)"},
    {810, kSameAgain, "the VPN certificate is not valid"},
    {811, kSameAgain, "the pre-shared key was refused"},
    {812, kSameAgain, "the server's policy refused the connection"},
    {825, kSameAgain, "the tunnel type of the entry is not valid"},
    {835, kSameAgain, "the server's certificate is not valid"},
};

}  // namespace

bool IsWorthAnotherTry(std::uint32_t code) {
  for (const DialError& error : kDialErrors) {
    if (error.code == code) return error.next == kTryAgain;
  }
  return false;
}

std::uint32_t SecondsBeforeNextTry(int failedTries) {
  if (failedTries <= 1) return 5;
  if (failedTries >= 5) return 60;
  return 5u << (failedTries - 1);
}

}  // namespace norva
