#include "platform/win32/Win32FileSignatures.h"

#include <windows.h>
#include <wincrypt.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/win32/Win32System.h"
#include "seams/Unicode.h"

namespace zt {

namespace {

struct OwnedFile {
    HANDLE h;
    ~OwnedFile() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    bool Rewind() const {
        LARGE_INTEGER zero{};
        return SetFilePointerEx(h, zero, nullptr, FILE_BEGIN) != 0;
    }
};

struct CatalogAdmin {
    HCATADMIN h = nullptr;
    ~CatalogAdmin() {
        if (h) CryptCATAdminReleaseContext(h, 0);
    }
};

struct CatalogInfo {
    HCATADMIN admin;
    HCATINFO h = nullptr;
    ~CatalogInfo() {
        if (h) CryptCATAdminReleaseCatalogContext(admin, h, 0);
    }
};

// What the cache compares to tell a replaced file: its size and its last write.
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t written = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(DWORD sizeHigh, DWORD sizeLow, const FILETIME& written) {
    return {(std::uint64_t{sizeHigh} << 32) | sizeLow,
            (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime};
}

std::optional<FileStamp> StampAt(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return StampOf(data.nFileSizeHigh, data.nFileSizeLow, data.ftLastWriteTime);
}

std::optional<FileStamp> StampOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    return StampOf(info.nFileSizeHigh, info.nFileSizeLow, info.ftLastWriteTime);
}

// Results by folded path: every listing in the process shares them, so a second listing
// costs one attribute read per file.
class SignatureCache {
  public:
    std::optional<FileSignature> Find(const std::string& key, const FileStamp& stamp) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(key);
        if (it == entries_.end() || !(it->second.stamp == stamp)) return std::nullopt;
        return it->second.signature;
    }
    void Store(std::string key, const FileStamp& stamp, const FileSignature& signature) {
        std::lock_guard lock(mutex_);
        // A bound for a process that lists for days; far above any machine's startup files.
        if (entries_.size() >= 20000) entries_.clear();
        entries_[std::move(key)] = {stamp, signature};
    }

  private:
    struct Entry {
        FileStamp stamp;
        FileSignature signature;
    };
    std::mutex mutex_;
    std::map<std::string, Entry> entries_;
};

SignatureCache& SharedCache() {
    static SignatureCache cache;
    return cache;
}

std::string CertificateName(PCCERT_CONTEXT cert) {
    DWORD size = CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0);
    if (size <= 1) return {};
    std::wstring name(size, L'\0');
    size = CertGetNameStringW(cert, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name.data(), size);
    name.resize(size > 0 ? size - 1 : 0);
    return FromWide(name);
}

// Chain faults the Authenticode policy never accepts. Windows refuses them itself; Wine's
// policy passes a chain that ends in an unknown root, so they are checked here as well.
constexpr DWORD kUntrustedChain = CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN |
                                  CERT_TRUST_IS_NOT_SIGNATURE_VALID | CERT_TRUST_IS_REVOKED |
                                  CERT_TRUST_IS_CYCLIC;

// One WinVerifyTrust run; its state is always closed, whatever the outcome.
class TrustCheck {
  public:
    explicit TrustCheck(WINTRUST_DATA& data) : data_(data) {
        data_.dwUIChoice = WTD_UI_NONE;
        data_.fdwRevocationChecks = WTD_REVOKE_NONE;
        data_.dwProvFlags = WTD_CACHE_ONLY_URL_RETRIEVAL;
        data_.dwStateAction = WTD_STATEACTION_VERIFY;
        result_ = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    ~TrustCheck() {
        data_.dwStateAction = WTD_STATEACTION_CLOSE;
        WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action_, &data_);
    }
    TrustCheck(const TrustCheck&) = delete;
    TrustCheck& operator=(const TrustCheck&) = delete;

    LONG result() const { return result_; }

    // The signer when the signature verified and its chain ends in a trusted root.
    std::optional<std::string> VerifiedSigner() const {
        if (result_ != ERROR_SUCCESS || !data_.hWVTStateData) return std::nullopt;
        CRYPT_PROVIDER_DATA* provider = WTHelperProvDataFromStateData(data_.hWVTStateData);
        CRYPT_PROVIDER_SGNR* signer =
            provider ? WTHelperGetProvSignerFromChain(provider, 0, FALSE, 0) : nullptr;
        if (!signer || signer->csCertChain == 0 || !signer->pasCertChain ||
            !signer->pasCertChain[0].pCert)
            return std::nullopt;
        if (signer->pChainContext &&
            (signer->pChainContext->TrustStatus.dwErrorStatus & kUntrustedChain))
            return std::nullopt;
        return CertificateName(signer->pasCertChain[0].pCert);
    }

