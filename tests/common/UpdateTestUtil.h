// Update packages for the tests: a signing key pair made by the test (no private key lives in the sources),
// ZIP packages with Unix modes as the packaging script makes them, and snapshots of a program directory.
#pragma once

#include <zip.h>

#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace zorb::test {

namespace fs = std::filesystem;

struct TKeyPair {
    std::string PublicPem;
    EVP_PKEY* Key = nullptr;
    TKeyPair() {
        Key = EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519");
        BIO* bio = BIO_new(BIO_s_mem());
        PEM_write_bio_PUBKEY(bio, Key);
        char* p = nullptr;
        const long n = BIO_get_mem_data(bio, &p);
        PublicPem.assign(p, static_cast<size_t>(n));
        BIO_free(bio);
    }
    ~TKeyPair() { EVP_PKEY_free(Key); }
    TKeyPair(const TKeyPair&) = delete;
    TKeyPair& operator=(const TKeyPair&) = delete;
    std::string Sign(const std::string& data) const {
        EVP_MD_CTX* ctx = EVP_MD_CTX_new();
        EVP_DigestSignInit(ctx, nullptr, nullptr, nullptr, Key);
        size_t len = 64;
        std::string sig(64, '\0');
        EVP_DigestSign(ctx, reinterpret_cast<unsigned char*>(sig.data()), &len,
                       reinterpret_cast<const unsigned char*>(data.data()), data.size());
        EVP_MD_CTX_free(ctx);
        return sig;
    }
    // A package's signature: the signature of its SHA-512 digest.
    std::string SignPackage(const std::string& package) const {
        unsigned char md[EVP_MAX_MD_SIZE];
        unsigned int n = 0;
        EVP_Digest(package.data(), package.size(), md, &n, EVP_sha512(), nullptr);
        return Sign(std::string(reinterpret_cast<const char*>(md), n));
    }
};

struct TEntry {
    std::string Name, Data;
    uint32_t Mode = S_IFREG | 0644; // Unix type and permission bits
};

// A ZIP with Unix modes, as the packaging script makes it.
inline std::string MakePackage(const std::vector<TEntry>& entries) {
    const std::string path = (fs::temp_directory_path() / ("zorb-pkg-" + std::to_string(::getpid()) + ".zip")).string();
    fs::remove(path);
    int error = 0;
    zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (const TEntry& e : entries) {
        zip_int64_t i;
        if (!e.Name.empty() && e.Name.back() == '/') {
            i = zip_dir_add(z, e.Name.c_str(), ZIP_FL_ENC_UTF_8);
        } else {
            zip_source_t* src = zip_source_buffer(z, e.Data.data(), e.Data.size(), 0);
            i = zip_file_add(z, e.Name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        }
        zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(i), 0, ZIP_OPSYS_UNIX, e.Mode << 16);
    }
    zip_close(z);
    std::ifstream in(path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return bytes;
}

// Every file of a directory with its contents and permission bits.
inline std::map<std::string, std::string> Snapshot(const fs::path& dir) {
    std::map<std::string, std::string> r;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        const std::string rel = fs::relative(e.path(), dir).string();
        struct stat st;
        ::lstat(e.path().c_str(), &st);
        std::string what = std::to_string(st.st_mode & 07777) + ":";
        if (e.is_regular_file()) {
            std::ifstream in(e.path(), std::ios::binary);
            what += std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        }
        r[rel] = what;
    }
    return r;
}

inline void Put(const fs::path& path, const std::string& data, fs::perms perms = fs::perms(0644)) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << data;
    fs::permissions(path, perms);
}

} // namespace zorb::test
