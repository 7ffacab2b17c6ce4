// vestrel-compare: the comparison page of Vestrel for scripts. It drives the real main window, unseen: the
// two directory texts go into the path edits, the options tick the check boxes, and the Compara button runs.

#include "app/vestrel.h"
#include "engine/resultobserver.h"
#include "platform/filenames.h"
#include "ui/application.h"
#include "ui/messages.h"
#include "ui/resultview.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

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
    "results could not be written.\n";

const QStringList kCriteria{QStringLiteral("name"), QStringLiteral("size"), QStringLiteral("date"),
                            QStringLiteral("contents")};
const QStringList kKinds{QStringLiteral("normal"), QStringLiteral("hidden"), QStringLiteral("readonly"),
                         QStringLiteral("system")};

struct Options
{
    QStringList by = kCriteria;
    QStringList kinds{QStringLiteral("normal")};
    bool progress = false;
    bool null = false;
    qint64 maxLines = ResultLines::kDefaultCapacity;
    bool help = false;
    bool version = false;
    QList<QByteArray> dirs;
};

int usageError(const char *message)
{
    std::fprintf(stderr, "vestrel-compare: %s\n%s", message, kUsage);
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

// The words of a comma-separated list; false when one is not among the known ones.
bool readList(const QByteArray &list, const QStringList &known, QStringList &words)
{
    words = QString::fromUtf8(list).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &word : words)
        if (!known.contains(word))
            return false;
    return true;
}

// Reads the command line as bytes: directory names are passed on exactly, whatever their encoding.
// Returns 0 when the options are good, otherwise the exit status after a usage error.
int parseArguments(int argc, char *argv[], Options &o)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray a(argv[i]);
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
            if (i + 1 >= argc)
                return usageError("an option lacks its value");
            const QByteArray value(argv[++i]);
            if (a == "--by" && !readList(value, kCriteria, o.by))
                return usageError("unknown criterion in --by");
            if (a == "--kinds" && !readList(value, kKinds, o.kinds))
                return usageError("unknown kind in --kinds");
            if (a == "--max-lines" && !readCount(value, ResultLines::kMaxCapacity, o.maxLines))
                return usageError("--max-lines takes a whole number from 1 to 2147483646");
        } else {
            return usageError("unknown option");
        }
    }
    if (!o.help && !o.version && o.dirs.size() != 2)
        return usageError("two directories are needed");
    return 0;
}

void tick(const QStringList &words, const QStringList &known, const QList<QCheckBox *> &boxes)
{
    for (qsizetype i = 0; i < known.size(); ++i)
        boxes[i]->setChecked(words.contains(known[i]));
}

void printBytes(FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
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
QByteArray criterionWord(QLatin1StringView tag)
{
    const QByteArray trimmed = QByteArray(tag.data(), tag.size()).trimmed();
    static const std::map<QByteArray, QByteArray> words{
        {"[by name]", "name"}, {"[by volume]", "size"}, {"[by time]", "date"}, {"[by contents]", "contents"}};
    const auto word = words.find(trimmed);
    return word == words.end() ? trimmed : word->second;
}

void printRecord(QLatin1StringView tag, const QByteArray &firstName, const QByteArray &secondName)
{
    for (const QByteArray &field : {criterionWord(tag), firstName, secondName}) {
        printBytes(stdout, field);
        std::fputc('\0', stdout);
    }
}

// Scripts read standard error: only the toolkit's serious messages belong there, not its warnings about
// the session it runs in.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printLine(stderr, message);
}

// What the window told the user during a run, by the kind of box it showed: its stop box comes only from
// the checks of the paths, its simple message during a run only when the result list is full, and the
// exception display when an error ended the run. The texts go to standard error.
class WindowReport
{
public:
    void take(const MessageBoxText &box)
    {
        switch (box.kind) {
        case MessageBoxKind::Stop:
            m_refused = true;
            printMessage(stderr, box.text);
            break;
        case MessageBoxKind::Simple:
            m_listFull = true;
            printMessage(stderr, box.text);
            break;
        case MessageBoxKind::Exception:
            m_failed = true;
            // An exception of no known kind is shown with an empty text.
            printLine(stderr,
                      box.text.isEmpty()
                          ? QStringLiteral("vestrel-compare: an error ended the comparison")
                          : QStringLiteral("vestrel-compare: an error ended the comparison: ") + box.text);
            break;
        }
    }
    bool refused() const { return m_refused; }
    ExitStatus status() const
    {
        if (m_failed)
            return kFailed;
        if (m_refused)
            return kRefused;
        return m_listFull ? kListFull : kRan;
    }

private:
    bool m_refused = false;
    bool m_listFull = false;
    bool m_failed = false;
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

} // namespace

int main(int argc, char *argv[])
{
    Options options;
    if (const int status = parseArguments(argc, argv, options))
        return status;
    if (options.help || options.version) {
        std::fputs(options.help ? kUsage : "vestrel-compare (Vestrel) " VESTREL_VERSION "\n", stdout);
        return outputWritten() ? kRan : kFailed;
    }

    qInstallMessageHandler(quietMessages);
    // The window is never shown: the lightest platform starts in half the time of the offscreen one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "minimal");
    // The toolkit sees no argument of ours: a directory named like one of its options stays a directory.
    int toolkitArgc = 1;
    char *toolkitArgv[] = {argv[0], nullptr};
    QApplication app(toolkitArgc, toolkitArgv);
    initialiseApplication();

    TfMain window;
    tick(options.by, kCriteria, {window.cbByName, window.cbByVolume, window.cbByDate, window.cbByContents});
    tick(options.kinds, kKinds, {window.cbNormal, window.cbHide, window.cbReadOnly, window.cbSystem});
    window.eRich->setCapacity(options.maxLines);

    WindowReport report;
    setMessageSink([&report](const MessageBoxText &box) { report.take(box); });
    window.ePath1->setText(pathText(options.dirs[0]));
    window.ePath2->setText(pathText(options.dirs[1]));
    if (options.progress)
        QObject::connect(window.eRez, &QLineEdit::textChanged, [](const QString &text) {
            if (!text.isEmpty())
                printLine(stderr, text);
        });
    if (options.null)
        setResultLineObserver(printRecord);
    window.btnGo->click();
    setResultLineObserver({});
    if (report.refused())
        return report.status();

    // The lines found before a full list or an error are printed too: the window shows them as well.
    if (!options.null)
        for (qint64 i = 0; i < window.eRich->lineCount(); ++i)
            printLine(stdout, window.eRich->lineText(i));
    // After an error the count field shows where the run was, not a count.
    if (!options.progress && report.status() != kFailed)
        printLine(stderr, window.eRez->text());
    return outputWritten() ? report.status() : kFailed;
}
