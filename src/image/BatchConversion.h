#pragma once
// Batch conversion: every image file of a folder (and of its immediate subfolders on request) written
// into one output folder in another format, or as 16 x 16, 1-bit reductions under running numbers.
#include <QString>
#include <QStringList>
#include <array>

struct FIBITMAP;

struct SBatchOptions {
    QString strInputType;  // a mask ("*.*", "img*.jpg") or an extension (".jpg")
    QString strOutputType; // appended to every output name; its extension chooses the writer
    QString strInputFolder;
    QString strOutputFolder;
    bool bGenerateNames = false; // numbered 16 x 16, 1-bit reductions instead of converted copies
    bool bSubfolders = false;    // also the immediate subfolders, each as its own pass
};

// What a run shows, told on the calling thread in the order of the one-thread run.
class CBatchObserver {
public:
    virtual ~CBatchObserver() = default;
    virtual void BeginPass() {}
    virtual void FileDone() {} // once per file written or refused by the writer
    virtual void EndPass() {}
    virtual void Message(const QString& strText) { (void)strText; }
};

// Message texts of the run.
extern const char* const BATCH_SAVE_FAILED;      // "Save file failed"
extern const char* const BATCH_CONVERSION_ERROR; // "Conversion error"

struct SBatchResult {
    int nCounter = 0;    // the running file counter at the end
    QStringList skipped; // sources that could not be read, in the order met
};

// Runs the whole conversion. Nothing happens when either folder is empty. A file that cannot be read
// is skipped; one message at the end names how many were and the first few. nThreads 0 takes one
// worker per processor; the files, names, counter, messages and steps are those of a one-thread run.
SBatchResult RunBatchConversion(const SBatchOptions& options, CBatchObserver& observer, int nThreads = 0);

// The immediate subfolders of strFolder (full paths), sorted case-insensitively.
QStringList CollectBatchSubfolders(const QString& strFolder);
// The files of strFolder (full paths, no directories) matching strInputType, sorted case-insensitively.
QStringList CollectBatchFiles(const QString& strFolder, const QString& strInputType);
// True when strName matches strInputType: an extension (".jpg") matches names ending in it, a mask
// matches with '*' and '?' as wildcards; case-insensitive. "x.*" also matches "x".
bool MatchesInputType(const QString& strName, const QString& strInputType);
// The file-name part of a path cut before its first dot ("holiday.2005.jpg" gives "holiday").
QString BatchBaseName(const QString& strPath);
// The folder used when none is chosen: "TMP", else "TMPDIR", else /tmp.
QString DefaultBatchOutputFolder();

// The source coordinates that result columns (x map) and rows from the top (y map) sample; -1 for a
// point outside the picture. The longer side spans all 16 entries, the shorter one a centred band.
// Every entry lies inside the source.
void Reduce16x16Maps(int nWidth, int nHeight, std::array<int, 16>& xMap, std::array<int, 16>& yMap);
// A new 16 x 16, 1-bit reduction of a palette source (ink drawn black); 4- and 8-bit sources are first
// thresholded at 128. Null for a source without palette or when memory runs out.
FIBITMAP* Reduce16x16(FIBITMAP* pSource);
