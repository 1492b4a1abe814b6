// SPDX-License-Identifier: GPL-3.0-or-later
#include "lists/ui/record_editor.h"

#include "common/ui/tab_chain.h"
#include "lists/editor_walks.h"
#include "lists/ui/byte_limit_validator.h"
#include "lists/ui/guest_finder.h"
#include "lists/ui/keyword_list_model.h"
#include "lists/ui/record_editor_boxes.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include <tuple>

// The form: which controls the editor has, their names and where they stand.

using namespace editor_boxes;

namespace {

const std::array<const char*, kKeywordListCount> kKeywordCaptions{"名字",     "名前",           "ニックネーム",
                                                                  "生年月日", "メールアドレス", "会社名"};

QString indexedName(const char* base, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(base)).arg(i); }

QLineEdit* makeBox(const BoxInfo& info, const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(new ByteLimitValidator(info.byteLimit, box));
    if (info.inputMethodOff)
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
    return box;
}

// What is stored is the box's text, whatever it is, so it may be typed too.
QComboBox* makeStatusCombo(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setValidator(new ByteLimitValidator(0, combo));
    combo->setEditText(kChoose);
    return combo;
}

// Room for a text of `bytes` bytes of code page 932 in the box's font: full
// width characters, or lower-case letters of average width.
int widthForBytes(const QLineEdit* box, int bytes, bool fullWidth)
{
    const QFontMetrics metrics = box->fontMetrics();
    const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    const int text = fullWidth ? metrics.horizontalAdvance(QString(bytes / 2, u'国'))
                               : metrics.horizontalAdvance(letters) * bytes / int(letters.size());
    QStyleOptionFrame option;
    option.initFrom(box);
    return box->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(text + 4, 0), box).width();
}

} // namespace

RecordEditor::RecordEditor(std::function<QString()> listPath, Clock& clock, OperatorPrompts& prompts,
                           QWidget* parent)
    : QWidget(parent), listPath_(std::move(listPath)), clock_(clock), prompts_(prompts)
{
    auto* column = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    column->addLayout(grid);
    buildFields(grid);
    grid->addWidget(buildSwitchFrame(), 0, 4, 8, 1);
    grid->addWidget(buildKeywordFrame(), 8, 4, 7, 1);
    grid->addWidget(buildButtons(), 15, 0, 1, 5);
    finder_ = new GuestFinder(listPath_, this, this);
    column->insertWidget(0, finder_);
    connect(finder_, &GuestFinder::guestChosen, this, &RecordEditor::searchJump);
    chainTabOrder();
    buildCalendar();
    setBrowsing(true);
    markSaved();
}

// The message waits until the key press is done, so no dialog opens in the
// middle of the box's own handling of it.
void RecordEditor::refuseUnstorable(QLineEdit* box, const char* caption)
{
    const QString name = QString::fromUtf8(caption);
    const auto* validator = qobject_cast<const ByteLimitValidator*>(box->validator());
    connect(validator, &ByteLimitValidator::refused, this, [this, name](const QString& characters) {
        prompts_.warn(messageTitle(QStringLiteral("　入力エラー　")),
                      QStringLiteral("「%1」に「%2」は入力できません。\nリストに保存できない文字"
                                     "（シフトJISにない文字）です。別の文字で入力してください。")
                          .arg(name, characters));
    }, Qt::QueuedConnection);
}

