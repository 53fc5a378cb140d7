#include "image/BatchConversion.h"

#include "image/Bitmap.h"
#include "image/FolderList.h"

#include <FreeImage.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

const char* const BATCH_SAVE_FAILED = "Save file failed";
const char* const BATCH_CONVERSION_ERROR = "Conversion error";

namespace {

// a * b / c rounded, halves away from zero.
int MulDiv(int a, int b, int c)
{
    const int64_t n = int64_t(a) * b;
    const int64_t q = (2 * (n < 0 ? -n : n) + c) / (2 * int64_t(c));
    return int(n < 0 ? -q : q);
}

// Entries [nFirst, nFirst + nUsed) of map sample nSide source pixels: identity, bin centres when the
// side is longer than the band, repeats when shorter. Clamped to the side's last pixel, since the
// repeat rule yields nSide itself for short sides.
void FillMap(std::array<int, 16>& map, int nFirst, int nUsed, int nSide)
{
    for (int j = 0; j < nUsed; ++j) {
        int v = j;
        if (nSide > nUsed)
            v = MulDiv(2 * j + 1, nSide, 2 * nUsed);
        else if (nSide < nUsed)
            v = MulDiv(j, nSide, nUsed);
        map[size_t(nFirst + j)] = std::clamp(v, 0, nSide - 1);
    }
}

// Windows-style mask with '*' and '?', case-insensitive.
bool MatchMask(const QString& strName, const QString& strMask)
{
    qsizetype n = 0, m = 0, nStar = -1, nResume = 0;
    while (n < strName.size()) {
        if (m < strMask.size() &&
            (strMask[m] == QLatin1Char('?') || strMask[m].toCaseFolded() == strName[n].toCaseFolded())) {
            ++n, ++m;
        } else if (m < strMask.size() && strMask[m] == QLatin1Char('*')) {
            nStar = m++;
            nResume = n;
        } else if (nStar >= 0) {
            m = nStar + 1;
            n = ++nResume;
        } else {
            return false;
        }
    }
    while (m < strMask.size() && strMask[m] == QLatin1Char('*'))
        ++m;
    return m == strMask.size();
}

QStringList ListEntries(const QString& strFolder, QDir::Filters filters)
{
    QStringList paths;
    const QDir dir(strFolder);
    const QStringList names =
        dir.entryList(filters | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& strName : names)
        paths.append(dir.filePath(strName));
    return paths;
}

// One file of a pass. A worker reads, reduces and writes it to a staging name in the output folder;
// the committing thread then names it, counts it and moves it in place, in file order.
struct SFileJob {
    QString strSource;
    QString strStaged; // written output, empty when nothing was written
    bool bLoaded = false;
    bool bConverted = false; // false: the reduction failed
    bool bDone = false;
};

class CConversionPass {
public:
    CConversionPass(const SBatchOptions& options, const QStringList& files, int nThreads)
        : m_options(options), m_jobs(size_t(files.size())), m_nThreads(nThreads)
    {
        for (qsizetype i = 0; i < files.size(); ++i)
            m_jobs[size_t(i)].strSource = files[i];
        m_strStagePrefix =
            options.strOutputFolder + QStringLiteral("/.~lumivo-batch-%1-%2-").arg(getpid()).arg(quintptr(this));
    }

    // Converts the files in order; a conversion error ends the pass.
    void Run(CBatchObserver& observer, SBatchResult& result)
    {
        std::vector<std::thread> workers;
        if (m_nThreads > 1)
            for (int t = 0; t < m_nThreads; ++t)
                workers.emplace_back([this] { Work(); });
        for (size_t i = 0; i < m_jobs.size(); ++i) {
            if (workers.empty())
                Prepare(i);
            else
                WaitFor(i);
            if (!Commit(m_jobs[i], observer, result))
                break;
            std::lock_guard lock(m_mutex);
            m_nCommitted = i + 1;
            m_cvWork.notify_all();
        }
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
            m_cvWork.notify_all();
        }
        for (std::thread& worker : workers)
            worker.join();
        // Staged files of a pass that ended early.
        for (const SFileJob& job : m_jobs)
            if (!job.strStaged.isEmpty())
                QFile::remove(job.strStaged);
    }

private:
    void Work()
    {
        // Workers run at most a few files ahead of the commits, so an early end wastes little.
        const size_t nAhead = size_t(2 * m_nThreads);
        for (;;) {
            size_t i;
            {
                std::unique_lock lock(m_mutex);
                m_cvWork.wait(lock,
                              [&] { return m_bStop || (m_nNext < m_jobs.size() && m_nNext < m_nCommitted + nAhead); });
                if (m_bStop)
                    return;
                i = m_nNext++;
            }
            Prepare(i);
            std::lock_guard lock(m_mutex);
            m_jobs[i].bDone = true;
            m_cvDone.notify_all();
        }
    }

