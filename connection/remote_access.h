// What the program asks of the remote access service: the ten calls it makes,
// in the program's own types. The Windows implementation is
// Rasapi32RemoteAccess (rasapi32_remote_access.h); tests use fakes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace norva {

// Result of every call: 0 for success, else the service's error code.
using RasResult = std::uint32_t;

namespace ras {
inline constexpr RasResult kOk = 0;
inline constexpr RasResult kAccessDenied = 5;          // ERROR_ACCESS_DENIED
inline constexpr RasResult kInvalidHandle = 6;         // ERROR_INVALID_HANDLE
inline constexpr RasResult kNotEnoughMemory = 8;       // ERROR_NOT_ENOUGH_MEMORY
inline constexpr RasResult kInvalidParameter = 87;     // ERROR_INVALID_PARAMETER
inline constexpr RasResult kBufferTooSmall = 603;      // ERROR_BUFFER_TOO_SMALL
inline constexpr RasResult kCannotOpenPhonebook = 621; // ERROR_CANNOT_OPEN_PHONEBOOK
inline constexpr RasResult kCannotFindEntry = 623;     // ERROR_CANNOT_FIND_PHONEBOOK_ENTRY
inline constexpr RasResult kInvalidSize = 632;         // ERROR_INVALID_SIZE

// Connection states (RASCONNSTATE) the program acts on.
inline constexpr std::uint32_t kPortOpened = 1;
inline constexpr std::uint32_t kConnectDevice = 2;
inline constexpr std::uint32_t kAuthenticate = 5;
inline constexpr std::uint32_t kAuthenticated = 14;
inline constexpr std::uint32_t kConnected = 0x2000;
inline constexpr std::uint32_t kDisconnected = 0x2001;

// Credential mask bits (RASCM_*).
inline constexpr std::uint32_t kCredUserName = 0x1;
inline constexpr std::uint32_t kCredPassword = 0x2;
inline constexpr std::uint32_t kCredPreSharedKey = 0x10;

// Capacities of the service's fixed text fields, terminating NUL excluded.
inline constexpr std::size_t kMaxEntryName = 256;
inline constexpr std::size_t kMaxPhoneNumber = 128;
inline constexpr std::size_t kMaxCallbackNumber = 128;
inline constexpr std::size_t kMaxUserName = 256;
inline constexpr std::size_t kMaxPassword = 256;
inline constexpr std::size_t kMaxDomain = 15;
inline constexpr std::size_t kMaxDeviceType = 16;
inline constexpr std::size_t kMaxDeviceName = 128;
inline constexpr std::size_t kMaxErrorText = 511;
}  // namespace ras

struct Guid {
  std::array<std::uint8_t, 16> bytes{};
  friend bool operator==(const Guid& a, const Guid& b) { return a.bytes == b.bytes; }
  friend bool operator!=(const Guid& a, const Guid& b) { return !(a == b); }
};

// The entry properties the program writes and reads (a subset of RASENTRYA;
// every field not here is zero).
struct EntryProperties {
  std::uint32_t options = 0;          // dwfOptions
  std::uint32_t options2 = 0;         // dwfOptions2
  std::uint32_t vpnStrategy = 0;      // dwVpnStrategy
  std::uint32_t netProtocols = 0;     // dwfNetProtocols
  std::uint32_t framingProtocol = 0;  // dwFramingProtocol
  std::uint32_t type = 0;             // dwType
  std::uint32_t redialCount = 0;      // dwRedialCount
  std::string deviceName;             // szDeviceName, at most kMaxDeviceName
  std::string deviceType;             // szDeviceType, at most kMaxDeviceType
  std::string localPhoneNumber;       // szLocalPhoneNumber, at most kMaxPhoneNumber
  Guid guid;                          // guidId, assigned by the service
};