// Two columns of boxes beside the switches; the long mail address, company
// and address boxes span both. The tab key follows the same order: the left
// column, the step dates, then the rows below.
void RecordEditor::buildFields(QGridLayout* grid)
{
    for (int i = 0; i < int(kText1.size()); ++i) {
        text1_[i] = makeBox(kText1[i], indexedName("Text1", i), this);
        text1_[i]->installEventFilter(this);
        refuseUnstorable(text1_[i], kText1[i].caption);
    }
    for (int i = 0; i < int(kText25.size()); ++i) {
        text25_[i] = makeBox(kText25[i], indexedName("Text25", i), this);
        refuseUnstorable(text25_[i], kText25[i].caption);
    }
    honorific_ = makeBox(kHonorific, QStringLiteral("Text3"), this);
    refuseUnstorable(honorific_, kHonorific.caption);
    status_ = makeStatusCombo(QStringLiteral("Combo1"), {QStringLiteral("配信中"), QStringLiteral("停止済")}, this);
    materialSent_ = makeStatusCombo(QStringLiteral("Combo2"), {QStringLiteral("送付済"), QStringLiteral("未送付")}, this);
    refuseUnstorable(status_->lineEdit(), "配信状況");
    refuseUnstorable(materialSent_->lineEdit(), "資料送付");
    connect(status_, &QComboBox::editTextChanged, this, &RecordEditor::statusChanged);

    QList<QWidget*> order;
    auto place = [grid, &order, this](const char* caption, QWidget* box, int row, int column, int span = 1) {
        auto* label = new QLabel(QString::fromUtf8(caption), this);
        label->setBuddy(box);
        grid->addWidget(label, row, column);
        grid->addWidget(box, row, column + 1, 1, span);
        order.append(box);
    };
    for (int i = 0; i <= kFirstDateBox; ++i)
        place(kText1[i].caption, text1_[i], i, 0);
    place("配信状況", status_, 4, 0);
    place("資料送付", materialSent_, 5, 0);
    place(kHonorific.caption, honorific_, 6, 0);
    for (int i = kFirstDateBox + 1; i <= kLastDateBox; ++i)
        place(kText1[i].caption, text1_[i], i - kFirstDateBox - 1, 2);
    constexpr int wide = 3;
    place(kText1[kMailBox].caption, text1_[kMailBox], 7, 0, wide);
    for (int i = 0; i < int(kText25.size()); ++i)
        place(kText25[i].caption, text25_[i], 8 + i, 0, kText25[i].byteLimit > 0 ? wide : 1);
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    text1_[kMailBox]->setMinimumWidth(widthForBytes(text1_[kMailBox], kText1[kMailBox].byteLimit, false));
    for (int i : {0, 2})
        text25_[i]->setMinimumWidth(widthForBytes(text25_[i], kText25[i].byteLimit, true));
}

QWidget* RecordEditor::buildSwitchFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("送信内容指定"), this);
    auto* layout = new QVBoxLayout(frame);
    for (int i = 0; i < kStepCount; ++i) {
        switches_[i] = new QCheckBox(stepWord(i), frame);
        switches_[i]->setObjectName(indexedName("Check1", i));
        switches_[i]->installEventFilter(this);
        layout->addWidget(switches_[i]);
    }
    previewStep_ = new QComboBox(frame);
    previewStep_->setObjectName(QStringLiteral("previewStep"));
    for (int i = 0; i < kStepCount; ++i)
        previewStep_->addItem(stepWord(i));
    previewStep_->setCurrentIndex(1);
    auto* preview = new QPushButton(QStringLiteral("メールのプレビュー"), frame);
    preview->setObjectName(QStringLiteral("previewMailButton"));
    connect(preview, &QPushButton::clicked, this,
            [this] { emit mailPreviewAsked(recordFromControls(), previewStep_->currentIndex()); });
    layout->addWidget(previewStep_);
    layout->addWidget(preview);
    return frame;
}

QWidget* RecordEditor::buildKeywordFrame()
{
    auto* frame = new QGroupBox(QStringLiteral("キーワード検索"), this);
    auto* layout = new QGridLayout(frame);
    for (int i = 0; i < kKeywordListCount; ++i) {
        auto* list = new QComboBox(frame);
        list->setObjectName(QStringLiteral("Combo%1").arg(i + 3));
        list->setPlaceholderText(kChoose);
        // Measuring every item would make a list of thousands of guests slow to show.
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(8);
        keywordModels_[i] = new KeywordListModel(i, list);
        list->setModel(keywordModels_[i]);
        list->setCurrentIndex(-1);
        connect(list, &QComboBox::activated, this, [this, i] { keywordPicked(i); });
        keywordLists_[i] = list;
        auto* label = new QLabel(QString::fromUtf8(kKeywordCaptions[i]), frame);
        label->setBuddy(list);
        layout->addWidget(label, i, 0);
        layout->addWidget(list, i, 1);
    }
    return frame;
}

