// Who signed a file, read through the system: copies of a sample program signed at build time
// under a throwaway root, which this suite trusts in the prefix only while it runs.
#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

#include "platform/win32/Win32FileSignatures.h"
#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"
#include "support/seams.h"
#include "support/win_files.h"

namespace zt {

void PrintTo(const FileSignature& s, std::ostream* os) {
    *os << "{\"" << s.publisher << "\", " << (s.verified ? "verified" : "not verified") << "}";
}

namespace {

const char kSigner[] = "Zentrove Test Signer Łódź";
const char kCompany[] = "Sample Works Sp. z o.o."; // written with a trailing space

std::string SigningFile(const char* name) {
    std::string path = std::string("Z:") + ZT_SIGNING_DIR + "/" + name;
    for (auto& c : path)
        if (c == '/') c = '\\';
    return path;
}

// The test root in the machine's Root store, taken out again when the object goes. The
// registry store itself: Wine's system store adds to it but deletes from its built-in roots.
class TrustedRoot {
  public:
    explicit TrustedRoot(const std::string& derFile) {
        std::string der = test::ReadBytes(WidePath(derFile));
        HCERTSTORE store = Open();
        if (!store) return;
        CertAddEncodedCertificateToStore(
            store, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
            static_cast<DWORD>(der.size()), CERT_STORE_ADD_REPLACE_EXISTING, &cert_);
        CertCloseStore(store, 0);
    }
    ~TrustedRoot() {
        if (!cert_) return;
        if (HCERTSTORE store = Open()) {
            if (PCCERT_CONTEXT found = CertFindCertificateInStore(
                    store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, cert_, nullptr))
                CertDeleteCertificateFromStore(found); // frees `found`
            CertCloseStore(store, 0);
        }
        CertFreeCertificateContext(cert_);
    }
    bool added() const { return cert_ != nullptr; }

  private:
    static HCERTSTORE Open() {
        return CertOpenStore(CERT_STORE_PROV_SYSTEM_REGISTRY_W, 0, 0,
                             CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    }
    PCCERT_CONTEXT cert_ = nullptr;
};

bool SignedSamplesBuilt() {
    return GetFileAttributesW(WidePath(SigningFile("signed.exe")).c_str()) !=
           INVALID_FILE_ATTRIBUTES;
}

class FileSignaturesTest : public ::testing::Test {
  protected:
    // Trusted before the suite's first check: the chain engine reads the roots once.
    static void SetUpTestSuite() {
        if (SignedSamplesBuilt()) root_ = new TrustedRoot(SigningFile("trusted-root.der"));
    }
    static void TearDownTestSuite() {
        delete root_;
        root_ = nullptr;
    }
    void SetUp() override {
        if (!SignedSamplesBuilt())
            GTEST_SKIP() << "openssl or osslsigncode was missing when the suite was built";
        ASSERT_TRUE(root_->added()) << "the test root could not be added to the Root store";
        folder_ = test::ScratchFolder(*sys_);
    }

    // A copy of a built sample under `name` in `folder` (the scratch folder by default).
    std::string Copy(const char* sample, const std::string& name, std::string folder = {}) {
        std::string to = (folder.empty() ? folder_ : folder) + "\\" + name;
        EXPECT_TRUE(CopyFileW(WidePath(SigningFile(sample)).c_str(), WidePath(to).c_str(), FALSE))
            << sample << " -> " << to;
        return to;
    }

