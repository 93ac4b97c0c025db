#pragma once

#include <QWidget>

class QTextBrowser;

// The help viewer: a plain top-level window showing the help pages shipped beside the
// program. Links inside the help folder open here; any other link goes to the user's
// browser through the dialogs seam. GUI thread only.
class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Shows `path` and brings the window to the front.
    void showPage(const QString& path);
    QTextBrowser* browser() const { return browser_; }

  private:
    void followLink(const QUrl& url);

    QTextBrowser* browser_ = nullptr;
    bool placed_ = false;
};
