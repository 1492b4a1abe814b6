// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/ui/guest_finder.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

namespace {

constexpr int kPopupWidth = 760;
constexpr int kPopupHeight = 340;

} // namespace

GuestFinder::GuestFinder(std::function<QString()> listPath, QWidget* overlay, QWidget* parent)
    : QWidget(parent), listPath_(std::move(listPath))
{
    setObjectName(QStringLiteral("guestFinder"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    box_ = new QLineEdit(this);
    box_->setObjectName(QStringLiteral("findBox"));
    box_->setPlaceholderText(QStringLiteral("名前・かな・メール・会社・住所・電話の一部を入力（Ctrl+F）"));
    auto* label = new QLabel(QStringLiteral("ゲスト検索"), this);
    label->setBuddy(box_);
    layout->addWidget(label);
    layout->addWidget(box_, 1);
    buildResults(overlay);

    connect(box_, &QLineEdit::textChanged, this, &GuestFinder::search);
    connect(box_, &QLineEdit::returnPressed, this, &GuestFinder::chooseCurrent);
    box_->installEventFilter(this);
    // A window shortcut of a widget works only while the widget shows: on the entry tab.
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), this);
    connect(shortcut, &QShortcut::activated, this, &GuestFinder::open);
}

void GuestFinder::buildResults(QWidget* overlay)
{
    popup_ = new QFrame(overlay);
    popup_->setFrameShape(QFrame::Box);
    popup_->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(popup_);
    results_ = new QTreeWidget(popup_);
    results_->setObjectName(QStringLiteral("findResults"));
    results_->setAccessibleName(QStringLiteral("検索結果"));
    results_->setHeaderLabels({QStringLiteral("番号"), QStringLiteral("名字"), QStringLiteral("名前"),
                               QStringLiteral("メールアドレス"), QStringLiteral("社名")});
    results_->setRootIsDecorated(false);
    results_->setUniformRowHeights(true);
    results_->setAllColumnsShowFocus(true);
    // The keys stay in the box while the operator picks with the mouse.
    results_->setFocusPolicy(Qt::NoFocus);
    const int digit = results_->fontMetrics().horizontalAdvance(QLatin1Char('0'));
    const std::array<int, 4> digits{7, 10, 10, 30}; // the company takes the rest
    for (int column = 0; column < int(digits.size()); ++column)
        results_->setColumnWidth(column, digit * digits[column]);
    connect(results_, &QTreeWidget::itemClicked, this, &GuestFinder::choose);
    more_ = new QLabel(popup_);
    more_->setObjectName(QStringLiteral("findMore"));
    more_->setWordWrap(true);
    layout->addWidget(results_, 1);
    layout->addWidget(more_);
    popup_->hide();
}

void GuestFinder::open()
{
    box_->setFocus(Qt::ShortcutFocusReason);
    box_->selectAll();
    if (!box_->text().isEmpty())
        search();
    else if (!indexIsCurrent()) // read now, so the first key does not wait for it
        showResults();
}

void GuestFinder::forgetList() { index_.reset(); }

// On a failure the list is empty and the message says why.
bool GuestFinder::indexIsCurrent()
{
    const QString path = listPath_();
    if (index_ && index_->isCurrent(path))
        return true;
    auto read = GuestSearchIndex::read(path);
    if (!read) {
        index_.reset();
        results_->clear();
        more_->setText(read.error().message);
        return false;
    }
    index_ = std::move(*read);
    return true;
}

void GuestFinder::search()
{
    if (box_->text().trimmed().isEmpty()) {
        hideResults();
        return;
    }
    if (indexIsCurrent()) {
        const GuestSearchResult found = index_->find(box_->text(), kShownRows);
        QList<QTreeWidgetItem*> items;
        items.reserve(found.rows.size());
        for (const GuestSearchRow& row : found.rows) {
            auto* item = new QTreeWidgetItem(
                QStringList{QString::number(row.record), row.family, row.given, row.mail, row.company});
            item->setData(0, Qt::UserRole, row.record);
            item->setTextAlignment(0, Qt::AlignRight | Qt::AlignVCenter);
            items.append(item);
        }
        results_->clear();
        results_->addTopLevelItems(items);
        if (!items.isEmpty())
            results_->setCurrentItem(items.front());
        if (found.total == 0)
            more_->setText(QStringLiteral("該当するゲストはいません。"));
        else if (found.total > items.size())
            more_->setText(QStringLiteral("%1 件中 %2 件を表示しています。続けて入力すると絞り込めます。")
                               .arg(found.total)
                               .arg(items.size()));
        else
            more_->setText(QStringLiteral("%1 件").arg(found.total));
    }
    showResults();
}

void GuestFinder::chooseCurrent()
{
    if (!popup_->isVisible())
        search();
    else if (QTreeWidgetItem* item = results_->currentItem())
        choose(item);
}

void GuestFinder::choose(QTreeWidgetItem* item)
{
    // A list changed since the results were shown may hold another guest at
    // that number: show the results afresh instead.
    if (!index_ || !index_->isCurrent(listPath_())) {
        search();
        return;
    }
    const int record = item->data(0, Qt::UserRole).toInt();
    hideResults();
    emit guestChosen(record);
}

void GuestFinder::showResults()
{
    QWidget* overlay = popup_->parentWidget();
    const QPoint below = box_->mapTo(overlay, QPoint(0, box_->height()));
    const int width = std::min(kPopupWidth, overlay->width());
    const int x = std::clamp(below.x(), 0, overlay->width() - width);
    popup_->setGeometry(x, below.y(), width, std::min(kPopupHeight, overlay->height() - below.y()));
    popup_->raise();
    popup_->show();
}

void GuestFinder::hideResults() { popup_->hide(); }

bool GuestFinder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != box_)
        return false;
    if (event->type() == QEvent::FocusOut) {
        hideResults();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Escape && popup_->isVisible()) {
        hideResults();
        return true;
    }
    if (key != Qt::Key_Up && key != Qt::Key_Down)
        return false;
    if (!popup_->isVisible()) {
        search();
        return true;
    }
    const int row = results_->currentIndex().row() + (key == Qt::Key_Down ? 1 : -1);
    if (QTreeWidgetItem* item = results_->topLevelItem(std::clamp(row, 0, results_->topLevelItemCount() - 1)))
        results_->setCurrentItem(item);
    return true;
}
