// Phonebook entries and their credentials: RasGetEntryPropertiesA,
// RasSetEntryPropertiesA, RasSetCredentialsA, RasGetCredentialsA and
// RasGetEntryDialParamsA.
#include "fakeras.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

namespace fakeras {
namespace {

using EntryRecord = RASENTRYA;

enum class Kind { Number, Text, Address };

// One property of an entry: its key in the phonebook and its place in the
// record.
struct Property {
  const char* key;
  Kind kind;
  std::size_t offset;
  std::size_t size;
};

#define FAKERAS_NUMBER(key, field) {key, Kind::Number, offsetof(EntryRecord, field), sizeof(DWORD)}
#define FAKERAS_TEXT(key, field) {key, Kind::Text, offsetof(EntryRecord, field), sizeof(EntryRecord::field)}
#define FAKERAS_ADDRESS(key, field) {key, Kind::Address, offsetof(EntryRecord, field), sizeof(RASIPADDR)}

// Every property the service keeps. The guid is the service's own and is not
// taken from the caller's record; the alternate-number offset and the
// reserved fields are not kept.
const Property kProperties[] = {
    FAKERAS_NUMBER("Options", dwfOptions),
    FAKERAS_NUMBER("Options2", dwfOptions2),
    FAKERAS_NUMBER("Options3", dwfOptions3),
    FAKERAS_NUMBER("VpnStrategy", dwVpnStrategy),
    FAKERAS_NUMBER("NetProtocols", dwfNetProtocols),
    FAKERAS_NUMBER("FramingProtocol", dwFramingProtocol),
    FAKERAS_NUMBER("Type", dwType),
    FAKERAS_NUMBER("EncryptionType", dwEncryptionType),
    FAKERAS_NUMBER("CustomAuthKey", dwCustomAuthKey),
    FAKERAS_NUMBER("RedialCount", dwRedialCount),
    FAKERAS_NUMBER("RedialPause", dwRedialPause),
    FAKERAS_NUMBER("CountryID", dwCountryID),
    FAKERAS_NUMBER("CountryCode", dwCountryCode),
    FAKERAS_NUMBER("FrameSize", dwFrameSize),
    FAKERAS_NUMBER("Channels", dwChannels),
    FAKERAS_NUMBER("SubEntries", dwSubEntries),
    FAKERAS_NUMBER("DialMode", dwDialMode),
    FAKERAS_NUMBER("DialExtraPercent", dwDialExtraPercent),
    FAKERAS_NUMBER("DialExtraSampleSeconds", dwDialExtraSampleSeconds),
    FAKERAS_NUMBER("HangUpExtraPercent", dwHangUpExtraPercent),
    FAKERAS_NUMBER("HangUpExtraSampleSeconds", dwHangUpExtraSampleSeconds),
    FAKERAS_NUMBER("IdleDisconnectSeconds", dwIdleDisconnectSeconds),
    FAKERAS_NUMBER("TcpWindowSize", dwTcpWindowSize),
    FAKERAS_TEXT("DeviceName", szDeviceName),
    FAKERAS_TEXT("DeviceType", szDeviceType),
    FAKERAS_TEXT("LocalPhoneNumber", szLocalPhoneNumber),
    FAKERAS_TEXT("AreaCode", szAreaCode),
    FAKERAS_TEXT("Script", szScript),
    FAKERAS_TEXT("AutodialDll", szAutodialDll),
    FAKERAS_TEXT("AutodialFunc", szAutodialFunc),
    FAKERAS_TEXT("X25PadType", szX25PadType),
    FAKERAS_TEXT("X25Address", szX25Address),
    FAKERAS_TEXT("X25Facilities", szX25Facilities),
    FAKERAS_TEXT("X25UserData", szX25UserData),
    FAKERAS_TEXT("CustomDialDll", szCustomDialDll),
    FAKERAS_TEXT("DnsSuffix", szDnsSuffix),
    FAKERAS_TEXT("PrerequisitePbk", szPrerequisitePbk),
    FAKERAS_TEXT("PrerequisiteEntry", szPrerequisiteEntry),
    FAKERAS_ADDRESS("IpAddress", ipaddr),
    FAKERAS_ADDRESS("DnsAddress", ipaddrDns),
    FAKERAS_ADDRESS("DnsAltAddress", ipaddrDnsAlt),
    FAKERAS_ADDRESS("WinsAddress", ipaddrWins),
    FAKERAS_ADDRESS("WinsAltAddress", ipaddrWinsAlt),
};

#undef FAKERAS_NUMBER
#undef FAKERAS_TEXT
#undef FAKERAS_ADDRESS

const char kGuidKey[] = "Guid";

std::string ReadProperty(const EntryRecord& record, const Property& property) {
  const unsigned char* place = reinterpret_cast<const unsigned char*>(&record) + property.offset;
  switch (property.kind) {
    case Kind::Number: {
      DWORD value;
      std::memcpy(&value, place, sizeof value);
      return Hex8(value);
    }
    case Kind::Text:
      return std::string(reinterpret_cast<const char*>(place),
                         BoundedLength(reinterpret_cast<const char*>(place), property.size));
    case Kind::Address: {
      char text[16];
      std::snprintf(text, sizeof text, "%u.%u.%u.%u", place[0], place[1], place[2], place[3]);
      return text;
    }
  }
  return std::string();
}

void WriteProperty(EntryRecord& record, const Property& property, const std::string& value) {
  unsigned char* place = reinterpret_cast<unsigned char*>(&record) + property.offset;
  switch (property.kind) {
    case Kind::Number: {
      const DWORD number = ParseNumber(value, 0);
      std::memcpy(place, &number, sizeof number);
      break;
    }
    case Kind::Text: {
      const std::size_t n = value.size() < property.size - 1 ? value.size() : property.size - 1;
      std::memcpy(place, value.data(), n);
      place[n] = '\0';
      break;
    }
    case Kind::Address: {
      unsigned a = 0, b = 0, c = 0, d = 0;
      if (std::sscanf(value.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d) == 4 && a < 256 && b < 256 &&
          c < 256 && d < 256) {
        place[0] = static_cast<unsigned char>(a);
        place[1] = static_cast<unsigned char>(b);
        place[2] = static_cast<unsigned char>(c);
        place[3] = static_cast<unsigned char>(d);
      }
      break;
    }
  }
}

// The members every caller of RasSetEntryPropertiesA must fill in.
bool HasRequiredMembers(const EntryRecord& record) {
  return record.szLocalPhoneNumber[0] != '\0' && record.szDeviceName[0] != '\0' &&
         record.szDeviceType[0] != '\0' && record.dwFramingProtocol != 0 && record.dwfOptions != 0 &&
         record.dwType != 0;
}

// Whether the phonebook lies in the all-users application-data folder.
bool InAllUsersFolder(const std::string& phonebook) {
  char folder[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) {
    return false;
  }
  std::string prefix = FullPath(folder);
  if (prefix.empty()) return false;
  if (prefix.back() != '\\') prefix += '\\';
  const std::string path = FullPath(phonebook);
  return path.size() > prefix.size() && EqualsNoCase(path.substr(0, prefix.size()), prefix);
}

bool CallerIsAdministrator() {
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                0, 0, 0, &administrators)) {
    return false;
  }
  BOOL member = FALSE;
  const BOOL answered = CheckTokenMembership(nullptr, administrators, &member);
  FreeSid(administrators);
  return answered && member;
}

