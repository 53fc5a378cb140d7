// lumivo-cli: the processing operations over image files, without a window.
#include "image/Bitmap.h"
#include "image/ImageFormats.h"
#include "processing/Operations.h"
#include "system/Memory.h"

#include <FreeImage.h>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStringList>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr const char* USAGE = "lumivo-cli [OPTIONS] INPUT... (-o OUTPUT | -d FOLDER) [-x OP[:NAME=VALUE,...]]...";

// The options, for --help and the man page alike.
struct SOption {
    const char* pszSyntax;
    const char* pszText;
};
constexpr SOption kOptions[] = {
    {"-o OUTPUT", "Write the one input's result to OUTPUT, in the format its extension names."},
    {"-d FOLDER", "Write each input's result into FOLDER under the input's base name (the folder is made if "
                  "missing)."},
    {"--format EXT", "With -d: the type of the outputs (default: each input's own)."},
    {"-x OP[:NAME=VALUE,...]", "Apply operation OP with the given parameters (the others keep their defaults). "
                               "Several -x run in order, each on the previous result."},
    {"--compression N", "PNG outputs: the zlib level, 0 (none) to 9 (smallest files, slowest). Default 2: files "
                        "larger than the program's Save As writes at level 6 (about an eighth for a photograph, "
                        "more for flat drawings), written several times faster."},
    {"-j N", "Process up to N inputs at once (default: the number of cores). The results do not depend on N."},
    {"--", "Every argument after it is an input, also one that starts with '-'."},
    {"--list", "Print every operation with its parameters, defaults and ranges."},
    {"--man", "Print this manual page in roff."},
    {"--help", "Print this help."},
};

struct SStep {
    const SOperation* pOperation;
    std::vector<double> values;
};

struct SJob {
    QString strInput, strOutput;
};

// Thrown for a command line that cannot be run; main prints it and exits with 2.
struct SUsageError {
    QString strMessage;
};

void Print(FILE* pFile, const QString& strText)
{
    std::fputs(strText.toLocal8Bit().constData(), pFile);
}

QString ParamType(const SOperationParam& param)
{
    switch (param.eType) {
    case PARAM_INT: return QStringLiteral("integer");
    case PARAM_UINT: return QStringLiteral("positive integer");
    case PARAM_DOUBLE: return QStringLiteral("number");
    case PARAM_CHECK: return QStringLiteral("yes|no");
    default: return QString::fromLatin1(param.pszLabel).toLower().replace(QLatin1Char(' '), QString());
    }
}

// One line per parameter: name=default, type, range.
QString ParamLine(const SOperationParam& param)
{
    const bool bEntries = param.eType == PARAM_RADIO || param.eType == PARAM_COMBO;
    const QString strDefault = bEntries ? ParamType(param).split(QLatin1Char('|')).at(int(param.dDefault))
                                        : FormatParamValue(param, param.dDefault);
    QString strLine = QStringLiteral("%1=%2  %3").arg(QLatin1String(param.pszName), strDefault, ParamType(param));
    if (bEntries)
        strLine += QStringLiteral(" (or 0 .. %1)").arg(FormatParamValue(param, param.dMax));
    else if (param.bRange)
        strLine +=
            QStringLiteral(", %1 .. %2").arg(FormatParamValue(param, param.dMin), FormatParamValue(param, param.dMax));
    return strLine;
}

void PrintList()
{
    for (const SOperation& operation : Operations()) {
        Print(stdout, QString::fromLatin1(operation.pszName) + QLatin1Char('\n'));
        for (const SOperationParam& param : operation.params)
            Print(stdout, QStringLiteral("    ") + ParamLine(param) + QLatin1Char('\n'));
    }
}

