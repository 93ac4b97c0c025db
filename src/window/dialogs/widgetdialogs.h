#pragma once

#include "engine/platform/dialogs.h"

// The dialogs seam answered by real Qt widgets: QMessageBox, QInputDialog, QFileDialog,
// QDesktopServices, a form dialog of line edits, and the application's override cursor.
// Installed by main().
class WidgetDialogs final : public dialogs::Handler {
  public:
    dialogs::Answer message(const dialogs::Message& message) override;
    std::optional<QString> input(const QString& title, const QString& prompt,
                                 const QString& defaultText) override;
    std::optional<int> choose(const QString& title, const QString& prompt,
                              const QStringList& items) override;
    int chooseRow(const dialogs::RowChoice& choice) override;
    std::optional<QStringList> form(const QString& title,
                                    const QList<dialogs::FormField>& fields) override;
    std::optional<QStringList> pictureForm(const QString& title,
                                           const QList<dialogs::FormField>& fields,
                                           const dialogs::FormPicture& picture,
                                           const dialogs::PictureChange& change) override;
    QStringList openFiles(const dialogs::FileRequest& request) override;
    QString saveFile(const dialogs::FileRequest& request) override;
    QString chooseFolder(const QString& title, const QString& startFolder) override;
    bool openUrl(const QUrl& url) override;
    void setBusy(bool busy) override;
};