// ERROR_ACCESS_DENIED when a caller who is no administrator would write to a
// phonebook of all users; else 0.
DWORD WriteAccess(const std::string& phonebook) {
  return InAllUsersFolder(phonebook) && !CallerIsAdministrator() ? ERROR_ACCESS_DENIED : 0;
}

bool ValidEntryName(const std::string& name) {
  return !name.empty() && name.size() <= RAS_MaxEntryName && name.find_first_of("[]\r\n") == std::string::npos;
}

std::string NewGuid() {
  GUID guid{};
  if (FAILED(CoCreateGuid(&guid))) {
    // Unique enough for a test service: time, process and a counter.
    static LONG counter = 0;
    const std::uint64_t now = NowMs();
    guid.Data1 = static_cast<unsigned long>(now);
    guid.Data2 = static_cast<unsigned short>(GetCurrentProcessId());
    guid.Data3 = static_cast<unsigned short>(InterlockedIncrement(&counter));
    std::memcpy(guid.Data4, &now, sizeof guid.Data4);
  }
  return FormatGuid(guid);
}

// ---------------------------------------------------------------------------
// Credentials live in credentials.ini of the state folder, one section per
// phonebook and entry.

struct CredentialItem {
  DWORD mask;
  const char* key;
};

const CredentialItem kCredentialItems[] = {
    {RASCM_UserName, "UserName"},
    {RASCM_Password, "Password"},
    {RASCM_Domain, "Domain"},
    {RASCM_PreSharedKey, "PreSharedKey"},
};

