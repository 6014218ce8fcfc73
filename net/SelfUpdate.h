// Self-update: the update descriptor (an INI file naming, per executable, the newest version, its package and
// what to delete or run around the installation), the description text, and the installation of a package.
//
// A package is a ZIP of the install tree with a top-level VERSION file. It is trusted only when its CRC-32 (when
// the descriptor gives one) and its detached signature check out and VERSION names the offered version; the
// signature is the Ed25519 signature of the package's SHA-512 digest, so a package of any size is checked while
// it streams to disk. Nothing of it is ever run unless it is listed in ExecBefore/ExecAfter. Every name in the
// package and the descriptor must be a program file (the programs, VERSION, the language modules, the help and
// the program folders) and lie outside a data directory inside the program directory, or the update is refused
// before anything changes.
//
// Installation is staged: the package is unpacked and checked in "SelfUpdate/" (the same filesystem), then each
// replaced or deleted file is renamed into "SelfUpdate.old/" and the staged one into place, every move written to
// a journal first. A failure undoes every move; a swap cut short by a crash or a kill is undone by
// RecoverInterrupted, which both programs run at every start. The next check removes "SelfUpdate.old/".
#pragma once

#include "net/Http.h"
#include "net/ZipFiles.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zorb {

struct TUpdateDescriptor {
    std::string VerId, Description, DownloadUrl, SignatureUrl, OriginalFileName, ChecksumCRC32;
    // GlobalOptions first, then the program's section.
    std::vector<std::string> DeleteBefore, DeleteAfter, ExecBefore, ExecAfter;
};

// Reads the section of the program (VerId defaults to the running version) and GlobalOptions.
TUpdateDescriptor ReadUpdateDescriptor(const std::string& path, const std::string& section,
                                       const std::string& runningVersion);

// The fourth part of a version text split at ",", "-", "." and "_", 0 when missing or not a number.
int BuildNumber(const std::string& version);

// The standard CRC-32 (reflected 0xEDB88320), as eight upper-case hexadecimal digits.
uint32_t Crc32(const void* data, size_t size, uint32_t crc = 0);
std::string Crc32Text(uint32_t crc);
std::string FileCrc32Text(const std::string& path); // raises when the file cannot be read

// The public key packages are signed for (PEM).
const std::string& BuiltInUpdateKey();
// Whether `signature` (64 raw bytes) is an Ed25519 signature of `data` by the PEM public key; raises on a key that
// cannot be read.
bool VerifyEd25519(const std::string& data, const std::string& signature, const std::string& publicKeyPem);

struct TSelfUpdateOptions {
    std::string InstallDir;            // the program directory
    std::string DataDir;               // the user's data directory (in a portable copy the program directory)
    std::string Section = "Zorb_6x52"; // the executable's name
    std::string RunningVersion;
    std::string DescriptorUrl; // http(s) or a file path
    std::string PublicKeyPem;  // empty: the built-in key
    int Language = 1049;       // 0: only the language-neutral description is tried
    std::string LanguageAbbrev = "RUS";
    THttpOptions Http;
    TZipLimits Zip;
    int Attempts = 3;
    int ExecTimeoutSeconds = 60;
    // Follows every durable change of the swap; tests end the process there to leave a swap cut short.
    std::function<void()> OnSwapStep;
};

struct TUpdateOffer {
    bool Available = false;
    TUpdateDescriptor Descriptor;
    std::string Description; // the text of the description file, or "< Описание обновления не доступно >"
};

// Check points: a progress text, a step of the progress window and the stop request ("Отмена").
struct TUpdateSteps {
    std::function<void(const std::string&)> Text;
    std::function<void()> Step;
    std::function<bool()> Stop;
};

class TSelfUpdater {
public:
    explicit TSelfUpdater(TSelfUpdateOptions options);

    // Removes what an earlier update left (undoing an interrupted swap first), fetches the descriptor into
    // "SelfUpdates.inf", reads it and, when a newer build is offered, its description. The descriptor file is
    // deleted again. Raises on any error.
    TUpdateOffer Check(const TUpdateSteps& steps = {});
    // Downloads (at most Attempts times), verifies, stages and swaps in the offered package. Raises with the
    // reason; the program directory is then as it was.
    void Install(const TUpdateOffer& offer, const TUpdateSteps& steps = {});

    // Undoes a swap whose journal has no commit mark (true when there was one) and removes the stage of an
    // installation cut short; leaves alone a swap another process is running.
    static bool RecoverInterrupted(const std::string& installDir);

    std::string WorkDir() const;
    std::string OldDir() const;

private:
    // `onBody` sees the bytes as they are written.
    void Fetch(const std::string& source, const std::string& target, int64_t maxBytes,
               const std::function<void(const char*, size_t)>& onBody = {}) const;
    std::string ResolveSource(const std::string& source) const;
    void Tick(const TUpdateSteps& steps) const;
    // Removes what the last installation replaced; raises while an undone swap could not put everything back.
    void DropOldFolder() const;

    TSelfUpdateOptions FOptions;
};

} // namespace zorb
