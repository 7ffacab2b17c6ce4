// vestrel-compare: the comparison of Vestrel's third page for scripts. It drives the comparison engine
// directly, on Qt Core alone: the two directories stand in for the path edits, the options for the check
// boxes, and every line is written out as it is found.

#include "engine/comparison.h"
#include "engine/criteriontexts.h"
#include "engine/flags.h"
#include "engine/resultlines.h"
#include "engine/runchecks.h"
#include "platform/arguments.h"
#include "platform/dirsearch.h"
#include "platform/exceptions.h"
#include "platform/filenames.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>

#ifndef VESTREL_VERSION
#error "VESTREL_VERSION must give the project's version"
#endif

namespace {

// What a run ended in, as a script reads it.
enum ExitStatus {
    kRan = 0,        // the comparison ran to its end
    kUsageError = 1, // the command line was wrong
    kRefused = 2,    // a path was refused before the comparison started
    kListFull = 3,   // the result list was full: the comparison stopped there
    kFailed = 4,     // an error ended the comparison, or the results could not be written
};

const char kUsage[] =
    "usage: vestrel-compare [--by name,size,date,contents] [--kinds normal,hidden,readonly,system]\n"
    "                       [--progress] [-0 | --null] [--max-lines N] [--] DIR1 DIR2\n"
    "       vestrel-compare --help | --version\n"
    "\n"
    "Compares the files of DIR1 with those of DIR2 as Vestrel's comparison page does, and prints one line\n"
    "per coincidence on standard output. The count, and with --progress every progress text, go to\n"
    "standard error.\n"
    "\n"
    "  --by LIST      criteria to apply (default: all four)\n"
    "  --kinds LIST   kinds of files that take part (default: normal)\n"
    "  --progress     show the progress texts\n"
    "  -0, --null     print each coincidence as three fields, each ended by a NUL byte: the criterion\n"
    "                 (name, size, date or contents), the first name and the second name, the names\n"
    "                 byte for byte as they are on disk\n"
    "  --max-lines N  the result list holds at most N lines (default: 20000000, as in the window)\n"
    "  --help         show this text\n"
    "  --version      show the version\n"
    "  --             ends the options: what follows are the directories\n"
    "\n"
    "Exit status: 0 when the comparison ran, 1 for a usage error, 2 when a path was refused, 3 when the\n"
    "result list was full and the comparison stopped there, 4 when an error ended the comparison or the\n"
    "results could not be written. When the reader of standard output goes away (as head does), it ends\n"
    "at once, as other tools do, by the signal SIGPIPE.\n";

// The words of --by and --kinds, in the order of the criteria and of the kind bits.
const char *const kCriterionWords[] = {"name", "size", "date", "contents"};
const Criterion kCriteria[] = {Criterion::Name, Criterion::Volume, Criterion::Time, Criterion::Contents};
const char *const kKindWords[] = {"normal", "hidden", "readonly", "system"};
const quint32 kKindBits[] = {FileAttr::Archive, FileAttr::Hidden, FileAttr::ReadOnly, FileAttr::System};

struct Options
{
    bool criteria[4] = {true, true, true, true};
    quint32 kinds = FileAttr::Archive;
    bool progress = false;
    bool null = false;
    qint64 maxLines = ResultLines::kDefaultCapacity; // as many as the window's result view holds
    bool help = false;
    bool version = false;
    QList<QByteArray> dirs;
};

int usageError(const QByteArray &message)
{
    std::fprintf(stderr, "vestrel-compare: %s\n%s", message.constData(), kUsage);
    return kUsageError;
}

// A whole number from 1 to most, in decimal digits alone; false otherwise.
bool readCount(const QByteArray &text, qint64 most, qint64 &count)
{
    bool ok =
        !text.isEmpty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const qint64 value = ok ? text.toLongLong(&ok) : 0;
    if (!ok || value < 1 || value > most)
        return false;
    count = value;
    return true;
}

// The words of a comma-separated list, each one of the known words: chosen[k] tells whether known[k] is
// among them. An empty list or an empty word is an error, as is a word not known: its text is returned.
template <size_t N>
bool readList(const QByteArray &list, const char *const (&known)[N], bool (&chosen)[N], QByteArray &wrong)
{
    std::fill(std::begin(chosen), std::end(chosen), false);
    for (const QByteArray &word : list.split(',')) {
        const auto found =
            std::find_if(std::begin(known), std::end(known), [&word](const char *k) { return word == k; });
        if (found == std::end(known)) {
            wrong = word;
            return false;
        }
        chosen[found - std::begin(known)] = true;
    }
    return true;
}

// Reads the command line as bytes: directory names are passed on exactly, whatever their encoding.
// Returns 0 when the options are good, otherwise the exit status after a usage error.
int parseArguments(const QList<QByteArray> &words, Options &o)
{
    bool optionsEnded = false;
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QByteArray &a = words[i];
        if (optionsEnded || a == "-" || !a.startsWith('-')) {
            o.dirs.append(a);
        } else if (a == "--") {
            optionsEnded = true;
        } else if (a == "--help") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--progress") {
            o.progress = true;
        } else if (a == "-0" || a == "--null") {
            o.null = true;
        } else if (a == "--by" || a == "--kinds" || a == "--max-lines") {
            if (i + 1 >= words.size())
                return usageError("the option " + a + " lacks its value");
            const QByteArray &value = words[++i];
            QByteArray wrong;
            if (a == "--by" && !readList(value, kCriterionWords, o.criteria, wrong))
                return usageError(wrong.isEmpty() ? "an empty criterion in --by '" + value + "'"
                                                  : "unknown criterion '" + wrong + "' in --by");
            if (a == "--kinds") {
                bool kinds[4];
                if (!readList(value, kKindWords, kinds, wrong))
                    return usageError(wrong.isEmpty() ? "an empty kind in --kinds '" + value + "'"
                                                      : "unknown kind '" + wrong + "' in --kinds");
                o.kinds = 0;
                for (size_t k = 0; k < 4; ++k)
                    o.kinds |= kinds[k] ? kKindBits[k] : 0;
            }
            if (a == "--max-lines" && !readCount(value, ResultLines::kMaxCapacity, o.maxLines))
                return usageError("--max-lines takes a whole number from 1 to 2147483646, not '" + value +
                                  "'");
        } else {
            return usageError("unknown option " + a);
        }
    }
    if (!o.help && !o.version && o.dirs.size() != 2)
        return usageError("two directories are needed");
    return 0;
}