const DWORD kKnownMask = RASCM_UserName | RASCM_Password | RASCM_Domain | RASCM_PreSharedKey;

std::string CredentialSection(const std::string& phonebook, const std::string& entry) {
  return FullPath(phonebook) + "|" + entry;
}

IniDocument LoadCredentials(const Context& context) {
  std::string text;
  ReadFileText(context.StatePath("credentials.ini"), text);
  return IniDocument::Parse(text);
}

std::string CredentialValue(const RASCREDENTIALSA& record, DWORD item) {
  switch (item) {
    case RASCM_UserName:
      return FieldText(record.szUserName);
    case RASCM_Domain:
      return FieldText(record.szDomain);
    default:  // the password and the pre-shared key share szPassword
      return FieldText(record.szPassword);
  }
}

void PutCredential(RASCREDENTIALSA& record, DWORD item, const std::string& value) {
  switch (item) {
    case RASCM_UserName:
      PutText(record.szUserName, value);
      break;
    case RASCM_Domain:
      PutText(record.szDomain, value);
      break;
    default:
      PutText(record.szPassword, value);
      break;
  }
}

// The pre-shared key goes alone: it travels in the password's field.
bool ValidCredentialMask(DWORD mask) {
  return !(mask & RASCM_PreSharedKey) || mask == RASCM_PreSharedKey;
}

// What both credential calls log first: where, the record's size and mask.
void LogCredentialCall(Call& call, const std::string& phonebook, const std::string& entry,
                       const RASCREDENTIALSA* credentials) {
  call.Text("phonebook", phonebook);
  call.Text("entry", entry);
  if (credentials) {
    call.Number("dwSize", credentials->dwSize);
    call.HexNumber("mask", credentials->dwMask);
  }
}

// 0 when the record can be acted on, else the error the service gives.
DWORD CheckCredentialRecord(const RASCREDENTIALSA* credentials) {
  if (!credentials) return ERROR_INVALID_PARAMETER;
  if (credentials->dwSize != sizeof(RASCREDENTIALSA)) return ERROR_INVALID_SIZE;
  if (!ValidCredentialMask(credentials->dwMask)) return ERROR_INVALID_PARAMETER;
  return 0;
}

}  // namespace

DWORD OpenEntry(const std::string& phonebook, const std::string& entry, IniDocument& book,
                const IniSection*& section) {
  section = nullptr;
  // No path means the system's default phonebook, which is not simulated.
  if (phonebook.empty()) return ERROR_CANNOT_OPEN_PHONEBOOK;
  std::string text;
  if (!ReadFileText(phonebook, text)) return ERROR_CANNOT_OPEN_PHONEBOOK;
  book = IniDocument::Parse(text);
  if (entry.empty()) return ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
  section = book.Find(entry);
  return section ? 0 : ERROR_CANNOT_FIND_PHONEBOOK_ENTRY;
}

