// The sample signature component with real OpenPGP signatures: keys are made with gpg at test
// time in a temporary GNUPGHOME (ed25519, no passphrase), the signer's public key is exported
// as the keyring beside a copy of the component, and the handler is asked about files signed,
// tampered with, unsigned and signed by a stranger.
#include "gpgv.h"
#include "registration.h"
#include "signicon/overlay.h"
#include "signicon/sample_ids.h"
#include "support/machine_root.h"

#include "win32/error.h"
#include "win32/module.h"
#include "win32/oleauto.h"
#include "win32/shlobj.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Folder shared by the tests of one process: keys, the component copy and the files.
fs::path work;

int run(const std::string& command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string shell_quoted(const fs::path& p) { return "'" + p.string() + "'"; }

void write(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

std::string gpg(const fs::path& home) {
  return "GNUPGHOME=" + shell_quoted(home) + " gpg --batch --quiet --no-tty --passphrase '' ";
}

void make_key(const fs::path& home, const std::string& user) {
  fs::create_directories(home);
  fs::permissions(home, fs::perms::owner_all, fs::perm_options::replace);
  ASSERT_EQ(run(gpg(home) + "--quick-gen-key '" + user + "' ed25519 sign never 2>/dev/null"), 0)
      << "gpg could not make a key";
}

void sign(const fs::path& home, const fs::path& file) {
  ASSERT_EQ(run(gpg(home) + "--detach-sign -o " + shell_quoted(fs::path(file.string() + ".sig")) + " " +
                shell_quoted(file) + " 2>/dev/null"),
            0);
}

std::u16string wide(const fs::path& p) { return win32::widen_utf8(p.string()); }

class SigniconSample : public win32::test::MachineRootTest {
 protected:
  static void SetUpTestSuite() {
    char pattern[] = "/tmp/signicon-sample-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    work = pattern;
    make_key(work / "signer", "Test Signer <signer@example.org>");
    make_key(work / "stranger", "Stranger <stranger@example.org>");
    fs::create_directories(work / "component");
    fs::copy_file(SIGNICON_SAMPLE_PATH, work / "component" / "libZrSignSample.so");
    ASSERT_EQ(run(gpg(work / "signer") + "--export > " +
                  shell_quoted(work / "component" / "trustedkeys.gpg")),
              0);
    fs::path files = work / "files";
    fs::create_directories(files);
    write(files / "signed.txt", "signed content\n");
    sign(work / "signer", files / "signed.txt");
    write(files / "tampered.txt", "original\n");
    sign(work / "signer", files / "tampered.txt");
    write(files / "tampered.txt", "changed\n");
    write(files / "unsigned.txt", "no signature\n");
    write(files / "foreign.txt", "signed by a key not in the keyring\n");
    sign(work / "stranger", files / "foreign.txt");
    write(files / "README", "no extension\n");
    sign(work / "signer", files / "README");
  }

  static void TearDownTestSuite() {
    // gpg started an agent for each key folder; stop them before their folders go.
    for (const char* home : {"signer", "stranger"})
      run("gpgconf --homedir " + shell_quoted(work / home) + " --kill gpg-agent 2>/dev/null");
    std::error_code ec;
    fs::remove_all(work, ec);
  }

  void SetUp() override {
    ASSERT_EQ(signicon::register_overlay_handler(SIGNICON_HANDLER_PATH), ERROR_SUCCESS);
    ASSERT_EQ(signicon::register_signature_component(
                  component(), {CLSID_SignatureTypeRegistry, CLSID_DetachedOpenPgpReader}),
              ERROR_SUCCESS);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
  }

  void TearDown() override {
    CoFreeUnusedLibraries();
    CoUninitialize();
  }

  static fs::path component() { return work / "component" / "libZrSignSample.so"; }
  static fs::path file(const char* name) { return work / "files" / name; }
};

TEST_F(SigniconSample, OverlayFollowsTheDetachedSignature) {
  IShellIconOverlayIdentifier* id = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DigSigIconOverlayIdentifier, nullptr, CLSCTX_INPROC_SERVER,
                             IID_IShellIconOverlayIdentifier, reinterpret_cast<void**>(&id)),
            S_OK);
  long strings = win32::bstr_live_count();
  const struct {
    const char* name;
    HRESULT expected;
  } rows[] = {
      {"signed.txt", S_OK},         // 1
      {"tampered.txt", S_FALSE},    // 2 signature no longer matches
      {"unsigned.txt", S_FALSE},    // 3 no .sig beside it
      {"foreign.txt", S_FALSE},     // 4 signer not in the keyring
      {"signed.txt.sig", S_FALSE},  // 5 the signature file itself
      {"README", S_FALSE},          // 6 signed, but no extension
      {"missing.txt", S_FALSE},     // 7 no such file
  };
  for (std::size_t i = 0; i < std::size(rows); ++i)
    EXPECT_EQ(id->IsMemberOf(wide(file(rows[i].name)).c_str(), 0), rows[i].expected)
        << "row " << i + 1 << " " << rows[i].name;
  EXPECT_EQ(win32::bstr_live_count(), strings);
  id->Release();
}

