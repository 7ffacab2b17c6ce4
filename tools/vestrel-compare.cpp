// vestrel-compare: the comparison page of Vestrel for scripts. It drives the real main window, unseen: the
// two directory texts go into the path edits, the options tick the check boxes, and the Compara button runs.

#include "app/application.h"
#include "app/vestrel.h"
#include "compare/resultview.h"
#include "platform/messages.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>

#include <cstdio>
#include <map>

namespace {

const char kUsage[] =
    "usage: vestrel-compare [--by name,size,date,contents] [--kinds normal,hidden,readonly,system]\n"
    "                       [--progress] DIR1 DIR2\n"
    "\n"
    "Compares the files of DIR1 with those of DIR2 as Vestrel's comparison page does, and prints one line\n"
    "per coincidence on standard output. The count, and with --progress every progress text, go to\n"
    "standard error.\n"
    "\n"
    "  --by LIST     criteria to apply (default: all four)\n"
    "  --kinds LIST  kinds of files that take part (default: normal)\n"
    "  --progress    show the progress texts\n"
    "  --help        show this text\n"
    "\n"
    "Exit status: 0 when the comparison ran, 2 when a path was refused, 1 for a usage error.\n";

struct Options
{
    QStringList by{QStringLiteral("name"), QStringLiteral("size"), QStringLiteral("date"),
                   QStringLiteral("contents")};
    QStringList kinds{QStringLiteral("normal")};
    bool progress = false;
    QStringList dirs;
};

int usageError(const char *message)
{
    std::fprintf(stderr, "vestrel-compare: %s\n%s", message, kUsage);
    return 1;
}

// Ticks exactly the boxes whose words are listed; false when a word names no box.
bool tick(const QString &list, const std::map<QString, QCheckBox *> &boxes)
{
    const QStringList words = list.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &word : words)
        if (!boxes.count(word))
            return false;
    for (const auto &[word, box] : boxes)
        box->setChecked(words.contains(word));
    return true;
}

void printLine(FILE *to, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
    std::fputc('\n', to);
}

// Scripts read standard error: only the toolkit's serious messages belong there, not its warnings about
// the session it runs in.
void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printLine(stderr, message);
}

} // namespace

int main(int argc, char *argv[])
{
    qInstallMessageHandler(quietMessages);
    // The window is never shown: the lightest platform starts in half the time of the offscreen one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "minimal");
    QApplication app(argc, argv);
    initialiseApplication();

    QString by, kinds;
    bool haveBy = false, haveKinds = false, progress = false;
    QStringList dirs;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (a == QLatin1String("--progress")) {
            progress = true;
        } else if (a == QLatin1String("--by") || a == QLatin1String("--kinds")) {
            if (i + 1 >= args.size())
                return usageError("an option lacks its list");
            (a == QLatin1String("--by") ? by : kinds) = args[++i];
            (a == QLatin1String("--by") ? haveBy : haveKinds) = true;
        } else if (a.startsWith(QLatin1String("--"))) {
            return usageError("unknown option");
        } else {
            dirs.append(a);
        }
    }
    if (dirs.size() != 2)
        return usageError("two directories are needed");

    TfMain window;
    if (haveBy && !tick(by, {{QStringLiteral("name"), window.cbByName},
                             {QStringLiteral("size"), window.cbByVolume},
                             {QStringLiteral("date"), window.cbByDate},
                             {QStringLiteral("contents"), window.cbByContents}}))
        return usageError("unknown criterion in --by");
    if (haveKinds && !tick(kinds, {{QStringLiteral("normal"), window.cbNormal},
                                   {QStringLiteral("hidden"), window.cbHide},
                                   {QStringLiteral("readonly"), window.cbReadOnly},
                                   {QStringLiteral("system"), window.cbSystem}}))
        return usageError("unknown kind in --kinds");

    bool refused = false;
    setMessageSink([&](const MessageBoxText &box) {
        printLine(stderr, box.text);
        refused = refused || box.caption == QLatin1String("Eroare");
    });
    window.ePath1->setText(dirs[0]);
    window.ePath2->setText(dirs[1]);
    if (progress)
        QObject::connect(window.eRez, &QLineEdit::textChanged, [](const QString &text) {
            if (!text.isEmpty())
                printLine(stderr, text);
        });
    window.btnGo->click();
    if (refused)
        return 2;

    for (qint64 i = 0; i < window.eRich->lineCount(); ++i)
        printLine(stdout, window.eRich->lineText(i));
    if (!progress)
        printLine(stderr, window.eRez->text());
    std::fflush(stdout);
    return 0;
}