const char kSavedPasswordHandle[] = "****************";

std::optional<std::string> SavedPassword(const Context& context, const std::string& phonebook,
                                         const std::string& entry) {
  return LoadCredentials(context).Get(CredentialSection(phonebook, entry), "Password");
}

}  // namespace fakeras

using namespace fakeras;

extern "C" DWORD APIENTRY RasGetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry, LPRASENTRYA lpRasEntry,
                                                 LPDWORD lpdwEntryInfoSize, LPBYTE lpbDeviceInfo,
                                                 LPDWORD lpdwDeviceInfoSize) {
  (void)lpbDeviceInfo;
  return RunCall("RasGetEntryPropertiesA", [&](Call& call) -> DWORD {
    const std::string phonebook = ArgText(lpszPhonebook);
    const std::string entry = ArgText(lpszEntry);
    call.Text("phonebook", phonebook);
    call.Text("entry", entry);
    if (lpRasEntry) call.Number("dwSize", lpRasEntry->dwSize);
    if (lpdwEntryInfoSize) call.Number("size", *lpdwEntryInfoSize);
    if (auto fault = call.Fault()) return *fault;

    if (!lpdwEntryInfoSize) return ERROR_INVALID_PARAMETER;
    if (!lpRasEntry || *lpdwEntryInfoSize < sizeof(RASENTRYA)) {
      *lpdwEntryInfoSize = sizeof(RASENTRYA);
      return ERROR_BUFFER_TOO_SMALL;
    }
    if (lpRasEntry->dwSize != sizeof(RASENTRYA)) return ERROR_INVALID_SIZE;
    if (lpdwDeviceInfoSize) *lpdwDeviceInfoSize = 0;

    IniDocument book;
    const IniSection* section = nullptr;
    if (const DWORD opened = OpenEntry(phonebook, entry, book, section)) return opened;

    const DWORD dwSize = lpRasEntry->dwSize;
    std::memset(lpRasEntry, 0, sizeof(RASENTRYA));
    lpRasEntry->dwSize = dwSize;
    for (const Property& property : kProperties) {
      if (auto value = FindKey(*section, property.key)) WriteProperty(*lpRasEntry, property, *value);
    }
    const std::string guid = FindKey(*section, kGuidKey).value_or(std::string());
    ParseGuid(guid, lpRasEntry->guidId);
    *lpdwEntryInfoSize = sizeof(RASENTRYA);
    call.HexNumber("vpnStrategy", lpRasEntry->dwVpnStrategy);
    call.Text("guid", guid);
    return 0;
  });
}