    void WaitFor(size_t i)
    {
        std::unique_lock lock(m_mutex);
        m_cvDone.wait(lock, [&] { return m_jobs[i].bDone; });
    }

    void Prepare(size_t i)
    {
        SFileJob& job = m_jobs[i];
        const CBitmapPtr pBitmap(LoadBitmapFile(job.strSource));
        job.bLoaded = pBitmap != nullptr;
        if (!pBitmap)
            return;
        CBitmapPtr pReduced;
        if (m_options.bGenerateNames) {
            pReduced.reset(Reduce16x16(pBitmap.get()));
            if (!pReduced)
                return;
        }
        job.bConverted = true;
        // The staging name ends in the output type, so it chooses the same writer as the final name.
        const QString strStaged = m_strStagePrefix + QString::number(i) + m_options.strOutputType;
        if (!m_options.strOutputType.contains(QLatin1Char('/')) &&
            SaveBitmapFile(pReduced ? pReduced.get() : pBitmap.get(), strStaged))
            job.strStaged = strStaged;
    }

    bool Commit(SFileJob& job, CBatchObserver& observer, SBatchResult& result)
    {
        if (!job.bLoaded) {
            result.skipped.append(job.strSource);
            return true;
        }
        const QString strName =
            m_options.bGenerateNames ? QString::number(result.nCounter) : BatchBaseName(job.strSource);
        ++result.nCounter;
        if (!job.bConverted) {
            observer.Message(QString::fromLatin1(BATCH_CONVERSION_ERROR));
            return false;
        }
        const QString strTarget = m_options.strOutputFolder + QLatin1Char('/') + strName + m_options.strOutputType;
        const bool bSaved = !job.strStaged.isEmpty() && std::rename(QFile::encodeName(job.strStaged).constData(),
                                                                    QFile::encodeName(strTarget).constData()) == 0;
        if (!bSaved) {
            if (!job.strStaged.isEmpty())
                QFile::remove(job.strStaged);
            observer.Message(QString::fromLatin1(BATCH_SAVE_FAILED));
        }
        job.strStaged.clear();
        observer.FileDone();
        return true;
    }

    const SBatchOptions& m_options;
    std::vector<SFileJob> m_jobs;
    int m_nThreads;
    QString m_strStagePrefix;
    std::mutex m_mutex;
    std::condition_variable m_cvWork, m_cvDone;
    size_t m_nNext = 0;
    size_t m_nCommitted = 0;
    bool m_bStop = false;
};

// Workers may read ahead only when no output of the pass can land on one of its sources.
bool SameFolder(const QString& strA, const QString& strB)
{
    const QString strCanonA = QFileInfo(strA).canonicalFilePath();
    return strCanonA.isEmpty() || strCanonA == QFileInfo(strB).canonicalFilePath();
}

QString SkippedMessage(const QStringList& skipped)
{
    const int nShown = 5;
    QString strText = QStringLiteral("%1 file(s) could not be read and were skipped:").arg(skipped.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(skipped.size(), nShown); ++i)
        strText += QLatin1Char('\n') + GetFileNamePart(skipped[i]);
    if (skipped.size() > nShown)
        strText += QStringLiteral("\n...");
    return strText;
}

} // namespace

bool MatchesInputType(const QString& strName, const QString& strInputType)
{
    if (strInputType.startsWith(QLatin1Char('.')))
        return strName.endsWith(strInputType, Qt::CaseInsensitive);
    // As on the system the masks come from, "x.*" also takes names without an extension.
    return MatchMask(strName, strInputType) ||
           (strInputType.endsWith(QStringLiteral(".*")) && MatchMask(strName, strInputType.chopped(2)));
}

QStringList CollectBatchSubfolders(const QString& strFolder)
{
    return ListEntries(strFolder, QDir::Dirs);
}

QStringList CollectBatchFiles(const QString& strFolder, const QString& strInputType)
{
    QStringList files = ListEntries(strFolder, QDir::Files);
    files.removeIf([&](const QString& strPath) { return !MatchesInputType(GetFileNamePart(strPath), strInputType); });
    return files;
}