  private:
    WINTRUST_DATA& data_;
    GUID action_ = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG result_;
};

// Results that say the file carries no signature of its own (as opposed to a broken one).
bool HasNoEmbeddedSignature(LONG result) {
    return result == static_cast<LONG>(TRUST_E_NOSIGNATURE) ||
           result == static_cast<LONG>(TRUST_E_SUBJECT_FORM_UNKNOWN) ||
           result == static_cast<LONG>(TRUST_E_PROVIDER_UNKNOWN);
}

struct EmbeddedResult {
    std::optional<std::string> signer;
    bool noSignature = false;
};

EmbeddedResult CheckEmbedded(const std::wstring& path, HANDLE file) {
    WINTRUST_FILE_INFO info{};
    info.cbStruct = sizeof info;
    info.pcwszFilePath = path.c_str();
    info.hFile = file;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    TrustCheck check(data);
    return {check.VerifiedSigner(), HasNoEmbeddedSignature(check.result())};
}

// The hash functions of one catalogue context: SHA-256 through the interface of Windows 8
// and later, SHA-1 through the older one (all Windows 7 has, and Wine's only hash).
struct CatalogHashing {
    using Acquire2 = BOOL(WINAPI*)(HCATADMIN*, const GUID*, PCWSTR, PCCERT_STRONG_SIGN_PARA, DWORD);
    using CalcHash2 = BOOL(WINAPI*)(HCATADMIN, HANDLE, DWORD*, BYTE*, DWORD);
    Acquire2 acquire2 = nullptr;
    CalcHash2 calcHash2 = nullptr;

    CatalogHashing() {
        HMODULE wintrust = GetModuleHandleW(L"wintrust.dll");
        if (!wintrust) return;
        acquire2 = reinterpret_cast<Acquire2>(
            reinterpret_cast<void*>(GetProcAddress(wintrust, "CryptCATAdminAcquireContext2")));
        calcHash2 = reinterpret_cast<CalcHash2>(reinterpret_cast<void*>(
            GetProcAddress(wintrust, "CryptCATAdminCalcHashFromFileHandle2")));
    }
    bool HasSha256() const { return acquire2 && calcHash2; }

    bool Acquire(CatalogAdmin& admin, bool sha256) const {
        GUID driverAction = DRIVER_ACTION_VERIFY;
        if (sha256) return acquire2(&admin.h, &driverAction, BCRYPT_SHA256_ALGORITHM, nullptr, 0);
        return CryptCATAdminAcquireContext(&admin.h, &driverAction, 0);
    }
    std::vector<BYTE> Hash(HCATADMIN admin, const OwnedFile& file, bool sha256) const {
        std::vector<BYTE> hash(64);
        DWORD size = static_cast<DWORD>(hash.size());
        if (!file.Rewind()) return {};
        BOOL ok = sha256 ? calcHash2(admin, file.h, &size, hash.data(), 0)
                         : CryptCATAdminCalcHashFromFileHandle(file.h, &size, hash.data(), 0);
        hash.resize(ok ? size : 0);
        return hash;
    }
};

const CatalogHashing& Hashing() {
    static const CatalogHashing hashing;
    return hashing;
}

// The member as Windows 8 and later take it: with the context whose hash chose the catalogue,
// a field the headers show only to programs that require Windows 8.
struct CatalogMember {
    WINTRUST_CATALOG_INFO info;
    HCATADMIN catAdmin;
};
static_assert(offsetof(CatalogMember, catAdmin) == sizeof(WINTRUST_CATALOG_INFO));

// A catalogue names its members by their hash in upper-case hex.
std::wstring MemberTag(const std::vector<BYTE>& hash) {
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring tag;
    for (BYTE b : hash) {
        tag += digits[b >> 4];
        tag += digits[b & 15];
    }
    return tag;
}