QWidget* RecordEditor::buildButtons()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->addWidget(new QLabel(QStringLiteral("レコード"), row));
    recordNumber_ = new QLabel(QStringLiteral("1"), row);
    recordNumber_->setObjectName(QStringLiteral("Label13"));
    layout->addWidget(recordNumber_);

    upDown_ = new QWidget(row);
    upDown_->setObjectName(QStringLiteral("UpDown1"));
    auto* arrows = new QVBoxLayout(upDown_);
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    for (auto [name, arrow, caption] : {std::tuple{"UpDown1.up", Qt::UpArrow, "次のレコード"},
                                        std::tuple{"UpDown1.down", Qt::DownArrow, "前のレコード"}}) {
        auto* button = new QToolButton(upDown_);
        button->setObjectName(QLatin1String(name));
        button->setArrowType(arrow);
        button->setAccessibleName(QString::fromUtf8(caption));
        arrows->addWidget(button);
        if (arrow == Qt::UpArrow)
            connect(button, &QToolButton::clicked, this, &RecordEditor::nextRecord);
        else
            connect(button, &QToolButton::clicked, this, &RecordEditor::previousRecord);
    }
    layout->addWidget(upDown_);

    updateButton_ = new QPushButton(QStringLiteral("レコード更新"), row);
    updateButton_->setObjectName(QStringLiteral("Command5"));
    connect(updateButton_, &QPushButton::clicked, this, &RecordEditor::updateClicked);
    newButton_ = new QPushButton(QStringLiteral("新規レコード"), row);
    newButton_->setObjectName(QStringLiteral("Command6"));
    connect(newButton_, &QPushButton::clicked, this, &RecordEditor::newRecordClicked);
    layout->addWidget(updateButton_);
    layout->addWidget(newButton_);

    auto* countFrame = new QGroupBox(QStringLiteral("現在の登録数"), row);
    auto* countLayout = new QHBoxLayout(countFrame);
    guestCountLabel_ = new QLabel(QStringLiteral("0"), countFrame);
    guestCountLabel_->setObjectName(QStringLiteral("Label23"));
    countLayout->addWidget(guestCountLabel_);
    layout->addWidget(countFrame);
    layout->addStretch();
    return row;
}

void RecordEditor::buildCalendar()
{
    calendarPopup_ = new QFrame(this);
    calendarPopup_->setFrameShape(QFrame::Box);
    calendarPopup_->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(calendarPopup_);
    calendar_ = new QCalendarWidget(calendarPopup_);
    calendar_->setObjectName(QStringLiteral("MonthView1"));
    calendar_->setAccessibleName(QStringLiteral("カレンダー"));
    layout->addWidget(calendar_);
    layout->addWidget(new QLabel(QStringLiteral("[Esc]でカレンダーが閉じます"), calendarPopup_));
    calendarPopup_->adjustSize();
    calendarPopup_->hide();
    calendar_->installEventFilter(this);
    for (QWidget* child : calendar_->findChildren<QWidget*>())
        child->installEventFilter(this);
    connect(calendar_, &QCalendarWidget::clicked, this, &RecordEditor::datePicked);
    connect(calendar_, &QCalendarWidget::activated, this, &RecordEditor::datePicked);
}

// As the tab reads: the search above, then the boxes, switches, keyword lists and buttons.
void RecordEditor::chainTabOrder()
{
    tabChain_ = tabChainOf(finder_);
    for (QWidget* widget : tabChainOf(this))
        if (!finder_->isAncestorOf(widget))
            tabChain_.append(widget);
    setTabChain(tabChain_);
}
