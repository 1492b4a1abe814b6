#include "lists/ui/record_editor.h"

#include "common/cp932.h"
#include "common/text_field.h"
#include "lists/editor_walks.h"
#include "lists/list_file.h"
#include "lists/schedule.h"
#include "lists/ui/byte_limit_validator.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QStringListModel>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>
#include <QVBoxLayout>

#include <tuple>

namespace {

const QString kChoose = QStringLiteral("-選択-");
const QColor kLightCyan(192, 255, 255);
constexpr int kArrowLimit = 200;       // the arrows never go past this record
constexpr int kFirstDateBox = 3;       // Text1(3) birth date .. Text1(10) final step
constexpr int kLastDateBox = 10;

// Every box shows its field with trailing spaces removed, so a blank date is
// an empty box and a click in it puts the cursor at its start.
struct BoxInfo {
    const char* caption;
    QString GuestRecord::*field;
    int byteLimit;       // 0: no limit
    bool inputMethodOff; // only plain characters make sense here
};

const std::array<BoxInfo, 12> kText1{{
    {"名字", &GuestRecord::fName, 8, false},
    {"名前", &GuestRecord::sName, 8, false},
    {"ニックネーム", &GuestRecord::hName, 20, false},
    {"生年月日", &GuestRecord::birthday, 0, true},
    {"初回", &GuestRecord::fast, 0, false},
    {"２回目", &GuestRecord::second, 0, false},
    {"３回目", &GuestRecord::third, 0, false},
    {"４回目", &GuestRecord::fourth, 0, false},
    {"５回目", &GuestRecord::fifth, 0, false},
    {"６回目", &GuestRecord::sixth, 0, false},
    {"最終", &GuestRecord::seventh, 0, false},
    {"メールアドレス", &GuestRecord::address, 40, false},
}};

const std::array<BoxInfo, 5> kText25{{
    {"社名", &GuestRecord::CoName, 40, false},
    {"〒", &GuestRecord::Post, 0, true},
    {"住所", &GuestRecord::jyusyo, 40, false},
    {"TEL", &GuestRecord::TEL, 0, true},
    {"FAX", &GuestRecord::FAX, 0, true},
}};

const BoxInfo kHonorific{"敬称", &GuestRecord::keisyou, 0, false};
constexpr int kMailBox = 11;

const std::array<const char*, kStepCount> kSwitchCaptions{"繰り返し", "初回", "２回目", "３回目",
                                                          "４回目",   "５回目", "６回目", "最終"};
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

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QString shown(const BoxInfo& info, const GuestRecord& guest) { return trimRight(guest.*info.field); }

} // namespace

RecordEditor::RecordEditor(std::function<QString()> listPath, Clock& clock, OperatorPrompts& prompts,
                           QWidget* parent)
    : QWidget(parent), listPath_(std::move(listPath)), clock_(clock), prompts_(prompts)
{
    auto* grid = new QGridLayout(this);
    buildFields(grid);
    grid->addWidget(buildSwitchFrame(), 0, 4, 8, 1);
    grid->addWidget(buildKeywordFrame(), 8, 4, 7, 1);
    grid->addWidget(buildButtons(), 15, 0, 1, 5);
    buildCalendar();
    setBrowsing(true);
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
        switches_[i] = new QCheckBox(QString::fromUtf8(kSwitchCaptions[i]), frame);
        switches_[i]->setObjectName(indexedName("Check1", i));
        switches_[i]->installEventFilter(this);
        layout->addWidget(switches_[i]);
    }
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
        keywordModels_[i] = new QStringListModel(list);
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
}

void RecordEditor::ShowRecord(int n)
{
    auto guest = ReadGuestRecord(listPath_(), n);
    if (!guest) {
        report(guest.error());
        return;
    }
    setCurrentRecord(n);
    showGuest(*guest);
}

void RecordEditor::showGuest(const GuestRecord& guest)
{
    for (int i = 0; i < int(kText1.size()); ++i)
        text1_[i]->setText(shown(kText1[i], guest));
    // A stored guest shows its statuses as they are; only an empty record
    // offers the choice.
    if (IsEndOfList(guest, EndTest::EmptyRecord)) {
        setComboDefaults();
    } else {
        status_->setEditText(guest.soushin);
        materialSent_->setEditText(guest.shiryou);
    }
    honorific_->setText(shown(kHonorific, guest));
    for (int i = 0; i < kStepCount; ++i)
        switches_[i]->setChecked(stepSwitch(guest, i) == 1);
    for (int i = 0; i < int(kText25.size()); ++i)
        text25_[i]->setText(shown(kText25[i], guest));
}

