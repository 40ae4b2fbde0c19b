#include "dialogs/SubdatasetDialog.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "dialogs/WindowCentring.h"
#include "platform/Fonts.h"

namespace {

QString sizeText(const orvenna::SubdatasetInfo& part) {
    if (part.width <= 0) return QStringLiteral("-");
    return QStringLiteral("%1 × %2 × %3").arg(part.width).arg(part.height).arg(part.bands);
}

}  // namespace

SubdatasetDialog::SubdatasetDialog(const QString& fileName, const std::vector<orvenna::SubdatasetInfo>& list,
                                   QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QCoreApplication::translate("SubdatasetDialog", "サブデータセットの選択"));
    setFont(uiFont());
    auto* layout = new QVBoxLayout(this);
    auto* label =
        new QLabel(QCoreApplication::translate("SubdatasetDialog",
                                               "\"%1\" の開くサブデータセットを選んでください (複数可):")
                       .arg(fileName),
                   this);
    layout->addWidget(label);

    partList = new QTreeWidget(this);
    partList->setRootIsDecorated(false);
    partList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    partList->setHeaderLabels({QCoreApplication::translate("SubdatasetDialog", "名前"),
                               QCoreApplication::translate("SubdatasetDialog", "大きさ"),
                               QCoreApplication::translate("SubdatasetDialog", "型"),
                               QCoreApplication::translate("SubdatasetDialog", "説明")});
    for (const orvenna::SubdatasetInfo& part : list) {
        auto* item = new QTreeWidgetItem(
            partList, {QString::fromStdString(part.name), sizeText(part),
                       QString::fromStdString(part.sample_type), QString::fromStdString(part.description)});
        item->setToolTip(3, QString::fromStdString(part.gdal_name));
    }
    for (int c = 0; c < 3; ++c)
        partList->resizeColumnToContents(c);
    if (partList->topLevelItemCount() > 0) partList->topLevelItem(0)->setSelected(true);
    layout->addWidget(partList);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("SubdatasetDialog", "キャンセル"),
                       QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // Nothing chosen opens nothing: OK waits for a row.
    connect(partList, &QTreeWidget::itemSelectionChanged, this,
            [this, ok] { ok->setEnabled(!partList->selectedItems().isEmpty()); });
    connect(partList, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(buttons);
    resize(640, 360);
}

std::vector<int> SubdatasetDialog::chosen() const {
    std::vector<int> rows;
    for (QTreeWidgetItem* item : partList->selectedItems())
        rows.push_back(partList->indexOfTopLevelItem(item));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SubdatasetDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    centreOverWindow(this, parentWidget());
}
