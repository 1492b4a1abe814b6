#include "lists/ui/record_editor.h"

#include "common/text_field.h"
#include "lists/editor_walks.h"
#include "lists/list_file.h"
#include "lists/schedule.h"
#include "lists/ui/byte_limit_validator.h"

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
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kChoose = QStringLiteral("-選択-");
const QColor kLightCyan(192, 255, 255);
constexpr int kArrowLimit = 200;       // the arrows never go past this record
constexpr int kFirstDateBox = 3;       // Text1(3) birth date .. Text1(10) final step
constexpr int kLastDateBox = 10;

struct BoxInfo {
    const char* caption;
    QString GuestRecord::*field;
    int byteLimit;       // 0: no limit
    bool trimmed;        // shown with trailing spaces removed
    bool inputMethodOff; // only plain characters make sense here
};

const std::array<BoxInfo, 12> kText1{{
    {"名字", &GuestRecord::fName, 8, true, false},
    {"名前", &GuestRecord::sName, 8, true, false},
    {"ニックネーム", &GuestRecord::hName, 20, true, false},
    {"生年月日", &GuestRecord::birthday, 0, false, true},
    {"初回", &GuestRecord::fast, 0, false, false},
    {"２回目", &GuestRecord::second, 0, false, false},
    {"３回目", &GuestRecord::third, 0, false, false},
    {"４回目", &GuestRecord::fourth, 0, false, false},
    {"５回目", &GuestRecord::fifth, 0, false, false},
    {"６回目", &GuestRecord::sixth, 0, false, false},
    {"最終", &GuestRecord::seventh, 0, false, false},
    {"メールアドレス", &GuestRecord::address, 40, true, false},
}};

const std::array<BoxInfo, 5> kText25{{
    {"社名", &GuestRecord::CoName, 40, true, false},
    {"〒", &GuestRecord::Post, 0, true, true},
    {"住所", &GuestRecord::jyusyo, 40, true, false},
    {"TEL", &GuestRecord::TEL, 0, true, true},
    {"FAX", &GuestRecord::FAX, 0, true, true},
}};

const std::array<const char*, kStepCount> kSwitchCaptions{"繰り返し", "初回", "２回目", "３回目",
                                                          "４回目",   "５回目", "６回目", "最終"};
const std::array<const char*, kKeywordListCount> kKeywordCaptions{"名字",     "名前",           "ニックネーム",
                                                                  "生年月日", "メールアドレス", "会社名"};

QString indexedName(const char* base, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(base)).arg(i); }

QLineEdit* makeBox(const BoxInfo& info, const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    if (info.byteLimit > 0)
        box->setValidator(new ByteLimitValidator(info.byteLimit, box));
    if (info.inputMethodOff)
        box->setAttribute(Qt::WA_InputMethodEnabled, false);
    return box;
}

QComboBox* makeStatusCombo(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(items);
    combo->setEditText(kChoose);
    return combo;
}

void setTextColour(QWidget* widget, const QColor& colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QString shown(const BoxInfo& info, const GuestRecord& guest)
{
    return info.trimmed ? trimRight(guest.*info.field) : guest.*info.field;
}

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

void RecordEditor::buildFields(QGridLayout* grid)
{
    for (int i = 0; i < int(kText1.size()); ++i) {
        text1_[i] = makeBox(kText1[i], indexedName("Text1", i), this);
        text1_[i]->installEventFilter(this);
    }
    for (int i = 0; i < int(kText25.size()); ++i)
        text25_[i] = makeBox(kText25[i], indexedName("Text25", i), this);
    honorific_ = makeBox({"敬称", &GuestRecord::keisyou, 0, true, false}, QStringLiteral("Text3"), this);
    status_ = makeStatusCombo(QStringLiteral("Combo1"), {QStringLiteral("配信中"), QStringLiteral("停止済")}, this);
    materialSent_ = makeStatusCombo(QStringLiteral("Combo2"), {QStringLiteral("送付済"), QStringLiteral("未送付")}, this);
    connect(status_, &QComboBox::editTextChanged, this, &RecordEditor::statusChanged);

    auto place = [grid, this](const char* caption, QWidget* box, int row, int column) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, column);
        grid->addWidget(box, row, column + 1);
    };
    for (int i = 0; i <= kFirstDateBox; ++i)
        place(kText1[i].caption, text1_[i], i, 0);
    place("配信状況", status_, 4, 0);
    place("資料送付", materialSent_, 5, 0);
    place(kText1[11].caption, text1_[11], 6, 0);
    place("敬称", honorific_, 7, 0);
    for (int i = kFirstDateBox + 1; i <= kLastDateBox; ++i)
        place(kText1[i].caption, text1_[i], i - kFirstDateBox - 1, 2);
    for (int i = 0; i < int(kText25.size()); ++i)
        place(kText25[i].caption, text25_[i], 8 + i, 0);
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
        list->setMinimumContentsLength(12);
        keywordModels_[i] = new QStringListModel(list);
        list->setModel(keywordModels_[i]);
        list->setCurrentIndex(-1);
        connect(list, &QComboBox::activated, this, [this, i] { keywordPicked(i); });
        keywordLists_[i] = list;
        layout->addWidget(new QLabel(QString::fromUtf8(kKeywordCaptions[i]), frame), i, 0);
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
    for (auto [name, arrow] : {std::pair{"UpDown1.up", Qt::UpArrow}, std::pair{"UpDown1.down", Qt::DownArrow}}) {
        auto* button = new QToolButton(upDown_);
        button->setObjectName(QLatin1String(name));
        button->setArrowType(arrow);
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
    guestCount_ = new QLabel(QStringLiteral("0"), countFrame);
    guestCount_->setObjectName(QStringLiteral("Label23"));
    countLayout->addWidget(guestCount_);
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
    status_->setEditText(guest.soushin);
    materialSent_->setEditText(guest.shiryou);
    honorific_->setText(trimRight(guest.keisyou));
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
    auto written = WriteGuestRecord(listPath_(), currentRecord(), recordFromControls());
    if (!written) {
        report(written.error());
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

void RecordEditor::setGuestCount(int count) { guestCount_->setText(QString::number(count)); }
int RecordEditor::guestCount() const { return guestCount_->text().toInt(); }
void RecordEditor::setCurrentRecord(int n) { recordNumber_->setText(QString::number(n)); }
int RecordEditor::currentRecord() const { return recordNumber_->text().toInt(); }

void RecordEditor::clearForNewList()
{
    clearBoxes();
    setComboDefaults();
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

void RecordEditor::hideCalendar() { calendarPopup_->hide(); }

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
