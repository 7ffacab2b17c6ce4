#include "fixture.h"

#include "engine/pacing.h"
#include "ui/application.h"

#include <QLineEdit>
#include <QTest>

std::unique_ptr<TfMain> makeMainWindow()
{
    static const bool initialised = (initialiseApplication(), true);
    Q_UNUSED(initialised);
    return std::make_unique<TfMain>();
}

bool showExposed(QWidget &window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

TextRecorder::TextRecorder(QLineEdit *edit)
    : m_connection(QObject::connect(edit, &QLineEdit::textChanged, edit,
                                    [this](const QString &t) { texts.append(t); }))
{
}

TextRecorder::~TextRecorder()
{
    QObject::disconnect(m_connection);
}

QStringList TextRecorder::textsStartingWith(const QString &prefix) const
{
    QStringList found;
    for (const QString &t : texts)
        if (t.startsWith(prefix))
            found.append(t);
    return found;
}

PacingSettings &pacingOf(TfMain &w)
{
    return w.comparison().pacingSettings();
}

void useLiteralPacing(TfMain &w)
{
    pacingOf(w).setLiteral(true);
    pacingOf(w).handOverHook = {};
}

void restorePacing(TfMain &w)
{
    pacingOf(w) = PacingSettings();
}