TEST_F(SigniconSample, ComponentAnswersItsOwnInterfaces) {
  ISignatureTypeRegistry* registry = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_SignatureTypeRegistry, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ISignatureTypeRegistry, reinterpret_cast<void**>(&registry)),
            S_OK);
  CLSID reader_class = GUID_NULL;
  BSTR ext = SysAllocString(u".txt");
  EXPECT_EQ(registry->GetReaderClass(ext, &reader_class), S_OK);
  EXPECT_EQ(reader_class, CLSID_DetachedOpenPgpReader);
  SysFreeString(ext);
  for (const char16_t* refused : {u".sig", u".SIG", u".", u""}) {
    BSTR e = SysAllocString(refused);
    EXPECT_TRUE(FAILED(registry->GetReaderClass(e, &reader_class))) << "refused extension";
    SysFreeString(e);
  }
  registry->Release();

  ISignatureReader* reader = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DetachedOpenPgpReader, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ISignatureReader, reinterpret_cast<void**>(&reader)),
            S_OK);
  BSTR signed_path = SysAllocString(wide(file("signed.txt")).c_str());
  LONG flag = -1;
  EXPECT_EQ(reader->HasSignature(signed_path, 0, &flag), S_OK);
  EXPECT_EQ(flag, 1);
  EXPECT_EQ(reader->VerifySignature(signed_path, 0, &flag), S_OK);
  EXPECT_EQ(flag, 1);
  BSTR s[7] = {};
  IUnknown* o[3] = {reinterpret_cast<IUnknown*>(1), reinterpret_cast<IUnknown*>(1),
                    reinterpret_cast<IUnknown*>(1)};
  ASSERT_EQ(reader->GetSignatureDetails(signed_path, 0, &s[0], &s[1], &s[2], &s[3], &s[4],
                                        &s[5], &o[0], &o[1], &s[6], &o[2]),
            S_OK);
  EXPECT_EQ(std::u16string(s[0]), u"Test Signer <signer@example.org>");
  EXPECT_EQ(std::u16string(s[1]), u"signer@example.org");
  EXPECT_EQ(SysStringLen(s[3]), 40u) << "fingerprint";
  EXPECT_EQ(std::u16string(s[5]).rfind(u"EdDSA/", 0), 0u) << "algorithm";
  EXPECT_EQ(std::u16string(s[6]), u"GOODSIG");
  for (IUnknown* object : o) EXPECT_EQ(object, nullptr);
  for (BSTR str : s) SysFreeString(str);
  SysFreeString(signed_path);

  BSTR tampered = SysAllocString(wide(file("tampered.txt")).c_str());
  EXPECT_EQ(reader->VerifySignature(tampered, 0, &flag), S_OK);
  EXPECT_EQ(flag, 0);
  BSTR t[7] = {};
  EXPECT_TRUE(FAILED(reader->GetSignatureDetails(tampered, 0, &t[0], &t[1], &t[2], &t[3], &t[4],
                                                 &t[5], &o[0], &o[1], &t[6], &o[2])));
  for (BSTR str : t) EXPECT_EQ(str, nullptr);
  SysFreeString(tampered);
  reader->Release();
}

TEST_F(SigniconSample, FrontEndRegistersChecksAndWatches) {
  win32::test::MachineRoot other_root;
  std::string command = std::string("'" SIGNICON_CHECK_PATH "' --root ") +
                        shell_quoted(other_root.path()) + " --component " + shell_quoted(component()) +
                        " " + shell_quoted(file("signed.txt")) + " " + shell_quoted(file("unsigned.txt")) +
                        " --watch " + shell_quoted(work / "files") + " --times 1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ASSERT_TRUE(pipe);
  std::string output;
  char chunk[512];
  while (std::fgets(chunk, sizeof chunk, pipe.get())) output += chunk;
  int status = pclose(pipe.release());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  for (const std::string& expected :
       {file("signed.txt").string() + ": overlay\n", file("unsigned.txt").string() + ": no overlay\n",
        std::string("  [S] signed.txt\n"), std::string("  [ ] signed.txt.sig\n"),
        std::string("  [ ] tampered.txt\n"), std::string("  [ ] foreign.txt\n")})
    EXPECT_NE(output.find(expected), std::string::npos) << "missing: " << expected << output;

  EXPECT_EQ(run(std::string("'" SIGNICON_CHECK_PATH "' 2>/dev/null")), 2) << "no paths";
  EXPECT_EQ(run(std::string("'" SIGNICON_CHECK_PATH "' --bogus x 2>/dev/null")), 2);
  EXPECT_EQ(run(std::string("'" SIGNICON_CHECK_PATH "' --root ") + shell_quoted(other_root.path()) +
                " --handler /nonexistent/lib.so x 2>/dev/null"),
            1);
}