void PrintHelp()
{
    Print(stdout,
          QStringLiteral("Usage: %1\n\nApplies Lumivo's operations to image files.\n\n").arg(QLatin1String(USAGE)));
    for (const SOption& option : kOptions)
        Print(stdout,
              QStringLiteral("  %1\n      %2\n").arg(QLatin1String(option.pszSyntax), QLatin1String(option.pszText)));
    Print(stdout, QStringLiteral("\nExit status: 0 all done, 1 some files failed, 2 usage error.\n"
                                 "Operations and their parameters: lumivo-cli --list\n"));
}

QString RoffEscape(QString str)
{
    return str.replace(QLatin1Char('\\'), QStringLiteral("\\e")).replace(QLatin1Char('-'), QStringLiteral("\\-"));
}

void PrintMan()
{
    QString s = QStringLiteral(".TH LUMIVO-CLI 1\n.SH NAME\nlumivo\\-cli \\- apply Lumivo's image operations to files\n"
                               ".SH SYNOPSIS\n.B ") +
                RoffEscape(QLatin1String(USAGE)) +
                QStringLiteral("\n.SH DESCRIPTION\nReads each INPUT, applies the \\-x steps in order and writes the "
                               "result. A file that cannot be read or written is reported on standard error by "
                               "name; the others are still done.\n.SH OPTIONS\n");
    for (const SOption& option : kOptions)
        s += QStringLiteral(".TP\n.B %1\n%2\n")
                 .arg(RoffEscape(QLatin1String(option.pszSyntax)), RoffEscape(QLatin1String(option.pszText)));
    s += QStringLiteral(".SH OPERATIONS\nEach parameter is shown as NAME=DEFAULT with its type and range.\n");
    for (const SOperation& operation : Operations()) {
        s += QStringLiteral(".TP\n.B %1\n").arg(RoffEscape(QLatin1String(operation.pszName)));
        for (const SOperationParam& param : operation.params)
            s += RoffEscape(ParamLine(param)) + QStringLiteral("\n.br\n");
    }
    s += QStringLiteral(".SH EXIT STATUS\n0 all done, 1 some files failed, 2 usage error.\n"
                        ".SH EXAMPLE\nlumivo\\-cli a.bmp \\-o b.png \\-x rotate:angle=30 \\-x to\\-grey\n");
    Print(stdout, s);
}

// "OP[:NAME=VALUE,...]" into a step; values outside their range get the dialog's prompt.
SStep ParseStep(const QString& strSpec)
{
    const qsizetype nColon = strSpec.indexOf(QLatin1Char(':'));
    const QString strName = strSpec.left(nColon);
    const SOperation* pOperation = FindOperation(strName);
    if (!pOperation)
        throw SUsageError{QStringLiteral("unknown operation '%1' (see --list)").arg(strName)};
    SStep step{pOperation, {}};
    for (const SOperationParam& param : pOperation->params)
        step.values.push_back(param.dDefault);
    if (nColon < 0)
        return step;
    QSet<QString> given;
    for (const QString& strAssignment : strSpec.mid(nColon + 1).split(QLatin1Char(','))) {
        const qsizetype nEquals = strAssignment.indexOf(QLatin1Char('='));
        const QString strParam = strAssignment.left(nEquals);
        size_t i = 0;
        while (i < pOperation->params.size() && strParam != QLatin1String(pOperation->params[i].pszName))
            ++i;
        if (nEquals < 0 || i == pOperation->params.size())
            throw SUsageError{QStringLiteral("%1: no parameter '%2' (see --list)").arg(strName, strParam)};
        if (given.contains(strParam))
            throw SUsageError{QStringLiteral("%1: %2 given twice").arg(strName, strParam)};
        given.insert(strParam);
        const QString strPrompt =
            ParseParamValue(pOperation->params[i], strAssignment.mid(nEquals + 1), &step.values[i]);
        if (!strPrompt.isEmpty())
            throw SUsageError{QStringLiteral("%1: %2: %3").arg(strName, strParam, strPrompt)};
    }
    return step;
}

