#include "ui/dirbox.h"

#include "platform/directories.h"
#include "platform/exceptions.h"
#include "platform/filenames.h"
#include "platform/files.h"
#include "platform/pathsyntax.h"

#include <QFile>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>
#include <cerrno>

namespace {

constexpr int kIndent = 8;

// Rows are indented by their depth in the chain; the highlight covers the picture and the name only.
class RowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem shifted(option);
        shifted.rect.setLeft(option.rect.left() + kIndent * index.data(TDirBox::LevelRole).toInt());
        QStyledItemDelegate::paint(painter, shifted, index);
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(size.width() + kIndent * index.data(TDirBox::LevelRole).toInt());
        size.setHeight(TDirBox::RowHeight);
        return size;
    }
};

} // namespace

TDirBox::TDirBox(QWidget *parent) : QListWidget(parent)
{
    setItemDelegate(new RowDelegate(this));
    setIconSize(QSize(16, 16));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_directory = currentDirBytes();
    if (m_directory.isEmpty())
        m_directory = directoryChain(QByteArray()).front().path;
    rebuild();
}

void TDirBox::setDirectory(const QByteArray &directory)
{
    if (!SetCurrentDir(directory)) {
        const int error = lastSystemError();
        throw EInOutError(error ? error : ENOENT);
    }
    const QByteArray current = currentDirBytes();
    m_directory = current.isEmpty() ? directory : current;
    rebuild();
    emit changed();
}

void TDirBox::refresh()
{
    const QByteArray highlighted = currentItem() ? currentItem()->data(PathRole).toByteArray() : QByteArray();
    rebuild();
    for (int i = 0; i < count(); ++i)
        if (item(i)->data(PathRole).toByteArray() == highlighted)
            setCurrentRow(i);
}

QList<QByteArray> TDirBox::subdirectories(const QByteArray &directory)
{
    QList<QByteArray> names = subdirectoryNames(directory);
    // Hidden directories stay hidden, as a file manager shows them by default.
    names.removeIf([](const QByteArray &name) { return name.startsWith('.'); });

    struct Keyed
    {
        QString key;
        QByteArray name;
    };
    QList<Keyed> keyed;
    keyed.reserve(names.size());
    for (const QByteArray &n : names)
        keyed.append({QFile::decodeName(n).toCaseFolded(), n});
    std::sort(keyed.begin(), keyed.end(), [](const Keyed &a, const Keyed &b) {
        const int c = a.key.compare(b.key);
        return c != 0 ? c < 0 : a.name < b.name;
    });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        names[i] = keyed[i].name;
    return names;
}

void TDirBox::rebuild()
{
    const QIcon open(QStringLiteral(":/pictures/folder-open.png"));
    const QIcon closed(QStringLiteral(":/pictures/folder-closed.png"));

    clear();
    int level = 0;
    const auto addRow = [this, &level](const QByteArray &path, const QString &text, const QIcon &icon) {
        auto *item = new QListWidgetItem(icon, text, this);
        item->setData(PathRole, path);
        item->setData(LevelRole, level);
        item->setToolTip(QFile::decodeName(path));
    };
    for (const ChainLink &link : directoryChain(m_directory)) {
        addRow(link.path, displayName(link.name), open);
        ++level;
    }
    m_directoryRow = count() - 1;
    for (const QByteArray &name : subdirectories(m_directory))
        addRow(childPath(m_directory, name), displayName(name), closed);
    setCurrentRow(m_directoryRow);
    scrollToDirectory();
}

void TDirBox::scrollToDirectory()
{
    // The whole chain from the root while it leaves room for a subdirectory below; a deeper one with the
    // directory in the middle, some of the chain above it and some subdirectories below.
    if ((m_directoryRow + 2) * RowHeight <= viewport()->height())
        scrollToTop();
    else if (QListWidgetItem *row = item(m_directoryRow))
        scrollToItem(row, QAbstractItemView::PositionAtCenter);
}

void TDirBox::resizeEvent(QResizeEvent *event)
{
    QListWidget::resizeEvent(event);
    scrollToDirectory();
}

void TDirBox::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    const QByteArray path = index.data(PathRole).toByteArray();
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() == Qt::LeftButton && index.isValid())
        emit openRequested(path);
}
