// What Windows' Authenticode policy answers for signed programs: WinVerifyTrust's result for each
// file, first while the given root is unknown, then with it in the machine's Root store, which is
// left as it was found. Revocation is not checked: the throwaway CA publishes no CRL.
// Usage: verify_trust ROOT.cer FILE...   (one line per file and stage: "stage file 0xRESULT")
#include <windows.h>
// clang-format off: softpub.h and wintrust.h need windows.h first.
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>
// clang-format on
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::wstring Wide(const char* text) {
  std::wstring wide(MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), static_cast<int>(wide.size()));
  return wide;
}

LONG VerifyTrust(const char* path) {
  const std::wstring wide_path = Wide(path);
  WINTRUST_FILE_INFO file{};
  file.cbStruct = sizeof(file);
  file.pcwszFilePath = wide_path.c_str();
  WINTRUST_DATA data{};
  data.cbStruct = sizeof(data);
  data.dwUIChoice = WTD_UI_NONE;
  data.fdwRevocationChecks = WTD_REVOKE_NONE;
  data.dwUnionChoice = WTD_CHOICE_FILE;
  data.pFile = &file;
  data.dwStateAction = WTD_STATEACTION_VERIFY;
  GUID policy = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const HWND no_window = static_cast<HWND>(INVALID_HANDLE_VALUE);
  const LONG result = WinVerifyTrust(no_window, &policy, &data);
  data.dwStateAction = WTD_STATEACTION_CLOSE;  // frees what the verification kept
  WinVerifyTrust(no_window, &policy, &data);
  return result;
}

void Report(const char* stage, int count, char** files) {
  for (int i = 0; i < count; ++i) {
    std::printf("%s %s 0x%08lX\n", stage, files[i],
                static_cast<unsigned long>(VerifyTrust(files[i])));
  }
}

// The machine's Root store, open for the test's one change.
class RootStore {
 public:
  RootStore()
      : store_(CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE,
                             L"Root")) {}
  ~RootStore() {
    if (store_) CertCloseStore(store_, 0);
  }
  RootStore(const RootStore&) = delete;
  RootStore& operator=(const RootStore&) = delete;
  HCERTSTORE get() const { return store_; }

 private:
  HCERTSTORE store_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: verify_trust ROOT.cer FILE...\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<BYTE> root{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
  Report("unknown-root", argc - 2, argv + 2);
  RootStore store;
  PCCERT_CONTEXT added = nullptr;
  if (!store.get() || !CertAddEncodedCertificateToStore(store.get(), X509_ASN_ENCODING, root.data(),
                                                        static_cast<DWORD>(root.size()),
                                                        CERT_STORE_ADD_NEW, &added)) {
    std::fprintf(stderr, "verify_trust: the root was not added to the Root store: 0x%08lX\n",
                 static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  Report("trusted-root", argc - 2, argv + 2);
  CertDeleteCertificateFromStore(added);  // frees the context too
  return 0;
}