// One reader asked from several threads about different files keeps each answer apart.
TEST_F(SigniconSample, OneReaderAnswersSeveralThreads) {
  ISignatureReader* reader = nullptr;
  ASSERT_EQ(CoCreateInstance(CLSID_DetachedOpenPgpReader, nullptr, CLSCTX_INPROC_SERVER,
                             IID_ISignatureReader, reinterpret_cast<void**>(&reader)),
            S_OK);
  const char* names[] = {"signed.txt", "tampered.txt"};
  std::vector<std::thread> threads;
  std::vector<int> wrong(2, 0);
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      BSTR path = SysAllocString(wide(file(names[t])).c_str());
      for (int i = 0; i < 6; ++i) {
        LONG valid = -1;
        if (reader->VerifySignature(path, 0, &valid) != S_OK || valid != (t == 0 ? 1 : 0))
          ++wrong[t];
      }
      SysFreeString(path);
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(wrong[0], 0) << "signed file";
  EXPECT_EQ(wrong[1], 0) << "tampered file";
  reader->Release();
}

// gpgv is taken only from absolute folders of PATH, never from the current folder, and its
// answer counts only when its exit status was collected. A stand-in "gpgv" that calls every
// signature good shows which program ran.
TEST(SigniconGpgvProgram, FoundOnlyInAbsoluteFoldersAndTrustedOnlyWithItsStatus) {
  char pattern[] = "/tmp/signicon-gpgv-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const fs::path folder = pattern;
  write(folder / "gpgv",
        "#!/bin/sh\n"
        "echo '[GNUPG:] GOODSIG 0123456789ABCDEF Anyone <a@example.org>'\n"
        "echo '[GNUPG:] VALIDSIG 0123456789ABCDEF0123456789ABCDEF01234567 2026-12-11 "
        "1796990400 0 4 0 22 10 00 0123456789ABCDEF0123456789ABCDEF01234567'\n");
  fs::permissions(folder / "gpgv", fs::perms::owner_all, fs::perm_options::replace);
  write(folder / "file.txt", "data\n");
  write(folder / "file.txt.sig", "not a signature\n");

  const std::string saved_path = std::getenv("PATH") ? std::getenv("PATH") : "";
  const fs::path saved_folder = fs::current_path();
  fs::current_path(folder);
  auto verify = [&](const std::string& path) {
    setenv("PATH", path.c_str(), 1);
    return signsample::verify_detached(folder / "keyring.gpg", folder / "file.txt.sig",
                                       folder / "file.txt");
  };
  for (const char* relative : {"", ":", ".", "./"}) {
    signsample::Verification v = verify(relative);
    EXPECT_FALSE(v.ran || v.valid) << "PATH \"" << relative << "\" ran the current folder's gpgv";
  }
  signsample::Verification v = verify(folder.string());
  EXPECT_TRUE(v.ran && v.valid) << "absolute folder";

  // Exit status lost (SIGCHLD ignored: the child is reaped by the system): not trusted.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGCHLD, &ignore, &previous);
  v = verify(folder.string());
  sigaction(SIGCHLD, &previous, nullptr);
  EXPECT_FALSE(v.valid) << "status not collected";

  setenv("PATH", saved_path.c_str(), 1);
  fs::current_path(saved_folder);
  std::error_code ec;
  fs::remove_all(folder, ec);
}

TEST(SigniconGpgvStatus, StatusLinesGiveTheSignatureFacts) {
  signsample::Verification good;
  signsample::parse_status(
      "[GNUPG:] NEWSIG\n"
      "[GNUPG:] GOODSIG 0123456789ABCDEF Test Signer <signer@example.org>\n"
      "[GNUPG:] VALIDSIG 0123456789ABCDEF0123456789ABCDEF01234567 2026-12-11 1796990400 0 4 0 "
      "22 10 00 0123456789ABCDEF0123456789ABCDEF01234567\n",
      good);
  EXPECT_EQ(good.status, "GOODSIG");
  EXPECT_EQ(good.key_id, "0123456789ABCDEF");
  EXPECT_EQ(good.user_id, "Test Signer <signer@example.org>");
  EXPECT_EQ(good.fingerprint, "0123456789ABCDEF0123456789ABCDEF01234567");
  EXPECT_EQ(good.signed_at, "2026-12-11T12:00:00Z");
  EXPECT_EQ(good.algorithm, "EdDSA/SHA512");

  signsample::Verification missing_key;
  signsample::parse_status("[GNUPG:] ERRSIG 0123456789ABCDEF 22 10 00 1796990400 9 -\n"
                           "[GNUPG:] NO_PUBKEY 0123456789ABCDEF\n"
                           "gpgv: noise that is not a status line\n",
                           missing_key);
  EXPECT_EQ(missing_key.status, "ERRSIG");
  EXPECT_EQ(missing_key.user_id, "");
  EXPECT_EQ(missing_key.fingerprint, "") << "no VALIDSIG: never valid";
}

}  // namespace