GuestRecord RecordEditor::recordFromControls() const
{
    GuestRecord guest;
    for (int i = 0; i < int(kText1.size()); ++i)
        guest.*kText1[i].field = text1_[i]->text();
    for (int i = 0; i < int(kText25.size()); ++i)
        guest.*kText25[i].field = text25_[i]->text();
    guest.keisyou = honorific_->text();
    guest.soushin = status_->currentText();
    guest.shiryou = materialSent_->currentText();
    for (int i = 0; i < kStepCount; ++i)
        setStepSwitch(guest, i, switches_[i]->isChecked() ? 1 : 0);
    return guest;
}

bool RecordEditor::SaveShownRecord()
{
    if (text1_[0]->text().isEmpty())
        return true;
    if (!datesAreValid())
        return false;
    auto written = WriteGuestRecord(listPath_(), currentRecord(), recordFromControls());
    if (!written) {
        report(written.error());
        return false;
    }
    return true;
}

// A date that is no day, or not in the stored form, is never due: the guest
// would silently get nothing. The operator keeps what was typed to correct it.
bool RecordEditor::datesAreValid()
{
    for (int i = kFirstDateBox; i <= kLastDateBox; ++i) {
        const QString text = trimRight(text1_[i]->text());
        if (text.isEmpty() || dateFromText(text))
            continue;
        prompts_.warn(messageTitle(QStringLiteral("　入力エラー　")),
                      QStringLiteral("「%1」の「%2」は日付として読めません。\n"
                                     "年4桁/月2桁/日2桁（例: 2026/01/05）で入力するか、空欄にしてください。\n"
                                     "レコードは保存していません。")
                          .arg(QString::fromUtf8(kText1[i].caption), text1_[i]->text()));
        text1_[i]->setFocus();
        return false;
    }
    return true;
}

void RecordEditor::RefreshKeywordLists()
{
    auto guests = readGuestList(listPath_(), EndTest::EmptyRecord);
    if (!guests) {
        report(guests.error());
        return;
    }
    fillKeywordLists(*guests);
    setGuestCount(int(guests->size()));
}

void RecordEditor::NewRec(int& n)
{
    auto empty = firstEmptyRecordFrom(listPath_(), n);
    if (!empty) {
        report(empty.error());
        return;
    }
    n = *empty;
}

void RecordEditor::fillKeywordLists(const QList<GuestRecord>& guests)
{
    const auto columns = keywordColumns(guests);
    for (int i = 0; i < kKeywordListCount; ++i) {
        keywordModels_[i]->setStringList(columns[i]);
        keywordLists_[i]->setCurrentIndex(-1);
    }
}

void RecordEditor::setGuestCount(int count)
{
    guestCount_ = count;
    guestCountLabel_->setText(QString::number(count));
}

int RecordEditor::guestCount() const { return guestCount_; }

void RecordEditor::setCurrentRecord(int n)
{
    currentRecord_ = n;
    recordNumber_->setText(QString::number(n));
}

int RecordEditor::currentRecord() const { return currentRecord_; }

void RecordEditor::clearForNewList()
{
    clearBoxes();
    for (QCheckBox* box : switches_)
        box->setChecked(false);
    fillKeywordLists({});
    ShowRecord(1);
    setGuestCount(0);
    setCurrentRecord(1);
}

void RecordEditor::prepareForTab()
{
    calendar_->setSelectedDate(clock_.today());
    text1_[0]->setFocus();
}

void RecordEditor::setComboDefaults()
{
    status_->setEditText(kChoose);
    materialSent_->setEditText(kChoose);
}

void RecordEditor::clearBoxes()
{
    for (QLineEdit* box : text1_)
        box->clear();
    for (QLineEdit* box : text25_)
        box->clear();
    honorific_->clear();
}

// Without a family name nothing is saved: the editor steps back instead.
bool RecordEditor::saveOrStepBack()
{
    if (!text1_[0]->text().isEmpty())
        return SaveShownRecord();
    previousRecord();
    return true;
}

void RecordEditor::updateClicked()
{
    if (!saveOrStepBack())
        return;
    setBrowsing(true);
    RefreshKeywordLists();
}

void RecordEditor::newRecordClicked()
{
    if (!text1_[0]->text().isEmpty()) {
        // The scan's answer, not the count alone: a count gone stale (another
        // page added guests) must not send the next save onto a guest.
        int n = guestCount() + 1;
        NewRec(n);
        setCurrentRecord(n);
        clearBoxes();
        setComboDefaults();
    }
    text1_[0]->setFocus();
    setFieldColour(Qt::black, false);
    setBrowsing(false);
}

void RecordEditor::previousRecord()
{
    if (!SaveShownRecord())
        return;
    setBrowsing(true);
    RefreshKeywordLists();
    const int r = currentRecord();
    if (r > 1 && r <= kArrowLimit && !isShownRecordEmpty(r - 1))
        ShowRecord(r - 1);
}