extern "C" DWORD APIENTRY RasSetEntryPropertiesA(LPCSTR lpszPhonebook, LPCSTR lpszEntry, LPRASENTRYA lpRasEntry,
                                                 DWORD dwEntryInfoSize, LPBYTE lpbDeviceInfo,
                                                 DWORD dwDeviceInfoSize) {
  (void)lpbDeviceInfo;
  (void)dwDeviceInfoSize;
  return RunCall("RasSetEntryPropertiesA", [&](Call& call) -> DWORD {
    const std::string phonebook = ArgText(lpszPhonebook);
    const std::string entry = ArgText(lpszEntry);
    call.Text("phonebook", phonebook);
    call.Text("entry", entry);
    if (lpRasEntry) call.Number("dwSize", lpRasEntry->dwSize);
    call.Number("size", dwEntryInfoSize);
    if (lpRasEntry && lpRasEntry->dwSize == sizeof(RASENTRYA)) {
      call.HexNumber("vpnStrategy", lpRasEntry->dwVpnStrategy);
      call.HexNumber("options", lpRasEntry->dwfOptions);
      call.HexNumber("options2", lpRasEntry->dwfOptions2);
      call.Text("phone", FieldText(lpRasEntry->szLocalPhoneNumber));
    }
    if (auto fault = call.Fault()) return *fault;

    if (!lpRasEntry) return ERROR_INVALID_PARAMETER;
    if (lpRasEntry->dwSize != sizeof(RASENTRYA)) return ERROR_INVALID_SIZE;
    if (dwEntryInfoSize < sizeof(RASENTRYA)) return ERROR_BUFFER_TOO_SMALL;
    if (!HasRequiredMembers(*lpRasEntry)) return ERROR_INVALID_PARAMETER;
    if (phonebook.empty()) return ERROR_CANNOT_OPEN_PHONEBOOK;
    if (!ValidEntryName(entry)) return ERROR_INVALID_NAME;

    std::vector<std::pair<std::string, std::string>> keys;
    for (const Property& property : kProperties) {
      std::string value = ReadProperty(*lpRasEntry, property);
      if (HasLineBreak(value)) return ERROR_INVALID_PARAMETER;
      keys.emplace_back(property.key, std::move(value));
    }
    if (const DWORD denied = WriteAccess(phonebook)) return denied;

    IniDocument book;
    if (FileExists(phonebook)) {
      std::string text;
      if (!ReadFileText(phonebook, text)) return ERROR_CANNOT_OPEN_PHONEBOOK;
      book = IniDocument::Parse(text);
    }
    IniSection& section = book.Ensure(entry);
    // The guid is made once, when the entry is created; every later write
    // keeps it.
    std::string guid = FindKey(section, kGuidKey).value_or(std::string());
    GUID parsed;
    if (!ParseGuid(guid, parsed)) guid = NewGuid();
    keys.emplace_back(kGuidKey, guid);
    section.keys = std::move(keys);

    if (!WriteFileText(phonebook, book.Serialize())) return ERROR_CANNOT_WRITE_PHONEBOOK;
    call.Text("guid", guid);
    return 0;
  });
}

extern "C" DWORD APIENTRY RasSetCredentialsA(LPCSTR lpszPhonebook, LPCSTR lpszEntry,
                                             LPRASCREDENTIALSA lpCredentials, BOOL fClearCredentials) {
  return RunCall("RasSetCredentialsA", [&](Call& call) -> DWORD {
    const std::string phonebook = ArgText(lpszPhonebook);
    const std::string entry = ArgText(lpszEntry);
    LogCredentialCall(call, phonebook, entry, lpCredentials);
    call.Number("clear", fClearCredentials ? 1 : 0);
    if (lpCredentials && lpCredentials->dwSize == sizeof(RASCREDENTIALSA) && !fClearCredentials) {
      call.Text("user", FieldText(lpCredentials->szUserName));
      call.Text("password", FieldText(lpCredentials->szPassword));
      call.Text("domain", FieldText(lpCredentials->szDomain));
    }
    if (auto fault = call.Fault()) return *fault;

    if (const DWORD invalid = CheckCredentialRecord(lpCredentials)) return invalid;
    IniDocument book;
    const IniSection* found = nullptr;
    // This call names a missing entry an invalid parameter.
    if (const DWORD opened = OpenEntry(phonebook, entry, book, found)) {
      return opened == ERROR_CANNOT_FIND_PHONEBOOK_ENTRY ? ERROR_INVALID_PARAMETER : opened;
    }
    if (lpCredentials->dwMask & RASCM_PreSharedKey) {
      if (const DWORD denied = WriteAccess(phonebook)) return denied;
    }

    const std::string sectionName = CredentialSection(phonebook, found->name);
    IniDocument store = LoadCredentials(call.context());
    for (const CredentialItem& item : kCredentialItems) {
      if (!(lpCredentials->dwMask & item.mask)) continue;
      if (fClearCredentials) {
        store.RemoveKey(sectionName, item.key);
      } else {
        const std::string value = CredentialValue(*lpCredentials, item.mask);
        // The stand-in of a saved password keeps the password as it is.
        if (item.mask == RASCM_Password && value == kSavedPasswordHandle) continue;
        if (HasLineBreak(value)) return ERROR_INVALID_PARAMETER;
        store.Set(sectionName, item.key, value);
      }
    }
    if (const IniSection* section = store.Find(sectionName); section && section->keys.empty()) {
      store.RemoveSection(sectionName);
    }
    if (!WriteFileText(call.context().StatePath("credentials.ini"), store.Serialize())) {
      return ERROR_CANNOT_WRITE_PHONEBOOK;
    }
    return 0;
  });
}