void printBytes(FILE *to, QByteArrayView bytes)
{
    std::fwrite(bytes.data(), 1, size_t(bytes.size()), to);
}

void printLine(FILE *to, const QString &text)
{
    printBytes(to, text.toUtf8());
    std::fputc('\n', to);
}

// A message that quotes a path text: the path as the bytes it names, so that a script reads back the
// directory name it gave.
void printMessage(FILE *to, const QString &text)
{
    const QByteArray bytes = pathBytes(text);
    printBytes(to, bytes.isEmpty() ? shownText(text).toUtf8() : bytes);
    std::fputc('\n', to);
}

// The criterion of a result line as the word --by uses for it.
const char *criterionWord(QLatin1StringView tag)
{
    for (size_t k = 0; k < 4; ++k)
        if (textsOf(kCriteria[k]).tag == tag)
            return kCriterionWords[k];
    return "";
}

// The command line as the comparison's face: the options are the ticked boxes and the directories the
// path edits; each line found is written to standard output at once (through its buffer, written out at
// every hand-over and at the end), so nothing of the results is kept.
class BatchFace final : public ComparisonInputs, public ComparisonReport
{
public:
    explicit BatchFace(const Options &options)
        : m_options(options), m_paths{::pathText(options.dirs[0]), ::pathText(options.dirs[1])}
    {
        std::copy(std::begin(options.criteria), std::end(options.criteria), std::begin(m_chosen));
    }

    // A run over one directory written the same way twice leaves the name criterion out, as the page does.
    void dropNameCriterion() { m_chosen[0] = false; }
    qint64 lines() const { return m_lines; }
    const QString &path(int directory) const { return m_paths[directory - 1]; }

