#include "window/help/helpwindow.h"

#include "engine/platform/dialogs.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(tr("MP3 Vortan Help"));
    resize(760, 600);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("helpBrowser"));
    browser_->setAccessibleName(tr("Help page"));
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, &HelpWindow::followLink);

    auto* back = new QPushButton(tr("Back"), this);
    auto* contents = new QPushButton(tr("Contents"), this);
    auto* closeButton = new QPushButton(tr("Close"), this);
    connect(back, &QPushButton::clicked, browser_, &QTextBrowser::backward);
    connect(browser_, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    back->setEnabled(false);
    connect(contents, &QPushButton::clicked, browser_, &QTextBrowser::home);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(back);
    buttons->addWidget(contents);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(6, 6, 6, 6);
    column->addLayout(buttons);
    column->addWidget(browser_, 1);
}

void HelpWindow::showPage(const QString& path) {
    browser_->setSource(QUrl::fromLocalFile(path));
    if (!placed_ && parentWidget()) {
        // First opening: over the middle of the main window.
        const QRect main = parentWidget()->window()->frameGeometry();
        move(main.center() - QPoint(width() / 2, height() / 2));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void HelpWindow::followLink(const QUrl& url) {
    const QUrl target = browser_->source().resolved(url);
    if (target.isLocalFile())
        browser_->setSource(target);
    else
        dialogs::handler().openUrl(target);
}