std::optional<std::string> CheckCatalog(const std::wstring& path, const OwnedFile& file,
                                        bool sha256) {
    const CatalogHashing& hashing = Hashing();
    CatalogAdmin admin;
    if (!hashing.Acquire(admin, sha256)) return std::nullopt;
    std::vector<BYTE> hash = hashing.Hash(admin.h, file, sha256);
    if (hash.empty()) return std::nullopt;
    // The first catalogue that lists the file is the one checked: whether the enumeration
    // frees a context passed back to it is not said, and one signed catalogue settles it.
    CatalogInfo catalog{admin.h, CryptCATAdminEnumCatalogFromHash(admin.h, hash.data(),
                                                                  static_cast<DWORD>(hash.size()),
                                                                  0, nullptr)};
    CATALOG_INFO where{};
    where.cbStruct = sizeof where;
    if (!catalog.h || !CryptCATCatalogInfoFromContext(catalog.h, &where, 0)) return std::nullopt;
    std::wstring tag = MemberTag(hash);
    CatalogMember extended{};
    WINTRUST_CATALOG_INFO& member = extended.info;
    member.cbStruct = sizeof extended;
    member.pcwszCatalogFilePath = where.wszCatalogFile;
    member.pcwszMemberTag = tag.c_str();
    member.pcwszMemberFilePath = path.c_str();
    member.hMemberFile = file.h;
    member.pbCalculatedFileHash = hash.data();
    member.cbCalculatedFileHash = static_cast<DWORD>(hash.size());
    extended.catAdmin = sha256 ? admin.h : nullptr;
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUnionChoice = WTD_CHOICE_CATALOG;
    data.pCatalog = &member;
    if (!file.Rewind()) return std::nullopt;
    return TrustCheck(data).VerifiedSigner();
}

std::optional<std::string> CheckCatalogs(const std::wstring& path, const OwnedFile& file) {
    // Wine cannot decode a catalogue's member entries and faults in the lookup on any
    // catalogue installed in its prefix; it catalogues none of its own files either.
    if (OnWine()) return std::nullopt;
    if (Hashing().HasSha256())
        if (auto signer = CheckCatalog(path, file, true)) return signer;
    return CheckCatalog(path, file, false);
}

std::string Trimmed(std::wstring_view text) {
    const wchar_t* space = L" \t\r\n";
    auto first = text.find_first_not_of(space);
    if (first == std::wstring_view::npos) return {};
    auto last = text.find_last_not_of(space);
    return FromWide(text.substr(first, last - first + 1));
}

// The CompanyName of the version information: in the first language it lists, else in US
// English with either code page most files use.
std::string VersionCompany(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeExW(FILE_VER_GET_NEUTRAL, path.c_str(), &ignored);
    if (size == 0) return {};
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoExW(FILE_VER_GET_NEUTRAL, path.c_str(), 0, size, block.data()))
        return {};
    std::vector<std::wstring> blocks;
    struct Translation {
        WORD language;
        WORD codePage;
    };
    void* found = nullptr;
    UINT length = 0;
    if (VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", &found, &length) &&
        length >= sizeof(Translation)) {
        const auto* first = static_cast<const Translation*>(found);
        wchar_t name[16];
        std::swprintf(name, 16, L"%04x%04x", first->language, first->codePage);
        blocks.emplace_back(name);
    }
    blocks.emplace_back(L"040904B0");
    blocks.emplace_back(L"040904E4");
    for (const std::wstring& lang : blocks) {
        std::wstring query = L"\\StringFileInfo\\" + lang + L"\\CompanyName";
        if (!VerQueryValueW(block.data(), query.c_str(), &found, &length) || length == 0) continue;
        const auto* text = static_cast<const wchar_t*>(found);
        std::string company = Trimmed(std::wstring_view(text, wcsnlen(text, length)));
        if (!company.empty()) return company;
    }
    return {};
}

} // namespace

FileSignature Win32FileSignatures::Read(std::string_view path) {
    std::wstring wide = WidePath(path);
    std::optional<FileStamp> seen = StampAt(wide);
    if (!seen) return {};
    std::string key = FoldName(path);
    if (auto cached = SharedCache().Find(key, *seen)) return *cached;

    // Opened once for every check, sharing everything so no other program is kept out.
    OwnedFile file{CreateFileW(wide.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    // A file another program holds without sharing: nothing can be read now, and nothing is
    // kept, so the next listing tries again.
    if (file.h == INVALID_HANDLE_VALUE) return {};
    // A device or pipe named like a file (CON, \\.\pipe\...) could keep a read waiting.
    if (GetFileType(file.h) != FILE_TYPE_DISK) return {};
    std::optional<FileStamp> stamp = StampOf(file.h);

    FileSignature result;
    EmbeddedResult embedded = CheckEmbedded(wide, file.h);
    std::optional<std::string> signer = embedded.signer;
    if (!signer && embedded.noSignature) signer = CheckCatalogs(wide, file);
    if (signer) {
        result = {*signer, true};
    } else {
        result.publisher = VersionCompany(wide);
    }
    if (stamp) SharedCache().Store(std::move(key), *stamp, result);
    return result;
}

} // namespace zt
