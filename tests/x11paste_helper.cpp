// Shows the main window on a real X display for x11paste.sh, next to a plain edit without any filter.
// Prints "READY" and the screen centres of aEdit, fMemo and the plain edit once the windows are placed;
// after a line "report" on its input it prints the three texts and ends.
//
// x11paste_helper DIRECTORY: DIRECTORY is made current first, so the page loads its prog/data.txt.

#include "support/fixture.h"

#include "platform/files.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSocketNotifier>
#include <QTabWidget>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

namespace {

QString centre(QWidget *w)
{
    const QPoint c = w->mapToGlobal(w->rect().center());
    return QStringLiteral("%1 %2").arg(c.x()).arg(c.y());
}

void say(const QString &line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc != 2 || !SetCurrentDir(QByteArray(argv[1])))
        return 2;
    std::unique_ptr<TfMain> w = makeMainWindow();
    w->move(10, 10);
    w->pgControl->setCurrentWidget(w->tSheet2);
    w->show();
    QLineEdit plain;
    plain.setWindowTitle(QStringLiteral("plain"));
    plain.setGeometry(700, 100, 200, 30);
    plain.show();

    // The window manager places and frames the windows a moment after they are shown.
    QTimer::singleShot(1500, [&] {
        say(QStringLiteral("READY %1 %2 %3")
                .arg(centre(w->aEdit), centre(w->fMemo->viewport()), centre(&plain)));
    });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[256];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0 || QByteArray(buffer, n).contains("report")) {
            say(QStringLiteral("aEdit=") + w->aEdit->text());
            say(QStringLiteral("fMemo=") +
                w->fMemo->toPlainText().replace(QLatin1Char('\n'), QStringLiteral("\\n")));
            say(QStringLiteral("plain=") + plain.text());
            app.quit();
        }
    });
    return app.exec();
}
