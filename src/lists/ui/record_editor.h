// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/clock.h"
#include "common/error.h"
#include "common/operator_prompts.h"
#include "lists/guest_record.h"

#include <QByteArray>
#include <QList>
#include <QWidget>

#include <array>
#include <functional>

class GuestFinder;
class KeywordListModel;
class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The guest editor of the entry tab. It keeps no copy of the list: every
// operation reads or writes the list file named by listPath() at that moment.
// Controls carry their objectNames ("Text1(0)", "Command5", ...). The arrow
// pair is a container "UpDown1" holding the buttons "UpDown1.up" (next
// record) and "UpDown1.down" (previous record).
class RecordEditor : public QWidget {
    Q_OBJECT
public:
    RecordEditor(std::function<QString()> listPath, Clock& clock, OperatorPrompts& prompts,
                 QWidget* parent = nullptr);

    // Reads record n and shows it; on a read failure the controls stay as they are.
    void ShowRecord(int n);
    // Writes the controls as the current record unless the family name is
    // empty; false when a date box holds no valid date or the write failed
    // (the operator was told, nothing was written).
    bool SaveShownRecord();
    // Rebuilds the keyword lists and the guest count from the list file.
    void RefreshKeywordLists();
    // Advances n to the first empty record at or after it; n stays on failure.
    void NewRec(int& n);
    // The keyword lists show the guests of the list's bytes as read.
    void fillKeywordLists(QByteArray listBytes, int guestCount);

    void setGuestCount(int count);
    int guestCount() const;
    void setCurrentRecord(int n);
    int currentRecord() const;

    // The editor after a new list was created: empty boxes, switches off,
    // empty keyword lists, record 1 shown, count 0.
    void clearForNewList();
    // Entering the tab: the calendar on today, the family name focused.
    void prepareForTab();

    // Before the shown guest is left for another: when its boxes hold edits
    // not yet saved, asks whether to save them. False when the operator
    // cancels or the save was refused: the guest stays shown.
    bool mayLeaveShownRecord();
    // Shows record n as a keyword jump does, after asking about unsaved edits.
    void jumpTo(int n);
    // The controls in the order Tab visits them, the search box first.
    const QList<QWidget*>& tabChain() const { return tabChain_; }

signals:
    // A guest of the list is shown (record number from 1).
    void recordShown(int record);
    // The guest as the boxes show it, and the step whose mail the operator wants to see.
    void mailPreviewAsked(const GuestRecord& guest, int step);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void refuseUnstorable(QLineEdit* box, const char* caption);
    void buildFields(QGridLayout* grid);
    QWidget* buildSwitchFrame();
    QWidget* buildKeywordFrame();
    QWidget* buildButtons();
    void buildCalendar();

    bool saveOrStepBack();
    bool updateClicked();
    void newRecordClicked();
    void previousRecord();
    void nextRecord();
    void keywordPicked(int list);
    void statusChanged(const QString& text);
    void textBoxClicked(int index);
    void openCalendarByKey(int index);
    void showCalendarUnder(int index);
    void chainTabOrder();
    void searchJump(int n);
    void datePicked(const QDate& date);
    void applySwitchRule(int clicked);

    GuestRecord recordFromControls() const;
    // What the boxes show is what the list holds from here on.
    void markSaved();
    bool hasUnsavedEdits() const;
    bool datesAreValid();
    void keepStopMadeMeanwhile();
    // Delivery and material status show "-選択-".
    void setComboDefaults();
    void showGuest(const GuestRecord& guest);
    void clearBoxes();
    void setBrowsing(bool browsing);
    void setFieldColour(const QColor& colour, bool withHonorific);
    bool isShownRecordEmpty(int n);
    void hideCalendar();
    void report(const Error& error);

    std::function<QString()> listPath_;
    Clock& clock_;
    OperatorPrompts& prompts_;

    std::array<QLineEdit*, 12> text1_{};
    std::array<QLineEdit*, 5> text25_{};
    QLineEdit* honorific_ = nullptr;      // Text3
    QComboBox* status_ = nullptr;         // Combo1
    QComboBox* materialSent_ = nullptr;   // Combo2
    std::array<QCheckBox*, kStepCount> switches_{};
    QComboBox* previewStep_ = nullptr;
    std::array<QComboBox*, 6> keywordLists_{};
    std::array<KeywordListModel*, 6> keywordModels_{};
    QLabel* recordNumber_ = nullptr;      // Label13
    QLabel* guestCountLabel_ = nullptr;   // Label23
    QPushButton* updateButton_ = nullptr; // Command5
    QPushButton* newButton_ = nullptr;    // Command6
    QWidget* upDown_ = nullptr;           // UpDown1
    GuestFinder* finder_ = nullptr;
    QFrame* calendarPopup_ = nullptr;
    QCalendarWidget* calendar_ = nullptr; // MonthView1
    int calendarTarget_ = 0;
    int currentRecord_ = 1;
    int guestCount_ = 0;
    QList<QWidget*> tabChain_;
    QByteArray savedBytes_; // the shown guest as the boxes showed it or last saved it
};
