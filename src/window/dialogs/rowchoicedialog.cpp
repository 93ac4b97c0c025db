#include "window/dialogs/rowchoicedialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

RowChoiceDialog::RowChoiceDialog(const dialogs::RowChoice& choice, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(choice.title);
    const int preselected =
        choice.preselected >= 0 && choice.preselected < choice.rows.size() ? choice.preselected : 0;
    auto* column = new QVBoxLayout(this);
    auto* prompt = new QLabel(choice.prompt, this);
    prompt->setWordWrap(true);
    column->addWidget(prompt);

    table_ = new QTreeWidget(this);
    table_->setObjectName(QStringLiteral("rowChoiceTable"));
    table_->setAccessibleName(choice.prompt);
    table_->setRootIsDecorated(false);
    table_->setUniformRowHeights(true);
    table_->setAllColumnsShowFocus(true);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setHeaderLabels(choice.columns);
    for (const QStringList& row : choice.rows)
        table_->addTopLevelItem(new QTreeWidgetItem(row));
    for (int i = 0; i < table_->columnCount(); ++i)
        table_->resizeColumnToContents(i);
    column->addWidget(table_, 1);
    prompt->setBuddy(table_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* chooseButton = buttons->addButton(tr("Choose"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QDialogButtonBox::Cancel);
    chooseButton->setDefault(true);
    column->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(table_, &QTreeWidget::itemActivated, this, &QDialog::accept);

    if (QTreeWidgetItem* first = table_->topLevelItem(preselected))
        table_->setCurrentItem(first);
    table_->setFocus();
    resize(std::min(1000, 120 + table_->header()->length()), 320);
}

int RowChoiceDialog::picked() const {
    if (table_->topLevelItemCount() == 0)
        return -1;
    const int current = table_->indexOfTopLevelItem(table_->currentItem());
    return result() == QDialog::Accepted && current >= 0 ? current : -1;
}