// The extension must name a format that can be written.
void CheckWritable(const QString& strPath)
{
    const SImageFormat* pFormat = FindImageFormat(strPath);
    if (!pFormat || !pFormat->bWritable)
        throw SUsageError{QStringLiteral("%1: not a type that can be written").arg(strPath)};
}

// zlib's level as FreeImage's PNG save flags take it.
int PngSaveFlags(unsigned nLevel)
{
    return nLevel == 0 ? PNG_Z_NO_COMPRESSION : int(nLevel);
}

struct SCommandLine {
    std::vector<SJob> jobs;
    std::vector<SStep> steps;
    int nPngFlags = PngSaveFlags(2);
    unsigned nThreads = std::max(1u, std::thread::hardware_concurrency());
    bool bDone = false; // --help, --list or --man ran
};

SCommandLine ParseCommandLine(const QStringList& args)
{
    SCommandLine line;
    QStringList inputs;
    QString strOutput, strFolder, strFormat;
    bool bOptions = true; // until "--": after it every argument is an input
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& strArg = args[i];
        if (!bOptions || strArg == QLatin1String("--")) {
            if (!bOptions)
                inputs << strArg;
            bOptions = false;
            continue;
        }
        const auto next = [&]() -> QString {
            if (++i >= args.size())
                throw SUsageError{QStringLiteral("%1 needs a value").arg(strArg)};
            return args[i];
        };
        if (strArg == QLatin1String("--help") || strArg == QLatin1String("-h")) {
            PrintHelp(), line.bDone = true;
        } else if (strArg == QLatin1String("--list")) {
            PrintList(), line.bDone = true;
        } else if (strArg == QLatin1String("--man")) {
            PrintMan(), line.bDone = true;
        } else if (strArg == QLatin1String("-o")) {
            if (!strOutput.isEmpty())
                throw SUsageError{QStringLiteral("-o given twice")};
            strOutput = next();
        } else if (strArg == QLatin1String("-d")) {
            if (!strFolder.isEmpty())
                throw SUsageError{QStringLiteral("-d given twice")};
            strFolder = next();
        } else if (strArg == QLatin1String("--format")) {
            strFormat = next();
        } else if (strArg == QLatin1String("-x")) {
            line.steps.push_back(ParseStep(next()));
        } else if (strArg == QLatin1String("--compression")) {
            bool bOk = false;
            const unsigned nLevel = next().toUInt(&bOk);
            if (!bOk || nLevel > 9)
                throw SUsageError{QStringLiteral("--compression: Please enter an integer between 0 and 9.")};
            line.nPngFlags = PngSaveFlags(nLevel);
        } else if (strArg == QLatin1String("-j")) {
            bool bOk = false;
            const QString strN = next();
            line.nThreads = strN.toUInt(&bOk);
            if (!bOk || line.nThreads < 1 || line.nThreads > 1024)
                throw SUsageError{QStringLiteral("-j: Please enter an integer between 1 and 1024.")};
        } else if (strArg.startsWith(QLatin1Char('-')) && strArg != QLatin1String("-")) {
            throw SUsageError{QStringLiteral("unknown option %1").arg(strArg)};
        } else {
            inputs << strArg;
        }
    }
    if (line.bDone)
        return line;
    if (inputs.isEmpty())
        throw SUsageError{QStringLiteral("no input file")};
    if (strOutput.isEmpty() == strFolder.isEmpty())
        throw SUsageError{QStringLiteral("give either -o OUTPUT or -d FOLDER")};
    if (!strFormat.isEmpty() && strFolder.isEmpty())
        throw SUsageError{QStringLiteral("--format goes with -d")};
    if (!strOutput.isEmpty()) {
        if (inputs.size() > 1)
            throw SUsageError{QStringLiteral("-o takes one input; use -d FOLDER for several")};
        CheckWritable(strOutput);
        line.jobs.push_back({inputs.front(), strOutput});
        return line;
    }
    if (strFormat.startsWith(QLatin1Char('.')))
        strFormat.remove(0, 1);
    if (!strFormat.isEmpty())
        CheckWritable(QStringLiteral("x.") + strFormat);
    QSet<QString> outputs;
    for (const QString& strInput : inputs) {
        const QFileInfo info(strInput);
        const QString strOut = QDir(strFolder).filePath(info.completeBaseName() + QLatin1Char('.') +
                                                        (strFormat.isEmpty() ? info.suffix() : strFormat));
        // Two inputs of one base name would overwrite each other's result.
        if (outputs.contains(strOut))
            throw SUsageError{QStringLiteral("%1 would be written twice").arg(strOut)};
        outputs.insert(strOut);
        line.jobs.push_back({strInput, strOut});
    }
    if (!QDir().mkpath(strFolder))
        throw SUsageError{QStringLiteral("%1: cannot make the folder").arg(strFolder)};
    return line;
}