void RecordEditor::nextRecord()
{
    if (!saveOrStepBack())
        return;
    setBrowsing(true);
    RefreshKeywordLists();
    const int r = currentRecord();
    if (r >= 1 && r < kArrowLimit && !isShownRecordEmpty(r + 1))
        ShowRecord(r + 1);
}

bool RecordEditor::isShownRecordEmpty(int n)
{
    auto guest = ReadGuestRecord(listPath_(), n);
    if (!guest) {
        report(guest.error());
        return true;
    }
    return IsEndOfList(*guest, EndTest::EmptyRecord);
}

void RecordEditor::keywordPicked(int list)
{
    auto found = findKeywordRecord(listPath_(), keywordFields()[list], keywordLists_[list]->currentText());
    if (!found)
        report(found.error());
    else if (*found)
        ShowRecord(**found);
}

void RecordEditor::statusChanged(const QString& text)
{
    if (text == QStringLiteral("配信中"))
        setFieldColour(Qt::blue, true);
    else if (text == QStringLiteral("停止済"))
        setFieldColour(Qt::red, true);
}

void RecordEditor::setFieldColour(const QColor& colour, bool withHonorific)
{
    for (QLineEdit* box : text1_)
        setTextColour(box, colour);
    for (QLineEdit* box : text25_)
        setTextColour(box, colour);
    if (withHonorific)
        setTextColour(honorific_, colour);
    setTextColour(status_, colour);
    setTextColour(materialSent_, colour);
}

void RecordEditor::setBrowsing(bool browsing)
{
    newButton_->setEnabled(browsing);
    if (browsing) {
        QPalette palette = newButton_->palette();
        palette.setColor(QPalette::Button, kLightCyan);
        newButton_->setPalette(palette);
    } else {
        newButton_->setPalette(QPalette());
    }
    upDown_->setEnabled(browsing);
}

void RecordEditor::textBoxClicked(int index)
{
    calendar_->setSelectedDate(clock_.today());
    if (index < kFirstDateBox || index > kLastDateBox)
        return;
    calendarTarget_ = index;
    QLineEdit* box = text1_[index];
    QPoint at = box->mapTo(this, QPoint(0, box->height()));
    at.setX(std::clamp(at.x(), 0, std::max(0, width() - calendarPopup_->width())));
    at.setY(std::clamp(at.y(), 0, std::max(0, height() - calendarPopup_->height())));
    calendarPopup_->move(at);
    calendarPopup_->raise();
    calendarPopup_->show();
}

void RecordEditor::datePicked(const QDate& date)
{
    if (calendarTarget_ >= kFirstDateBox && calendarTarget_ <= kLastDateBox)
        text1_[calendarTarget_]->setText(dateText(date));
    hideCalendar();
}

// Hiding a focused calendar would pass the focus on to the next control, and
// the operator's next keys with it; they belong to the date box.
void RecordEditor::hideCalendar()
{
    const bool calendarHadFocus = calendarPopup_->isAncestorOf(QApplication::focusWidget());
    calendarPopup_->hide();
    if (calendarHadFocus && calendarTarget_ >= kFirstDateBox && calendarTarget_ <= kLastDateBox)
        text1_[calendarTarget_]->setFocus();
}

void RecordEditor::report(const Error& error)
{
    prompts_.warn(messageTitle(QStringLiteral("　ファイルエラー　")), error.message);
}

bool RecordEditor::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool inCalendar = widget == calendar_ || calendar_->isAncestorOf(widget);
        const bool inTextBox = std::ranges::find(text1_, watched) != text1_.end();
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && (inCalendar || inTextBox))
            hideCalendar();
        return false;
    }
    const bool press = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick;
    if ((!press && type != QEvent::MouseButtonRelease) || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return false;
    if (auto box = std::ranges::find(text1_, watched); box != text1_.end() && !press)
        textBoxClicked(int(box - text1_.begin()));
    if (auto check = std::ranges::find(switches_, watched); check != switches_.end())
        applySwitchRule(int(check - switches_.begin()));
    return false;
}

// Runs on press and on release; the box's own click then toggles it once
// more, so a whole click toggles it once with the rule applied.
void RecordEditor::applySwitchRule(int clicked)
{
    std::array<bool, kStepCount> boxes{};
    for (int i = 0; i < kStepCount; ++i)
        boxes[i] = switches_[i]->isChecked();
    boxes = switchesAfterClick(boxes, clicked);
    for (int i = 0; i < kStepCount; ++i)
        switches_[i]->setChecked(boxes[i]);
}
