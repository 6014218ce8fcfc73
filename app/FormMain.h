// The application made concrete for "Зорб Мега": file names, captions and the addresses of the link actions.
#pragma once

#include "app/TemplateMain.h"

namespace zorb {

class TFormMain : public TTemplateMain {
public:
    using TTemplateMain::TTemplateMain;

    static constexpr const char* GameFileName = "Zorb_6x52";

protected:
    std::string ProgramName() const override { return GameFileName; }
    std::string ProgramCaption() const override;
    std::vector<TLinkInfo> Links() const override;
    std::string AboutText() const override;
    int DownloadHook() override;
    bool DownloadConfigured() const override;

public:
    static constexpr const char* ArchiveZipName = "zorb_mega_csv.zip";
    static constexpr const char* RangeFilePrefix = "ZorbMega_Results__";
    static constexpr int64_t ResultsArchiveMaxBytes = 64ll << 20; // the archive of every draw is far smaller
};

} // namespace zorb