extern "C" DWORD APIENTRY RasGetCredentialsA(LPCSTR lpszPhonebook, LPCSTR lpszEntry,
                                             LPRASCREDENTIALSA lpCredentials) {
  return RunCall("RasGetCredentialsA", [&](Call& call) -> DWORD {
    const std::string phonebook = ArgText(lpszPhonebook);
    const std::string entry = ArgText(lpszEntry);
    LogCredentialCall(call, phonebook, entry, lpCredentials);
    if (auto fault = call.Fault()) return *fault;

    if (const DWORD invalid = CheckCredentialRecord(lpCredentials)) return invalid;
    IniDocument book;
    const IniSection* found = nullptr;
    if (const DWORD opened = OpenEntry(phonebook, entry, book, found)) return opened;

    const IniDocument store = LoadCredentials(call.context());
    const std::string sectionName = CredentialSection(phonebook, found->name);
    const DWORD asked = lpCredentials->dwMask & kKnownMask;
    DWORD answered = 0;
    lpCredentials->szUserName[0] = '\0';
    lpCredentials->szPassword[0] = '\0';
    lpCredentials->szDomain[0] = '\0';
    for (const CredentialItem& item : kCredentialItems) {
      if (!(asked & item.mask)) continue;
      if (auto value = store.Get(sectionName, item.key)) {
        PutCredential(*lpCredentials, item.mask,
                      item.mask == RASCM_Password ? kSavedPasswordHandle : *value);
        answered |= item.mask;
      }
    }
    lpCredentials->dwMask = answered;
    call.HexNumber("answered", answered);
    return 0;
  });
}

extern "C" DWORD APIENTRY RasGetEntryDialParamsA(LPCSTR lpszPhonebook, LPRASDIALPARAMSA lpRasDialParams,
                                                 LPBOOL lpfPassword) {
  return RunCall("RasGetEntryDialParamsA", [&](Call& call) -> DWORD {
    const std::string phonebook = ArgText(lpszPhonebook);
    call.Text("phonebook", phonebook);
    if (lpRasDialParams) {
      call.Text("entry", FieldText(lpRasDialParams->szEntryName));
      call.Number("dwSize", lpRasDialParams->dwSize);
    }
    if (auto fault = call.Fault()) return *fault;

    if (!lpRasDialParams || !lpfPassword) return ERROR_INVALID_PARAMETER;
    if (lpRasDialParams->dwSize != sizeof(RASDIALPARAMSA)) return ERROR_INVALID_SIZE;
    IniDocument book;
    const IniSection* found = nullptr;
    if (const DWORD opened = OpenEntry(phonebook, FieldText(lpRasDialParams->szEntryName), book, found)) {
      return opened;
    }

    const IniDocument store = LoadCredentials(call.context());
    const std::string sectionName = CredentialSection(phonebook, found->name);
    const auto password = store.Get(sectionName, "Password");
    PutText(lpRasDialParams->szPhoneNumber, std::string());
    PutText(lpRasDialParams->szCallbackNumber, std::string());
    PutText(lpRasDialParams->szUserName, store.GetText(sectionName, "UserName"));
    PutText(lpRasDialParams->szPassword, password ? kSavedPasswordHandle : "");
    PutText(lpRasDialParams->szDomain, store.GetText(sectionName, "Domain"));
    lpRasDialParams->dwSubEntry = 0;
    lpRasDialParams->dwCallbackId = 0;
    *lpfPassword = password ? TRUE : FALSE;
    call.Text("user", FieldText(lpRasDialParams->szUserName));
    call.Number("passwordSaved", password ? 1 : 0);
    return 0;
  });
}
