// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "lists/ui/record_editor.h"

#include "operator.h"
#include "test_support.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <memory>

// A record editor on a list file of its own in a temporary program folder,
// shown offscreen so clicks and focus behave as on screen.
struct EditorBench {
    TestHome home;
    QString list = home.path(u"guestlst.lst"_s);
    FakeClock clock{QDateTime(QDate(2024, 3, 15), QTime(9, 0))};
    ScriptedPrompts prompts;
    std::unique_ptr<RecordEditor> editor;

    explicit EditorBench(const QList<GuestRecord>& guests)
    {
        writeList(list, guests);
        editor = std::make_unique<RecordEditor>([this] { return list; }, clock, prompts);
        editor->resize(1000, 700);
        editor->show();
        editor->activateWindow();
        (void)QTest::qWaitForWindowActive(editor.get());
        editor->RefreshKeywordLists();
        editor->ShowRecord(1);
    }

    template <typename W>
    W* get(const QString& name) const
    {
        W* widget = editor->findChild<W*>(name);
        EXPECT_NE(widget, nullptr) << name.toStdString();
        return widget;
    }
    QLineEdit* text1(int i) const { return get<QLineEdit>(u"Text1(%1)"_s.arg(i)); }
    QCheckBox* check1(int i) const { return get<QCheckBox>(u"Check1(%1)"_s.arg(i)); }
    QString label13() const { return get<QLabel>(u"Label13"_s)->text(); }
    QString label23() const { return get<QLabel>(u"Label23"_s)->text(); }
    void click(const QString& name) const { op::click(get<QAbstractButton>(name)); }
    void clickBox(QLineEdit* box) const { op::click(box); }
    void retype(QLineEdit* box, const QString& text) const
    {
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Backspace);
        typeText(box, text);
    }
    // Picks a row of a keyword list through its drop-down, as the operator does.
    void pick(const QString& list, int row) const;
    // Clicks the given day of the month the calendar shows.
    void clickDay(int day) const;
};

GuestRecord numberedGuest(int n);