// Reads, applies the steps and writes one file; the reason it failed, or empty.
QString RunJob(const SJob& job, const SCommandLine& line)
{
    CBitmapPtr pBitmap(LoadBitmapFile(job.strInput));
    if (!pBitmap)
        return QStringLiteral("%1: cannot read").arg(job.strInput);
    for (const SStep& step : line.steps) {
        pBitmap.reset(step.pOperation->fnRun(pBitmap.get(), step.values.data()));
        if (!pBitmap)
            return QStringLiteral("%1: %2 gave no result for this image")
                .arg(job.strInput, QLatin1String(step.pOperation->pszName));
    }
    const int nFlags = FormatFromFileName(job.strOutput) == FIF_PNG ? line.nPngFlags : 0;
    if (!SaveBitmapFile(pBitmap.get(), job.strOutput, nFlags))
        return QStringLiteral("%1: cannot write").arg(job.strOutput);
    return {};
}

} // namespace

int main(int argc, char** argv)
{
    SetUpHeapForImages(argv);
    QStringList args;
    SCommandLine line;
    try {
        for (int i = 1; i < argc; ++i) {
            args << QString::fromLocal8Bit(argv[i]);
            // A name that does not survive decoding would be read or written under another name.
            if (args.constLast().toLocal8Bit() != QByteArray(argv[i]))
                throw SUsageError{QStringLiteral("%1: not valid text in this system's encoding").arg(args.constLast())};
        }
        line = ParseCommandLine(args);
    } catch (const SUsageError& error) {
        Print(stderr, QStringLiteral("lumivo-cli: %1\nUsage: %2\n").arg(error.strMessage, QLatin1String(USAGE)));
        return 2;
    }
    if (line.bDone)
        return 0;

    // Each input is independent of the others, so any number of workers gives the same files.
    const bool bProgress = isatty(STDERR_FILENO) != 0;
    std::atomic<size_t> nNext{0};
    std::mutex mutex;
    size_t nDone = 0, nFailed = 0;
    const auto work = [&] {
        for (size_t i; (i = nNext++) < line.jobs.size();) {
            const QString strError = RunJob(line.jobs[i], line);
            const std::lock_guard lock(mutex);
            ++nDone;
            if (bProgress)
                std::fputs("\r\033[K", stderr);
            if (!strError.isEmpty()) {
                ++nFailed;
                Print(stderr, QStringLiteral("lumivo-cli: %1\n").arg(strError));
            }
            if (bProgress)
                Print(stderr, QStringLiteral("[%1/%2] %3").arg(nDone).arg(line.jobs.size()).arg(line.jobs[i].strInput));
        }
    };
    const size_t nThreads = std::min<size_t>(line.nThreads, line.jobs.size());
    std::vector<std::thread> threads;
    for (size_t t = 1; t < nThreads; ++t)
        threads.emplace_back(work);
    work();
    for (std::thread& thread : threads)
        thread.join();
    if (bProgress)
        std::fputs("\n", stderr);
    return nFailed ? 1 : 0;
}