// RASDIALPARAMSA in the program's types. Every field round-trips, so that a
// record loaded by GetEntryDialParams and dialled keeps what the service put
// there.
struct DialParams {
  std::string entryName;
  std::string phoneNumber;     // at most kMaxPhoneNumber
  std::string callbackNumber;
  std::string userName;        // at most kMaxUserName
  std::string password;        // at most kMaxPassword
  std::string domain;
  std::uint32_t subEntry = 0;
  std::uintptr_t callbackId = 0;
};

struct Credentials {
  std::uint32_t mask = 0;  // ras::kCred* bits
  std::string userName;
  std::string password;    // also the pre-shared key when the mask says so
  std::string domain;
};

// An opaque connection handle (HRASCONN); nullptr is "none".
struct RasConnectionTag;
using ConnectionHandle = RasConnectionTag*;

// The window that receives dial progress (an HWND); opaque here.
struct NotifierWindowTag;
using NotifierWindow = NotifierWindowTag*;

struct ConnectionStatus {
  std::uint32_t state = 0;  // rasconnstate
  std::uint32_t error = 0;  // dwError
  std::string deviceType;
  std::string deviceName;
  std::string phoneNumber;
};

struct ActiveConnection {
  ConnectionHandle handle = nullptr;
  std::string entryName;
  std::string phonebook;
  Guid entryGuid;
};

// Contract common to all calls: they return ras::kOk or the service's error
// code and never throw. Strings longer than the service's field for them are
// refused with ras::kInvalidParameter before anything is sent; nothing is
// ever cut silently. `phonebook` is the full path of the phonebook file and
// `entry` the entry's name.
class RemoteAccess {
 public:
  virtual ~RemoteAccess() = default;

  // 0 fills `out`. 621: no phonebook; 623: no such entry.
  virtual RasResult GetEntryProperties(const std::string& phonebook, const std::string& entry,
                                       EntryProperties& out) = 0;
  // Creates the entry or replaces every property of it. 5: no rights.
  virtual RasResult SetEntryProperties(const std::string& phonebook, const std::string& entry,
                                       const EntryProperties& properties) = 0;
  // Stores the items named by `credentials.mask`, or removes them when
  // `clear` is set.
  virtual RasResult SetCredentials(const std::string& phonebook, const std::string& entry,
                                   const Credentials& credentials, bool clear) = 0;
  // Asks for the items named by `inOut.mask`; 0 when the service answered.
  virtual RasResult GetCredentials(const std::string& phonebook, const std::string& entry,
                                   Credentials& inOut) = 0;
  // `inOut.entryName` names the entry; 0 fills the rest with what is saved.
  virtual RasResult GetEntryDialParams(const std::string& phonebook, DialParams& inOut,
                                       bool& passwordSaved) = 0;
  // Starts an asynchronous dial whose progress arrives at `notifier` as the
  // "RasDialEvent" message. The service may write a handle even when it
  // refuses at once; `handle` then holds it.
  virtual RasResult Dial(const std::string& phonebook, const DialParams& params,
                         NotifierWindow notifier, ConnectionHandle& handle) = 0;
  // Begins the hang-up; it is over when GetConnectStatus answers 6.
  virtual RasResult HangUp(ConnectionHandle handle) = 0;
  // 6: the connection is gone. 0: `out.state` holds its state.
  virtual RasResult GetConnectStatus(ConnectionHandle handle, ConnectionStatus& out) = 0;
  // Lists the active connections into a buffer of `bufferBytes` bytes (room
  // for bufferBytes / ConnectionRecordBytes() records). 603: too small, and
  // `bufferBytes` then holds the size needed. 0: `out` holds the records.
  // 8: the buffer could not be allocated.
  virtual RasResult EnumConnections(std::uint32_t& bufferBytes,
                                    std::vector<ActiveConnection>& out) = 0;
  // The size of one connection record (RASCONNA) as the service counts it.
  virtual std::uint32_t ConnectionRecordBytes() const = 0;
  // 0: `text` holds the service's text for `code` (at most 511 characters).
  virtual RasResult GetErrorString(std::uint32_t code, std::string& text) = 0;
};

}  // namespace norva