    static inline TrustedRoot* root_ = nullptr;
    std::unique_ptr<System> sys_ = test::MakeSystem();
    std::string folder_;
    Win32FileSignatures reader_;
};

// Flips one byte at `offset` (from the end when negative), keeping the file's write time.
void FlipByte(const std::string& path, long offset) {
    HANDLE f = CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    FILETIME written{};
    GetFileTime(f, nullptr, nullptr, &written);
    LARGE_INTEGER at{};
    at.QuadPart = offset;
    SetFilePointerEx(f, at, nullptr, offset < 0 ? FILE_END : FILE_BEGIN);
    BYTE b = 0;
    DWORD done = 0;
    ASSERT_TRUE(ReadFile(f, &b, 1, &done, nullptr) && done == 1);
    b ^= 0x5A;
    at.QuadPart = -1;
    SetFilePointerEx(f, at, nullptr, FILE_CURRENT);
    ASSERT_TRUE(WriteFile(f, &b, 1, &done, nullptr) && done == 1);
    SetFileTime(f, nullptr, nullptr, &written);
    CloseHandle(f);
}

void MoveWriteTime(const std::string& path) {
    HANDLE f = CreateFileW(WidePath(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE) << path;
    FILETIME written{};
    GetFileTime(f, nullptr, nullptr, &written);
    written.dwHighDateTime += 1; // about seven minutes on
    SetFileTime(f, nullptr, nullptr, &written);
    CloseHandle(f);
}

TEST_F(FileSignaturesTest, SignerWhenVerifiedElseCompanyElseNothingAtAnyPathLength) {
    std::wstring deep =
        ToWide(folder_) + L"\\" + std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e');
    test::MakeFolders(deep);
    for (const std::string& in : {folder_, FromWide(deep)}) {
        SCOPED_TRACE(in);
        EXPECT_EQ(reader_.Read(Copy("signed.exe", "signed.exe", in)),
                  (FileSignature{kSigner, true}));
        // Intact, but its root is trusted nowhere.
        EXPECT_EQ(reader_.Read(Copy("stranger.exe", "stranger.exe", in)),
                  (FileSignature{kCompany, false}));
        EXPECT_EQ(reader_.Read(Copy("zt_sign_sample.exe", "plain.exe", in)),
                  (FileSignature{kCompany, false}));
        EXPECT_EQ(reader_.Read(Copy("zt_sign_sample_bare.exe", "bare.exe", in)), FileSignature{});
        EXPECT_EQ(reader_.Read(in + "\\missing.exe"), FileSignature{});
        EXPECT_EQ(reader_.Read(in), FileSignature{}); // a folder
    }
}

TEST_F(FileSignaturesTest, BrokenSignatureIsNeverVerified) {
    // One byte of the signed program, then one of the signature's own value.
    std::string content = Copy("signed.exe", "content.exe");
    FlipByte(content, 0x410);
    EXPECT_EQ(reader_.Read(content), (FileSignature{kCompany, false}));
    std::string signature = Copy("signed.exe", "signature.exe");
    FlipByte(signature, -40);
    EXPECT_EQ(reader_.Read(signature), (FileSignature{kCompany, false}));
}

TEST_F(FileSignaturesTest, CacheAnswersAnUnchangedFileAndReadsAReplacedOneAgain) {
    std::string path = Copy("signed.exe", "app.exe");
    ASSERT_TRUE(reader_.Read(path).verified);

    // Same size and time: the first answer stands, even for another reader in the process.
    FlipByte(path, 0x410);
    EXPECT_TRUE(reader_.Read(path).verified);
    EXPECT_TRUE(Win32FileSignatures().Read(path).verified);
    // Same size, written later: read again.
    MoveWriteTime(path);
    EXPECT_EQ(reader_.Read(path), (FileSignature{kCompany, false}));

    // Replaced by an unsigned copy, and signed again; the path written in another case.
    Copy("zt_sign_sample_bare.exe", "app.exe");
    EXPECT_EQ(reader_.Read(path), FileSignature{});
    Copy("signed.exe", "app.exe");
    EXPECT_EQ(reader_.Read(folder_ + "\\APP.EXE"), (FileSignature{kSigner, true}));
}

TEST_F(FileSignaturesTest, FileHeldWithoutSharingIsNotVerifiedUntilItIsFree) {
    std::string path = Copy("signed.exe", "held.exe");
    HANDLE held =
        CreateFileW(WidePath(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(reader_.Read(path).verified);
    CloseHandle(held);
    EXPECT_EQ(reader_.Read(path), (FileSignature{kSigner, true}));
}

// A catalogue installed in the prefix for the life of the object.
class InstalledCatalogue {
  public:
    explicit InstalledCatalogue(const std::string& file) {
        GUID driverAction = DRIVER_ACTION_VERIFY;
        if (!CryptCATAdminAcquireContext(&admin_, &driverAction, 0)) return;
        std::wstring path = WidePath(file);
        if (HCATINFO added =
                CryptCATAdminAddCatalog(admin_, path.data(), const_cast<PWSTR>(kName), 0)) {
            CryptCATAdminReleaseCatalogContext(admin_, added, 0);
            installed_ = true;
        }
    }
    ~InstalledCatalogue() {
        if (installed_) CryptCATAdminRemoveCatalog(admin_, kName, 0);
        if (admin_) CryptCATAdminReleaseContext(admin_, 0);
    }
    bool installed() const { return installed_; }

  private:
    static constexpr const wchar_t* kName = L"zentrove-test.cat";
    HCATADMIN admin_ = nullptr;
    bool installed_ = false;
};

TEST_F(FileSignaturesTest, FileWithoutASignatureOfItsOwnIsLookedUpInTheCatalogues) {
    InstalledCatalogue catalogue(SigningFile("listed.cat"));
    ASSERT_TRUE(catalogue.installed());
    std::string listed = Copy("zt_sign_sample.exe", "listed.exe");
    FileSignature sig = reader_.Read(listed);
    if (OnWine()) {
        // The catalogues are passed over: Wine's lookup faults on any catalogue with members.
        EXPECT_EQ(sig, (FileSignature{kCompany, false}));
        GTEST_SKIP() << "Wine cannot read a catalogue's members (no decoder for their "
                        "SPC_INDIRECT_DATA; CryptCATAdminEnumCatalogFromHash faults) and has no "
                        "CryptCATAdminCalcHashFromFileHandle2";
    }
    EXPECT_EQ(sig, (FileSignature{kSigner, true}));
    EXPECT_EQ(reader_.Read(Copy("zt_sign_sample_bare.exe", "unlisted.exe")), FileSignature{});
}

} // namespace
} // namespace zt