QString BatchBaseName(const QString& strPath)
{
    const QString strName = GetFileNamePart(strPath);
    return strName.left(strName.indexOf(QLatin1Char('.')));
}

QString DefaultBatchOutputFolder()
{
    for (const char* pszName : {"TMP", "TMPDIR"}) {
        const QString strValue = qEnvironmentVariable(pszName);
        if (!strValue.isEmpty())
            return strValue;
    }
    return QStringLiteral("/tmp");
}

SBatchResult RunBatchConversion(const SBatchOptions& options, CBatchObserver& observer, int nThreads)
{
    SBatchResult result;
    if (options.strInputFolder.isEmpty() || options.strOutputFolder.isEmpty())
        return result;
    if (nThreads <= 0)
        nThreads = int(std::max(1u, std::thread::hardware_concurrency()));

    QStringList folders{options.strInputFolder};
    const QStringList subfolders = CollectBatchSubfolders(options.strInputFolder);
    if (options.bSubfolders)
        folders += subfolders;
    for (const QString& strFolder : folders) {
        const QStringList files = CollectBatchFiles(strFolder, options.strInputType);
        const int nPassThreads = SameFolder(strFolder, options.strOutputFolder) ? 1 : nThreads;
        observer.BeginPass();
        CConversionPass(options, files, nPassThreads).Run(observer, result);
        observer.EndPass();
    }
    if (!result.skipped.isEmpty())
        observer.Message(SkippedMessage(result.skipped));
    return result;
}

void Reduce16x16Maps(int nWidth, int nHeight, std::array<int, 16>& xMap, std::array<int, 16>& yMap)
{
    const bool bWide = nWidth >= nHeight;
    const int nLong = bWide ? nWidth : nHeight;
    const int nShort = bWide ? nHeight : nWidth;
    std::array<int, 16>& longMap = bWide ? xMap : yMap;
    std::array<int, 16>& shortMap = bWide ? yMap : xMap;
    longMap.fill(-1);
    shortMap.fill(-1);
    if (nLong <= 0)
        return;
    FillMap(longMap, 0, 16, nLong);
    // The shorter side keeps the aspect ratio, centred.
    const int nUsed = MulDiv(nShort, 16, nLong);
    const int nFirst = MulDiv(16 - nUsed, 1, 2);
    FillMap(shortMap, nFirst, nUsed, nShort);
}

FIBITMAP* Reduce16x16(FIBITMAP* pSource)
{
    if (!pSource || !FreeImage_GetPalette(pSource))
        return nullptr;
    // Palette sources deeper than one bit are thresholded first: dark pixels become ink.
    CBitmapPtr pThreshold;
    if (FreeImage_GetBPP(pSource) != 1) {
        pThreshold.reset(FreeImage_Threshold(pSource, 128));
        if (!pThreshold)
            return nullptr;
        pSource = pThreshold.get();
    }
    CBitmapPtr pResult(FreeImage_Allocate(16, 16, 1, 0, 0, 0));
    if (!pResult)
        return nullptr;
    std::memset(FreeImage_GetBits(pResult.get()), 0, size_t(FreeImage_GetPitch(pResult.get())) * 16);
    RGBQUAD* pPalette = FreeImage_GetPalette(pResult.get());
    pPalette[0] = RGBQUAD{255, 255, 255, 0};
    pPalette[1] = RGBQUAD{0, 0, 0, 0};

    const int nWidth = int(FreeImage_GetWidth(pSource));
    const int nHeight = int(FreeImage_GetHeight(pSource));
    std::array<int, 16> xMap, yMap;
    Reduce16x16Maps(nWidth, nHeight, xMap, yMap);
    // Ink is the set bit when palette entry 0 is light, the clear bit when it is black.
    const bool bInkIsSet = FreeImage_GetPalette(pSource)[0].rgbRed != 0;
    for (int k = 0; k < 16; ++k) {
        if (yMap[size_t(k)] < 0)
            continue;
        const BYTE* pRow = FreeImage_GetScanLine(pSource, nHeight - 1 - yMap[size_t(k)]);
        BYTE* pOut = FreeImage_GetScanLine(pResult.get(), 15 - k);
        for (int i = 0; i < 16; ++i) {
            const int e = xMap[size_t(i)];
            if (e < 0)
                continue;
            const bool bSet = (pRow[e / 8] >> (7 - e % 8)) & 1;
            if (bSet == bInkIsSet)
                pOut[i / 8] |= BYTE(0x80 >> (i % 8));
        }
    }
    return pResult.release();
}
