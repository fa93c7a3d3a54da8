// The two kinds of account the provider sells; the user picks one with the
// Shared IP / Dedicated IP radio buttons and it is stored as `account_type`.
#pragma once

namespace norva {

enum class AccountType : int {
  Shared = 0,     // servers typed "shared" in servers.xml
  Dedicated = 1,  // servers typed "dedicated"
};

}  // namespace norva
