#include "comparisonrun.h"

#include "engine/pacing.h"
#include "ui/resultview.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

void choose(TfMain &w, int criteria, quint32 kinds)
{
    w.cbByName->setChecked(criteria & ByName);
    w.cbByVolume->setChecked(criteria & BySize);
    w.cbByDate->setChecked(criteria & ByDate);
    w.cbByContents->setChecked(criteria & ByContents);
    w.cbNormal->setChecked(kinds & FileAttr::Archive);
    w.cbHide->setChecked(kinds & FileAttr::Hidden);
    w.cbReadOnly->setChecked(kinds & FileAttr::ReadOnly);
    w.cbSystem->setChecked(kinds & FileAttr::System);
}

QStringList resultLines(const ResultView &view)
{
    QStringList all;
    for (qint64 i = 0; i < view.lineCount(); ++i)
        all.append(view.lineText(i));
    return all;
}

ComparisonRun::ComparisonRun(const QString &path1, const QString &path2, int criteria, quint32 kinds,
                             RunPacing pacing)
    : w(makeMainWindow()), rez(w->eRez)
{
    w->ePath1->setText(path1);
    w->ePath2->setText(path2);
    choose(*w, criteria, kinds);
    if (pacing == RunPacing::Literal)
        useLiteralPacing(*w);
}

ComparisonRun::~ComparisonRun()
{
    restorePacing(*w);
}

QStringList ComparisonRun::go()
{
    w->btnGo->click();
    return lines();
}

QStringList ComparisonRun::lines() const
{
    return resultLines(*w->eRich);
}

QString ComparisonRun::progressText() const
{
    return w->eRez->text();
}

QStringList ComparisonRun::listed() const
{
    QStringList names;
    for (const QString &t : rez.textsStartingWith(QStringLiteral("Initializare: ")))
        names.append(t.mid(14));
    return names;
}