    QString pathText(int directory) const override { return path(directory); }
    bool isChosen(Criterion criterion) const override { return m_chosen[int(criterion)]; }
    quint32 chosenKinds() const override { return m_options.kinds; }
    void clearResults() override { m_lines = 0; }
    bool AddResultLine(QLatin1StringView tag, const QByteArray &firstName,
                       const QByteArray &secondName) override
    {
        if (m_lines >= m_options.maxLines)
            return false;
        ++m_lines;
        if (m_options.null) {
            for (QByteArrayView field : {QByteArrayView(criterionWord(tag)), QByteArrayView(firstName),
                                         QByteArrayView(secondName)}) {
                printBytes(stdout, field);
                std::fputc('\0', stdout);
            }
        } else {
            composeResultLine(m_line, tag, firstName, secondName);
            printLine(stdout, resultLineText(m_line));
        }
        return true;
    }
    // Like the progress field, which tells a change only: a text shown twice in a row is printed once.
    void showProgress(const QString &text) override
    {
        if (m_options.progress && !text.isEmpty() && text != m_shown)
            printLine(stderr, text);
        m_shown = text;
    }
    // The count goes to standard error whether the progress is shown or not.
    void showCount(const QString &text)
    {
        if (!m_options.progress || text != m_shown)
            printLine(stderr, text);
        m_shown = text;
    }
    void writeOut() override { std::fflush(stdout); }
    void handOver() override {}

private:
    const Options &m_options;
    QString m_paths[2];
    bool m_chosen[4];
    qint64 m_lines = 0;
    QByteArray m_line;
    QString m_shown;
};

// Standard output is where a script reads the results: one that could not be written is a failure.
bool outputWritten()
{
    if (std::fflush(stdout) == 0 && !std::ferror(stdout))
        return true;
    const int error = errno;
    std::fprintf(stderr, "vestrel-compare: cannot write the results: %s\n", std::strerror(error));
    return false;
}

// The run, in the order of the page's Compara button.
ExitStatus compare(BatchFace &face)
{
    if (const auto refusal = pathsRefusal(face.path(1), face.path(2))) {
        printMessage(stderr, *refusal);
        return kRefused;
    }
    Comparison comparison(face, face);
    if (comparison.beginRun(face.path(1), face.path(2)))
        face.dropNameCriterion();
    face.showProgress(waitingText());
    comparison.CompareDirs();
    comparison.progress().flush();
    const bool full = comparison.resultsFull();
    comparison.endRun();
    if (!outputWritten())
        return kFailed;
    // As in the window, the box that says the list was full comes up after the count was written.
    if (full)
        printMessage(stderr, resultsFullText(face.lines()));
    face.showCount(resultCountText(face.lines()));
    return full ? kListFull : kRan;
}

} // namespace

int main(int argc, char *argv[])
{
    // A result file that reaches the file size limit is then a write that fails, not the end of us.
    initialiseProcess();
    Options options;
    if (const int status = parseArguments(commandLineArguments(argc, argv), options))
        return status;
    if (options.help || options.version) {
        std::fputs(options.help ? kUsage : "vestrel-compare (Vestrel) " VESTREL_VERSION "\n", stdout);
        return outputWritten() ? kRan : kFailed;
    }

    // The toolkit sees no argument of ours: a directory named like one of its options stays a directory.
    int toolkitArgc = 1;
    char *toolkitArgv[] = {argv[0], nullptr};
    QCoreApplication app(toolkitArgc, toolkitArgv);
    // Lines go out in large writes; each hand-over and the end write out what is held.
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    BatchFace face(options);
    try {
        return compare(face);
    } catch (const Exception &e) {
        outputWritten();
        printLine(stderr, QStringLiteral("vestrel-compare: an error ended the comparison: ") + e.message());
    } catch (const std::bad_alloc &) {
        outputWritten();
        printLine(stderr, QStringLiteral("vestrel-compare: an error ended the comparison: out of memory"));
    } catch (const std::exception &e) {
        outputWritten();
        printLine(stderr, QStringLiteral("vestrel-compare: an error ended the comparison: ") +
                              QString::fromLocal8Bit(e.what()));
    }
    return kFailed;
}
