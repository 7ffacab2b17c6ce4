// Runs the program's start-up with a fault injected once both windows exist, answers any message box,
// and reports what was shown on standard output. tst_startup runs it.
//
//   startupfault_helper exception   the toolkit's Exception("Boom") leaves start-up
//   startupfault_helper foreign     a std::runtime_error leaves start-up
//   startupfault_helper normal      no fault; the window is closed as soon as the loop runs
//   startupfault_helper paths HEX   no fault, started inside the directory whose bytes HEX spells; prints
//                                   "path1=HEX" and "path2=HEX", the bytes the two path edits name
//
// Output: one "box|text|caption|icon" line per message box, then "shown=0" or "shown=1" (whether the
// main window was ever shown), then "result=N" (VestrelMain's return value).

#include "support/messageboxes.h"

#include "app/startup.h"
#include "app/vestrel.h"
#include "platform/exceptions.h"
#include "platform/filenames.h"
#include "platform/files.h"

#include <QEvent>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

// Lives on after the application is gone, so the records can be read at the end of main().
MessageBoxAnswerer *answerer = nullptr;
bool windowShown = false;
bool shownBeforeFault = false;

class ShowWatcher : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            windowShown = true;
        return QObject::eventFilter(watched, event);
    }
};

void print(const QString &line)
{
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode != "exception" && mode != "foreign" && mode != "normal" && !(mode == "paths" && argc > 2)) {
        std::fprintf(stderr, "usage: %s exception|foreign|normal|paths HEX\n", argv[0]);
        return 2;
    }
    if (mode == "paths" && !SetCurrentDir(QByteArray::fromHex(argv[2]))) {
        std::fprintf(stderr, "cannot enter the directory\n");
        return 2;
    }

    const int result = VestrelMain(argc, argv, [&] {
        answerer = new MessageBoxAnswerer;
        fMain->installEventFilter(new ShowWatcher(fMain));
        shownBeforeFault = fMain->isVisible();
        if (mode == "exception")
            throw Exception(QStringLiteral("Boom"));
        if (mode == "foreign")
            throw std::runtime_error("Boom");
        if (mode == "paths") {
            print(QStringLiteral("path1=") + QString::fromLatin1(pathBytes(fMain->ePath1->text()).toHex()));
            print(QStringLiteral("path2=") + QString::fromLatin1(pathBytes(fMain->ePath2->text()).toHex()));
        }
        QTimer::singleShot(0, fMain, &QWidget::close);
    });

    if (answerer) {
        for (const ShownBox &box : answerer->boxes)
            print(QStringLiteral("box|%1|%2|%3").arg(box.text, box.caption).arg(int(box.icon)));
    }
    print(QStringLiteral("shown=%1").arg(windowShown || shownBeforeFault ? 1 : 0));
    print(QStringLiteral("result=%1").arg(result));
    return result;
}
