// Verifying a detached OpenPGP signature with gpgv and reading its machine-readable status.
#pragma once

#include <filesystem>
#include <string>

namespace signsample {

struct Verification {
  bool ran = false;       // gpgv could be started and finished
  bool valid = false;     // exit status 0 and a VALIDSIG line
  std::string status;     // GOODSIG, BADSIG, ERRSIG, EXPKEYSIG, ... (first signature line)
  std::string key_id;     // long key id
  std::string user_id;    // the signer's user id as gpgv prints it
  std::string fingerprint;
  std::string signed_at;  // ISO 8601, UTC
  std::string algorithm;  // "EdDSA/SHA512" and the like
};

// Runs `gpgv --status-fd 1 --keyring <keyring> -- <signature> <file>` (found in an absolute
// folder of PATH), without a shell, and parses its status lines.
Verification verify_detached(const std::filesystem::path& keyring,
                             const std::filesystem::path& signature,
                             const std::filesystem::path& file);

// Parses gpgv status output ("[GNUPG:] KEYWORD args" lines) into `v` (everything but `ran`
// and the exit status).
void parse_status(const std::string& output, Verification& v);

}  // namespace signsample
