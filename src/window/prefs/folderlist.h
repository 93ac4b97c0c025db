#pragma once

#include <QListWidget>
#include <QString>

// A folder chooser in the manner of a directory list box: the folders from the top folder
// (a drive root) down to the chosen one, then the chosen one's subfolders, each a step further
// in. Activating an entry (double click, Enter) chooses it. GUI thread.
class FolderList : public QListWidget {
    Q_OBJECT
  public:
    explicit FolderList(QWidget* parent = nullptr);

    // The chosen folder: absolute, without a trailing "/" (except the root "/").
    QString path() const { return path_; }
    // Chooses `path`; emits pathChanged when that changes the choice. A path outside the
    // top folder is shown from "/".
    void setPath(const QString& path);
    // The folder the list starts from.
    QString top() const { return top_; }
    void setTop(const QString& top);

  signals:
    void pathChanged(const QString& path);

  private:
    void refill();

    QString top_ = QStringLiteral("/");
    QString path_;
};
