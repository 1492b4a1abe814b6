// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/program_dir.h"
#include "delivery/mail_text.h"
#include "delivery/send_timer.h"
#include "delivery/ui/file_dialog_memory.h"
#include "delivery/ui/mail_text_pane.h"
#include "delivery/ui/send_panel.h"
#include "delivery/ui/send_queue_model.h"
#include "delivery/ui/settings_panel.h"
#include "recording_transport.h"
#include "test_support.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>

#include <gtest/gtest.h>

// The settings and send panels wired to scripted seams over a temporary home.
struct Panels {
    explicit Panels(Clock* clockOverride = nullptr, MailTransport* transportOverride = nullptr)
        : dir(home.root()), clockRef(clockOverride ? *clockOverride : clock), dialogs(prompts),
          timer(home.root(), home.path(u"systemctl"_s), home.path(u"loginctl"_s), home.path(u"config"_s)),
          settings(dir, prompts, dialogs, timer, transportOverride ? *transportOverride : transport),
          send(dir, clockRef, prompts, transportOverride ? *transportOverride : transport, settings,
               dialogs,
               [this] { return listPath; })
    {
    }

    // A named control of either panel.
    template <typename W = QWidget>
    W* find(const QString& name) const
    {
        if (W* w = send.findChild<W*>(name))
            return w;
        return settings.findChild<W*>(name);
    }

    QString text(const QString& name) const { return find<QLineEdit>(name)->text(); }
    void setText(const QString& name, const QString& value) { find<QLineEdit>(name)->setText(value); }
    QStringList sendList() const;
    // The lines behind the send list, each with its guest's record.
    const SendQueueModel& queue() const;
    // Clicks a line of the send list where it shows.
    void pickLine(int row);
    QString body() const { return find<QTextEdit>(u"RichTextBox1"_s)->toPlainText(); }
    QStringList logNames() const;
    // Lets the send worker finish the run under way, processing the window's events meanwhile.
    void waitForRun();
    // What the after-run report window shows; empty until a run reports.
    QString report() const;
    QString writeText(const QString& name, const QString& content) const;
    // Clicks SMTP詳細設定 on the settings tab; the dialog it opened.
    QWidget* openSmtpDetails();

    TestHome home;
    ProgramDir dir;
    FakeClock clock{QDateTime(QDate(2005, 2, 9), QTime(9, 0))};
    Clock& clockRef;
    ScriptedPrompts prompts;
    RecordingTransport transport;
    FileDialogMemory dialogs;
    SendTimer timer; // systemctl and loginctl: programs a test may write into its home
    SettingsPanel settings;
    SendPanel send;
    QString listPath = home.path(u"guestlst.lst"_s);
};

// A delivering guest with address, honorific and a birthday (the walk's probe).
GuestRecord deliveringGuest(const QString& family, const QString& given, const QString& address);

// In the SMTP詳細設定 dialog as the operator does: STARTTLS one step down in
// 暗号化, then the user and, after a Tab, the password.
void typeStartTlsLogin(QWidget* dialog, const QString& user, const QString& password);
// Presses 保存 and waits until the dialog has stored and closed (false: still open).
bool saveSmtpDetails(QWidget* dialog);
