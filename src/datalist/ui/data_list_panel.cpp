// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalist/ui/data_list_panel.h"

#include "datalist/ui/data_list_model.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const QString kAll = QStringLiteral("ALL");
const QColor kGrey(0xE0, 0xE0, 0xE0);

int hmmToPixels(int hundredthsOfMm, int dpi) { return qRound(hundredthsOfMm * dpi / 2540.0); }

} // namespace

DataListPanel::DataListPanel(std::function<QString()> listPath, OperatorPrompts& prompts, QWidget* parent)
    : QWidget(parent), listPath_(std::move(listPath)), prompts_(prompts), model_(new DataListModel(this)),
      view_(new QTableView(this))
{
    view_->setObjectName(QStringLiteral("ListView1"));
    view_->setAccessibleName(QStringLiteral("データリスト"));
    view_->setModel(model_);
    view_->setSortingEnabled(false);
    view_->horizontalHeader()->setSectionsClickable(false);
    view_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::SingleSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setWordWrap(false);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_->setMinimumSize(hmmToPixels(18838, logicalDpiX()) / 2, hmmToPixels(9499, logicalDpiY()) / 2);
    setColumnWidths();
    QGroupBox* frame = buildFrame();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_, 1);
    layout->addWidget(frame);
}

QGroupBox* DataListPanel::buildFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("対象"), this);
    auto* chooserLabel = new QLabel(QStringLiteral("番号選択"), frame);
    chooser_ = new QComboBox(frame);
    chooser_->setObjectName(QStringLiteral("Combo9"));
    chooser_->setMinimumContentsLength(6);
    startLabel_ = new QLabel(QStringLiteral("印字場所"), frame);
    startLabel_->setObjectName(QStringLiteral("Label51"));
    startPosition_ = new QLineEdit(frame);
    startPosition_->setObjectName(QStringLiteral("Text26"));
    startPosition_->setMaximumWidth(startPosition_->fontMetrics().horizontalAdvance(u'0') * 6 + 12);
    startSuffix_ = new QLabel(QStringLiteral("番目"), frame);
    startSuffix_->setObjectName(QStringLiteral("Label52"));
    chooserLabel->setBuddy(chooser_);
    startLabel_->setBuddy(startPosition_);
    setStartPositionEnabled(false);
    connect(chooser_, &QComboBox::activated, this, &DataListPanel::onChooserActivated);

    auto* layout = new QHBoxLayout(frame);
    for (QWidget* widget : {static_cast<QWidget*>(chooserLabel), static_cast<QWidget*>(chooser_),
                            static_cast<QWidget*>(startLabel_), static_cast<QWidget*>(startPosition_),
                            static_cast<QWidget*>(startSuffix_)})
        layout->addWidget(widget);
    layout->addStretch();
    return frame;
}

void DataListPanel::setColumnWidths()
{
    for (int column = 0; column < DataListModel::kColumnCount; ++column)
        view_->setColumnWidth(column, hmmToPixels(DataListModel::columnWidthHmm(column), logicalDpiX()));
}

void DataListPanel::ShowDataList()
{
    model_->setRows({});
    auto rows = readDataListRows(listPath_());
    if (!rows) {
        prompts_.warn(messageTitle(QStringLiteral("　データリスト　")), rows.error().message);
        return;
    }
    QStringList numbers;
    numbers.reserve(rows->size());
    for (const DataListRow& row : *rows)
        numbers.append(row.number);
    model_->setRows(std::move(*rows));
    chooser_->addItems(numbers);
}

void DataListPanel::refreshForTab()
{
    chooser_->clear();
    chooser_->addItem(kAll);
    ShowDataList();
    // Nothing is chosen until the operator picks an entry.
    chooser_->setCurrentIndex(-1);
}

int DataListPanel::rowCount() const { return model_->rowCount(); }

void DataListPanel::onChooserActivated(int index)
{
    setStartPositionEnabled(chooser_->itemText(index) != kAll);
}

void DataListPanel::setStartPositionEnabled(bool enabled)
{
    QPalette palette = startPosition_->palette();
    palette.setColor(QPalette::Base, enabled ? QColor(Qt::white) : kGrey);
    startPosition_->setPalette(palette);
    startPosition_->setEnabled(enabled);
}
