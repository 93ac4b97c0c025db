#include "window/prefs/folderlist.h"

#include <QDir>
#include <QStyle>

namespace {

// Whether `folder` is `top` or lies inside it.
bool within(const QString& folder, const QString& top) {
    if (top == QLatin1String("/") || folder == top)
        return true;
    return folder.startsWith(top) && folder.at(top.size()) == QLatin1Char('/');
}

} // namespace

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(item->data(Qt::UserRole).toString()); });
}

void FolderList::setTop(const QString& top) {
    top_ = QDir::cleanPath(top);
    refill();
}

void FolderList::setPath(const QString& path) {
    const QString cleaned = QDir::cleanPath(path);
    if (cleaned == path_ || !QDir::isAbsolutePath(cleaned))
        return;
    path_ = cleaned;
    refill();
    emit pathChanged(path_);
}

void FolderList::refill() {
    clear();
    if (path_.isEmpty())
        return;
    const QString top = within(path_, top_) ? top_ : QStringLiteral("/");

    // The chain from the top folder down to the chosen one.
    QStringList chain{top};
    if (path_ != top) {
        const QString rest = path_.mid(top == QLatin1String("/") ? 1 : top.size() + 1);
        QString folder = top == QLatin1String("/") ? QString() : top;
        for (const QString& name : rest.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            folder += QLatin1Char('/') + name;
            chain << folder;
        }
    }
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirIcon);
    auto add = [this](const QString& folder, const QString& name, int depth, const QIcon& icon) {
        auto* item = new QListWidgetItem(icon, QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(Qt::UserRole, folder);
        item->setToolTip(folder);
    };
    for (int depth = 0; depth < chain.size(); ++depth) {
        const QString& folder = chain[depth];
        add(folder, depth == 0 ? folder : QDir(folder).dirName(), depth, open);
    }
    setCurrentRow(count() - 1);

    const QDir chosen(path_);
    const QString prefix = path_ == QLatin1String("/") ? QString() : path_;
    for (const QString& name :
         chosen.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        add(prefix + QLatin1Char('/') + name, name, int(chain.size()), closed);
}
