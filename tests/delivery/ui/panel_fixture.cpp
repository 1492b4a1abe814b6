// SPDX-License-Identifier: GPL-3.0-or-later
#include "panel_fixture.h"

#include "operator.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

QStringList Panels::sendList() const
{
    QStringList names;
    for (const DueEntry& line : queue().lines())
        names << line.displayName;
    return names;
}

const SendQueueModel& Panels::queue() const
{
    return *qobject_cast<SendQueueModel*>(find<QListView>(u"List1"_s)->model());
}

void Panels::pickLine(int row)
{
    auto* list = find<QListView>(u"List1"_s);
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    op::clickAt(list->viewport(), list->visualRect(index).center());
}

QStringList Panels::logNames() const
{
    return QDir(dir.logDir()).entryList(QDir::Files, QDir::Name);
}

void Panels::waitForRun()
{
    // A run may first wait for another program's run to end.
    EXPECT_TRUE(waitUntil([this] { return !send.isRunning(); }, 60000)) << "the run did not finish";
}

QString Panels::report() const { return find<QPlainTextEdit>(u"reportText"_s)->toPlainText(); }

QString Panels::writeText(const QString& name, const QString& content) const
{
    const QString path = QDir(dir.textDir()).filePath(name);
    EXPECT_TRUE(writeMailText(path, content).has_value());
    return path;
}

GuestRecord deliveringGuest(const QString& family, const QString& given, const QString& address)
{
    GuestRecord guest = makeGuest(family, given);
    guest.birthday = u"1970/01/01"_s;
    guest.address = address;
    guest.keisyou = u"様"_s;
    return guest;
}

QWidget* Panels::openSmtpDetails()
{
    op::click(find<QPushButton>(u"smtpDetailsButton"_s));
    return QApplication::activeWindow();
}

bool saveSmtpDetails(QWidget* dialog)
{
    QPointer<QWidget> open(dialog);
    op::click(dialog->findChild<QPushButton*>(u"smtpSaveButton"_s));
    return waitUntil([&open] { return !open || !open->isVisible(); });
}

void typeStartTlsLogin(QWidget* dialog, const QString& user, const QString& password)
{
    dialog->findChild<QComboBox*>(u"smtpSecurity"_s)->setFocus();
    op::press(Qt::Key_Down);
    op::click(dialog->findChild<QLineEdit*>(u"smtpUser"_s));
    op::type(user);
    op::press(Qt::Key_Tab);
    op::type(password);
}
